#include "db/OdbcDriverInfo.h"

#include "db/ClientLibraries.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>

#include <sqlext.h>

namespace {

// Qt hands the driver's handles out as a QVariant holding a SQLHANDLE (a void pointer).
SQLHANDLE handleOf(const QVariant& v) {
    if (!v.isValid() || v.metaType().sizeOf() != int(sizeof(SQLHANDLE)))
        return nullptr;
    const QByteArray type = v.typeName();
    if (type != "SQLHANDLE" && type != "void*")
        return nullptr;
    return *static_cast<const SQLHANDLE*>(v.constData());
}

QString firstState(SQLSMALLINT type, SQLHANDLE handle) {
    const ClientLibraries::Odbc& odbc = ClientLibraries::odbc();
    if (!handle || !odbc.missing.isEmpty())
        return {};
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[8] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN r = odbc.getDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
        return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(state));
}

bool isOdbc(const QSqlDatabase& db) {
    return db.driver() && db.driverName() == u"QODBC";
}

} // namespace

namespace OdbcDriverInfo {

QString dbmsName(const QSqlDatabase& db) {
    if (!isOdbc(db) || !db.isOpen())
        return {};
    const SQLHANDLE dbc = handleOf(db.driver()->handle());
    const ClientLibraries::Odbc& odbc = ClientLibraries::odbc();
    if (!dbc || !odbc.missing.isEmpty())
        return {};
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN r = odbc.getInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length);
    if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(name)).trimmed();
}

QString sqlState(const QSqlQuery& query) {
    // handleOf() takes only the QODBC statement handle (QPSQL hands out a PGresult*).
    const QSqlResult* result = query.result();
    if (!result)
        return {};
    return firstState(SQL_HANDLE_STMT, handleOf(result->handle()));
}

QString sqlState(const QSqlDatabase& db) {
    if (!isOdbc(db))
        return {};
    return firstState(SQL_HANDLE_DBC, handleOf(db.driver()->handle()));
}

} // namespace OdbcDriverInfo
