// The audit trail: rows chained by their digests, refused changes, and every way of rewriting
// history behind the program's back found by the walk.
#include "common/core/Clock.h"
#include "db/Connection.h"
#include "db/audit/AuditStatements.h"
#include "db/audit/AuditTrail.h"
#include "db/demo/DemoDatabase.h"
#include "support/TestFolder.h"

#include <QtTest>

#include <sqlite3.h>

namespace {

// Runs statements on the file as somebody with the database's own tools would: triggers dropped.
void tamper(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    const QString all = QStringLiteral("DROP TRIGGER IF EXISTS YJGL_LOG_NO_UPDATE;"
                                       "DROP TRIGGER IF EXISTS YJGL_LOG_NO_DELETE;") +
                        sql;
    char* message = nullptr;
    const int rc = sqlite3_exec(db, all.toUtf8().constData(), nullptr, nullptr, &message);
    const QString text = QString::fromUtf8(message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(text));
}

AuditChain::Walker walked(const AuditChain::Mark& watched = {}) {
    AuditChain::Walker walker;
    if (watched.isValid())
        walker.watch(watched);
    AppError error;
    if (!AuditTrail::walk(&walker, &error))
        qWarning() << error.description;
    return walker;
}

} // namespace

class AuditTrailTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_folder = std::make_unique<TestFolder>();
        m_file = m_folder->file(QStringLiteral("hospital.db"));
        AppError error;
        QVERIFY2(DemoDatabase::create(m_file, DemoOptions{0, {}, 1}, &error), qPrintable(error.description));
        connect();
        Clock::setFixedNow(QDateTime(QDate(2026, 12, 7), QTime(9, 30)));
        for (int i = 1; i <= 5; ++i)
            QVERIFY(AuditTrail::appendAlone({QStringLiteral("李检验"), QStringLiteral("检验科"),
                                             AuditAction::Execute, QStringLiteral("D%1").arg(i),
                                             QStringLiteral("第%1次").arg(i)},
                                            &error));
    }
    void cleanup() {
        Clock::setFixedNow({});
        gConn->close();
        m_folder.reset();
    }

    void chainHoldsAndWorkstationKeepsItsLastRow() {
        const AuditChain::Walker walker = walked();
        QCOMPARE(walker.fault(), AuditChain::Fault::None);
        QCOMPARE(walker.rows(), 5);
        AuditChain::Mark local;
        QString problem;
        QVERIFY(AuditChain::readMark(AuditTrail::localMarkPath(), &local, &problem));
        QCOMPARE(local.xh, 5);
        QCOMPARE(local.zy, walker.head().zy);
        AppError error;
        QVERIFY(AuditTrail::checkLocalMark(&problem, &error));
    }

    void tableRefusesUpdateAndDelete() {
        AppError error;
        QVERIFY(!gConn->execute(QStringLiteral("Update YJGL_LOG Set XQ='x' Where XH=2"), &error));
        QVERIFY(error.description.contains(QStringLiteral("只能追加")));
        QVERIFY(!gConn->execute(QStringLiteral("Delete From YJGL_LOG Where XH=5"), &error));
        QCOMPARE(walked().rows(), 5);
    }

    void rewritingIsFound_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("at");
        QTest::newRow("changed") << "UPDATE YJGL_LOG SET XQ = '第9次' WHERE XH = 3"
                                 << int(AuditChain::Fault::Changed) << 3;
        QTest::newRow("removed") << "DELETE FROM YJGL_LOG WHERE XH = 2" << int(AuditChain::Fault::Removed)
                                 << 2;
    }
    void rewritingIsFound() {
        QFETCH(QString, sql);
        QFETCH(int, fault);
        QFETCH(int, at);
        tamper(m_file, sql);
        const AuditChain::Walker walker = walked();
        QCOMPARE(int(walker.fault()), fault);
        QCOMPARE(walker.faultAt(), at);
        if (fault != int(AuditChain::Fault::None))
            QVERIFY(walker.message().contains(QString::number(at)));
    }

    void rowInsertedOutOfOrderIsFound() {
        // A row of its own making whose digest fits its content, but chained to row 4, not 5.
        AppError error;
        const RecordsetPtr fourth = gConn->execute(AuditSql::row(4), &error);
        QVERIFY(fourth && fourth->RecordCount() == 1);
        AuditRow row = AuditTrail::rowAt(*fourth);
        row.xh = 6;
        row.qzy = row.zy;
        row.zy = AuditChain::digest(row);
        QVERIFY(gConn->execute(AuditSql::insert(row), &error));
        const AuditChain::Walker walker = walked();
        QCOMPARE(walker.fault(), AuditChain::Fault::OutOfOrder);
        QCOMPARE(walker.faultAt(), 6);
    }

    void anchorFindsCutTailAndRecomputedChain() {
        const AuditChain::Mark anchor = walked().head();
        QCOMPARE(walked(anchor).fault(), AuditChain::Fault::None);
        // The last row rewritten and chained again: every digest fits, the anchor does not.
        tamper(m_file, QStringLiteral("DELETE FROM YJGL_LOG WHERE XH = 5;"));
        AuditChain::Walker cut = walked(anchor);
        QVERIFY(!cut.heldWatched());
        QCOMPARE(cut.fault(), AuditChain::Fault::AnchorMissing);
        AppError error;
        QVERIFY(AuditTrail::appendAlone({QStringLiteral("某人"), {}, AuditAction::Execute, {}, {}}, &error));
        AuditChain::Walker recomputed = walked(anchor);
        QVERIFY(!recomputed.heldWatched());
        QCOMPARE(recomputed.fault(), AuditChain::Fault::AnchorDiffers);
    }

    void workstationSeesItsLastRowGone() {
        tamper(m_file, QStringLiteral("DELETE FROM YJGL_LOG WHERE XH = 5;"));
        QString problem;
        AppError error;
        QVERIFY(!AuditTrail::checkLocalMark(&problem, &error));
        QVERIFY(problem.contains(QStringLiteral("第 5 条")));
    }

    void withoutTheTableNothingIsWrittenAndTheNoticeComesOnce() {
        gConn->close();
        tamper(m_file, QStringLiteral("DROP TABLE YJGL_LOG;"));
        connect();
        QVERIFY(!AuditTrail::isOn());
        AppError error;
        QVERIFY(AuditTrail::appendAlone({QStringLiteral("李检验"), {}, AuditAction::SignIn, {}, {}}, &error));
        QVERIFY(AuditTrail::takeOffNotice());
        QVERIFY(!AuditTrail::takeOffNotice());
    }

    // A change and its row commit together; a failed change leaves only its failure's row.
    void changeAndItsRowCommitTogether() {
        const auto insertEntry = [](const QString& text) {
            return [text](AppError* e) {
                return gConn->execute(
                           QStringLiteral("Insert into CS(Controlid,DM,DMMC) Values ('ZXKS','X','%1')")
                               .arg(text),
                           e) != nullptr;
            };
        };
        const AuditEntry entry{
            QStringLiteral("管理员"), {}, AuditAction::DictionaryEdit, {}, QStringLiteral("字典【ZXKS】")};
        AppError error;
        QVERIFY(AuditTrail::withRow(entry, insertEntry(QStringLiteral("新科室")), &error));
        QVERIFY(!AuditTrail::withRow(
            entry,
            [&](AppError* e) {
                return insertEntry(QStringLiteral("坏科室"))(e) && gConn->execute("Bad SQL", e) != nullptr;
            },
            &error));
        QCOMPARE(count(QStringLiteral("CS Where DMMC In ('新科室','坏科室')")), 1);
        const AuditChain::Walker walker = walked();
        QCOMPARE(walker.fault(), AuditChain::Fault::None);
        QCOMPARE(walker.rows(), 7);
        QCOMPARE(lastRow().cz, AuditAction::DictionaryEdit + AuditAction::FailedSuffix);
        QVERIFY(lastRow().xq.startsWith(entry.detail));
    }

    // A changed connection setting waits for the connection and goes before the next row.
    void rowsWaitingForTheConnectionComeFirst() {
        AuditTrail::recordLater({{}, {}, AuditAction::ConnectionSettings, {}, QStringLiteral("服务器S")});
        AuditTrail::record({QStringLiteral("管理员"), {}, AuditAction::SignIn, {}, {}});
        AppError error;
        const RecordsetPtr rs = gConn->execute(AuditSql::row(6), &error);
        QVERIFY(rs && rs->RecordCount() == 1);
        QCOMPARE(AuditTrail::rowAt(*rs).cz, AuditAction::ConnectionSettings);
        QCOMPARE(lastRow().cz, AuditAction::SignIn);
        AuditTrail::record({QStringLiteral("管理员"), {}, AuditAction::SignOut, {}, {}});
        QCOMPARE(walked().rows(), 8); // the waiting row is written once
    }

    // At start the workstation says once that the chain lost its last row, before writing any.
    void startTellsWhenTheChainLostTheWorkstationsRow() {
        gConn->close();
        tamper(m_file, QStringLiteral("DELETE FROM YJGL_LOG WHERE XH = 5;"));
        connect();
        AuditTrail::record({QStringLiteral("李检验"), {}, AuditAction::SignIn, {}, {}});
        QVERIFY(AuditTrail::startNotice().contains(QStringLiteral("第 5 条")));
        QVERIFY(AuditTrail::startNotice().isEmpty());
    }

    void installAddsTheTableOnce() {
        gConn->close();
        tamper(m_file, QStringLiteral("DROP TABLE YJGL_LOG;"));
        const QString connection = QStringLiteral("Provider=SQLite;Data Source=%1;").arg(m_file);
        bool added = false;
        AppError error;
        QVERIFY2(DemoDatabase::installAuditTrail(connection, &added, &error), qPrintable(error.description));
        QVERIFY(added);
        QVERIFY(DemoDatabase::installAuditTrail(connection, &added, &error));
        QVERIFY(!added);
        connect();
        QVERIFY(AuditTrail::isOn());
        QVERIFY(AuditTrail::appendAlone({QStringLiteral("李检验"), {}, AuditAction::SignIn, {}, {}}, &error));
        QVERIFY(!gConn->execute(QStringLiteral("Delete From YJGL_LOG"), &error));
        QCOMPARE(walked().rows(), 1);
    }

private:
    int count(const QString& fromWhere) {
        const RecordsetPtr rs = gConn->execute(QStringLiteral("Select count(*) From ") + fromWhere);
        return rs && rs->RecordCount() > 0 ? rs->value(0).toInt() : -1;
    }
    AuditRow lastRow() {
        const RecordsetPtr head = gConn->execute(AuditSql::head());
        const RecordsetPtr rs = head ? gConn->execute(AuditSql::row(head->value(0).toLongLong())) : nullptr;
        return rs && rs->RecordCount() > 0 ? AuditTrail::rowAt(*rs) : AuditRow{};
    }
    void connect() {
        AppError error;
        Connection& connection =
            resetGlobalConnection(QStringLiteral("Provider=SQLite;Data Source=%1;").arg(m_file));
        QVERIFY2(connection.open(&error), qPrintable(error.description));
    }

    std::unique_ptr<TestFolder> m_folder;
    QString m_file;
};

QTEST_GUILESS_MAIN(AuditTrailTest)
#include "tst_audit_trail.moc"
