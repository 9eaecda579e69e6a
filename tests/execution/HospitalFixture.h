#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

class ServerTestDatabase;
class TestFolder;

// A small hospital database for one test: the demo catalogue and users without demo documents,
// gConn open on it, the clock fixed at 09:00 of today(), 检验科 chosen and 张三 signed in.
// Documents are added by the test. Embedded, or on the PostgreSQL test server when the test runs
// on it (TestEngine).
class HospitalFixture {
public:
    struct Item {
        QString bm;
        QVariant group;
        double dj = 1;
        double ssje = 1;
        int sfbz = 1; // paid
    };

    explicit HospitalFixture(const TestFolder& folder);
    ~HospitalFixture();

    bool isReady() const { return m_ready; }
    QString error() const { return m_error; }
    QString dbFile() const { return m_dbFile; }
    QString connectionString() const;

    static QDate today() { return QDate(2026, 12, 7); }
    static QDateTime at(int daysBack, int hour, int minute = 0, int second = 0);
    static QString dept() { return QStringLiteral("检验科"); }
    static QString user() { return QStringLiteral("张三"); }

    void addOutpatient(const QString& dh, const QString& xm, const QDateTime& kdrq, const QList<Item>& items,
                       const QVariant& isPrint = {});
    void addInpatient(const QString& dh, const QString& xm, const QString& zyh, const QString& cwh,
                      const QDateTime& kdrq, const QList<Item>& items, const QVariant& isPrint = {});
    // A catalogue entry executed by `zxks`.
    void addCatalogueItem(const QString& bm, const QString& name, const QString& zxks, const QVariant& kcl,
                          const QVariant& sfjkc, const QVariant& clb);

    bool exec(const QString& sql);
    QVariant scalar(const QString& sql);
    int count(const QString& sqlFromWhere); // "select count(*) " + the text

    // Statement traces with each statement of the audit trail (whose texts its own test pins)
    // as the one marker auditStatement.
    static inline const QString auditStatement = QStringLiteral("[YJGL_LOG]");
    static QStringList auditMarked(QStringList statements) {
        for (QString& s : statements) {
            if (s.contains(QLatin1String("YJGL_LOG"), Qt::CaseInsensitive))
                s = auditStatement;
        }
        return statements;
    }

private:
    void addItems(const QString& table, const QString& dh, const QList<Item>& items);

    QString m_dbFile;
    std::unique_ptr<ServerTestDatabase> m_server;
    QString m_error;
    bool m_ready = false;
};
