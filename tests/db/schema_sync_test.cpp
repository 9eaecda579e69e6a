// The three forms of the hospital database (embedded, SQL Server, PostgreSQL) hold the same
// tables with the same columns, the same indexes and the same procedures.
#include "db/demo/DemoDatabase.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

struct Schema {
    QMap<QString, QStringList> tables; // lower-case name -> lower-case columns in order
    QMap<QString, QString> indexes;    // lower-case name -> "[unique ]table(columns)"
    QStringList procedures;            // lower-case, sorted
};

QString normalised(QString text) {
    return text.remove(QLatin1Char(' ')).remove(QLatin1Char('"')).toLower();
}

Schema parse(const QString& tables, const QString& procedures, const QRegularExpression& procedureName) {
    static const QStringList notColumns = {"primary", "constraint", "unique", "foreign", "check", ")"};
    // Tables of one engine's own use only.
    static const QStringList ownUse = {"sysobjects", "sys_procedures"};
    Schema schema;
    static const QRegularExpression table(R"(CREATE TABLE (\w+) \((.*?)\n\);)",
                                          QRegularExpression::DotMatchesEverythingOption);
    for (auto it = table.globalMatch(tables); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (ownUse.contains(m.captured(1).toLower()))
            continue;
        QStringList columns;
        for (const QString& line : m.captured(2).split(QLatin1Char('\n'))) {
            const QString word = line.trimmed().section(QLatin1Char(' '), 0, 0).toLower();
            if (!word.isEmpty() && !word.startsWith(QStringLiteral("--")) && !notColumns.contains(word))
                columns << word;
        }
        schema.tables.insert(m.captured(1).toLower(), columns);
    }
    static const QRegularExpression index(R"(CREATE (UNIQUE )?INDEX (\w+) ON (\w+) \(([^)]*)\))");
    for (auto it = index.globalMatch(tables); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        schema.indexes.insert(m.captured(2).toLower(),
                              m.captured(1).toLower().trimmed() +
                                  normalised(m.captured(3) + '(' + m.captured(4) + ')'));
    }
    for (auto it = procedureName.globalMatch(procedures); it.hasNext();)
        schema.procedures << it.next().captured(1).toLower();
    schema.procedures.sort();
    return schema;
}

} // namespace

class SchemaSyncTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_sqlite =
            parse(DemoDatabase::schemaSql(), DemoDatabase::proceduresSql(),
                  QRegularExpression(R"(INTO sys_procedures \(name, params, body\) VALUES \('(\w+)')"));
        m_sqlServer = parse(DemoDatabase::sqlServerSchemaSql(), DemoDatabase::sqlServerProceduresSql(),
                            QRegularExpression(R"(CREATE PROCEDURE (\w+))"));
        m_postgres = parse(DemoDatabase::postgresSchemaSql(), DemoDatabase::postgresProceduresSql(),
                           QRegularExpression(R"(CREATE OR REPLACE FUNCTION (\w+)\()"));
        QVERIFY(m_sqlite.tables.size() >= 17);
        QVERIFY(m_sqlite.tables.value("mz_yjzx").contains("zxdh"));
        QVERIFY(m_sqlite.indexes.contains("mz_yjzx_zxdh"));
        QVERIFY(m_sqlite.procedures.contains("p_yjzx"));
    }

    void sameTablesAndColumns_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("SQL Server") << "sqlserver";
        QTest::newRow("PostgreSQL") << "postgresql";
    }
    void sameTablesAndColumns() {
        QFETCH(QString, engine);
        const Schema& other = engine == u"sqlserver" ? m_sqlServer : m_postgres;
        QCOMPARE(other.tables.keys(), m_sqlite.tables.keys());
        for (auto it = m_sqlite.tables.cbegin(); it != m_sqlite.tables.cend(); ++it)
            QVERIFY2(other.tables.value(it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(other.indexes, m_sqlite.indexes);
        // PostgreSQL has getdate() and helpers of its own beside the procedures.
        QStringList procedures = other.procedures;
        procedures.removeIf([](const QString& p) { return p == u"getdate" || p.startsWith(u"yj_number"); });
        QCOMPARE(procedures, m_sqlite.procedures);
    }

    // The audit trail is the part after the marker on every engine (what "audit install" runs),
    // and the table refuses changes and removals there by a trigger.
    void auditTrailIsAppendOnlyEverywhere_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("refuses");
        QTest::newRow("SQLite") << "sqlite"
                                << R"(BEFORE UPDATE ON YJGL_LOG.*BEFORE DELETE ON YJGL_LOG)";
        QTest::newRow("SQL Server") << "sqlserver"
                                    << R"(INSTEAD OF UPDATE, DELETE)";
        QTest::newRow("PostgreSQL") << "postgresql"
                                    << R"(BEFORE UPDATE OR DELETE OR TRUNCATE ON YJGL_LOG)";
    }
    void auditTrailIsAppendOnlyEverywhere() {
        QFETCH(QString, engine);
        QFETCH(QString, refuses);
        const QString audit = DemoDatabase::auditSql(engine);
        QVERIFY(audit.contains(QStringLiteral("CREATE TABLE YJGL_LOG (")));
        QVERIFY(audit.contains(QRegularExpression(refuses, QRegularExpression::DotMatchesEverythingOption)));
        QCOMPARE(m_sqlite.tables.value("yjgl_log").size(), 10);
    }

private:
    Schema m_sqlite;
    Schema m_sqlServer;
    Schema m_postgres;
};

QTEST_APPLESS_MAIN(SchemaSyncTest)
#include "schema_sync_test.moc"
