#include "db/ClientLibraries.h"

#include "common/core/LateLibrary.h"

namespace ClientLibraries {

namespace {

// What the user reads when a library is not installed.
QString missingText(const LateLibrary& library, const QString& purpose) {
    return QStringLiteral("找不到数据库客户端库 %1，无法%2（%3）。")
        .arg(library.soname(), purpose, library.error());
}

} // namespace

const Libpq& libpq() {
    static const Libpq api = [] {
        Libpq a;
        LateLibrary library(QStringLiteral(YJGL_LIBPQ_SONAME));
        library.resolve("PQsocket", &a.socket);
        library.resolve("PQstatus", &a.status);
        library.resolve("PQntuples", &a.ntuples);
        library.resolve("PQnfields", &a.nfields);
        library.resolve("PQgetisnull", &a.getisnull);
        library.resolve("PQgetvalue", &a.getvalue);
        library.resolve("PQgetlength", &a.getlength);
        if (!library.error().isEmpty())
            a.missing = missingText(library, QStringLiteral("连接 PostgreSQL 服务器"));
        return a;
    }();
    return api;
}

const Odbc& odbc() {
    static const Odbc api = [] {
        Odbc a;
        LateLibrary library(QStringLiteral(YJGL_ODBC_SONAME));
        library.resolve("SQLGetDiagRec", &a.getDiagRec);
        library.resolve("SQLGetInfo", &a.getInfo);
        library.resolve("SQLSetConnectAttr", &a.setConnectAttr);
        if (!library.error().isEmpty())
            a.missing = missingText(library, QStringLiteral("通过 ODBC 连接数据库"));
        return a;
    }();
    return api;
}

} // namespace ClientLibraries
