#include "HospitalFixture.h"

#include "common/core/Clock.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "db/demo/DemoDatabase.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

namespace {
QString when(const QDateTime& t) {
    return SqlText(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}
QString value(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::QString)
        return SqlText(v.toString());
    return v.toString();
}
} // namespace

HospitalFixture::HospitalFixture(const TestFolder& folder)
    : m_dbFile(folder.file(QStringLiteral("hospital.db"))) {
    Clock::setFixedNow(at(0, 9));
    DemoOptions options;
    options.documents = 0;
    options.today = today();
    AppError error;
    if (TestEngine::onPostgres()) {
        m_server = std::make_unique<ServerTestDatabase>(options);
        if (!m_server->isReady()) {
            m_error = m_server->error();
            return;
        }
    } else if (!DemoDatabase::create(m_dbFile, options, &error)) {
        m_error = error.description;
        return;
    }
    resetGlobalConnection(connectionString());
    if (!gConn->open(&error)) {
        m_error = error.description;
        return;
    }
    gExecDept = dept();
    currentUser().GetUserName = user();
    m_ready = true;
}

HospitalFixture::~HospitalFixture() {
    if (gConn)
        gConn->close();
    Clock::setFixedNow({});
}

QString HospitalFixture::connectionString() const {
    if (m_server)
        return m_server->connectionString();
    return QStringLiteral("Provider=SQLite;Data Source=") + m_dbFile + QLatin1Char(';');
}

QDateTime HospitalFixture::at(int daysBack, int hour, int minute, int second) {
    return QDateTime(today().addDays(-daysBack), QTime(hour, minute, second));
}

bool HospitalFixture::exec(const QString& sql) {
    AppError error;
    if (!gConn->execute(sql, &error)) {
        m_error = error.description + QStringLiteral(" in ") + sql;
        qWarning("%s", qPrintable(m_error));
        return false;
    }
    return true;
}

QVariant HospitalFixture::scalar(const QString& sql) {
    AppError error;
    RecordsetPtr rs = gConn->execute(sql, &error);
    if (!rs || rs->RecordCount() == 0)
        return {};
    rs->MoveFirst();
    return rs->value(0);
}

int HospitalFixture::count(const QString& sqlFromWhere) {
    return scalar(QStringLiteral("select count(*) ") + sqlFromWhere).toInt();
}

void HospitalFixture::addOutpatient(const QString& dh, const QString& xm, const QDateTime& kdrq,
                                    const QList<Item>& items, const QVariant& isPrint) {
    exec(QStringLiteral("INSERT INTO mz_kfdj (DH, XM, XB, NL, KDYS, KDRQ, SFBZ, IsPrint) VALUES (") +
         SqlText(dh) + QLatin1Char(',') + SqlText(xm) + QStringLiteral(",'女','35岁','李医生',") +
         when(kdrq) + QStringLiteral(",1,") + value(isPrint) + QLatin1Char(')'));
    addItems(QStringLiteral("MZ_KFDJMX"), dh, items);
}

void HospitalFixture::addInpatient(const QString& dh, const QString& xm, const QString& zyh,
                                   const QString& cwh, const QDateTime& kdrq, const QList<Item>& items,
                                   const QVariant& isPrint) {
    exec(QStringLiteral("INSERT INTO ZY_KFDJ (DH, ZYH, CWH, XM, XB, NL, KDYS, KDRQ, IsPrint) VALUES (") +
         SqlText(dh) + QLatin1Char(',') + SqlText(zyh) + QLatin1Char(',') + SqlText(cwh) + QLatin1Char(',') +
         SqlText(xm) + QStringLiteral(",'男','60岁','王医生',") + when(kdrq) + QLatin1Char(',') +
         value(isPrint) + QLatin1Char(')'));
    addItems(QStringLiteral("ZY_KFDJMX"), dh, items);
}

void HospitalFixture::addItems(const QString& table, const QString& dh, const QList<Item>& items) {
    for (const Item& item : items)
        exec(QStringLiteral("INSERT INTO ") + table +
             QStringLiteral(" (DH, GroupYP, BM, PM, GG, DW, SL, DJ, SSJE, SFBZ) SELECT ") + SqlText(dh) +
             QLatin1Char(',') + value(item.group) + QLatin1Char(',') + SqlText(item.bm) +
             QStringLiteral(", YPMC, GG, DW, 1, ") + QString::number(item.dj, 'g', 17) + QLatin1Char(',') +
             QString::number(item.ssje, 'g', 17) + QLatin1Char(',') + QString::number(item.sfbz) +
             QStringLiteral(" FROM YF_YPML WHERE YPBM=") + SqlText(item.bm));
}

void HospitalFixture::addCatalogueItem(const QString& bm, const QString& name, const QString& zxks,
                                       const QVariant& kcl, const QVariant& sfjkc, const QVariant& clb) {
    exec(QStringLiteral("INSERT INTO YF_YPML (YPBM, YPMC, GG, DW, DJ, LX, ZXKS, KCL, SFJKC, CLB) VALUES (") +
         SqlText(bm) + QLatin1Char(',') + SqlText(name) + QStringLiteral(",'规格','次',1,'检验',") +
         SqlText(zxks) + QLatin1Char(',') + value(kcl) + QLatin1Char(',') + value(sfjkc) + QLatin1Char(',') +
         value(clb) + QLatin1Char(')'));
}
