#pragma once

#include <QString>

#include <libpq-fe.h>
#include <sql.h>

// The database client libraries the connections call beside Qt's drivers, loaded with the first
// connection of their kind: the program starts without them (libpq alone brings LDAP, Kerberos
// and GnuTLS). The drivers hand out the handles these calls take.
namespace ClientLibraries {

struct Libpq {
    decltype(&PQsocket) socket = nullptr;
    decltype(&PQstatus) status = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQnfields) nfields = nullptr;
    decltype(&PQgetisnull) getisnull = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQgetlength) getlength = nullptr;
    QString missing; // empty once the library and every entry were found
};

struct Odbc {
    decltype(&SQLGetDiagRec) getDiagRec = nullptr;
    decltype(&SQLGetInfo) getInfo = nullptr;
    decltype(&SQLSetConnectAttr) setConnectAttr = nullptr;
    QString missing;
};

// Loaded on the first call; usable when `missing` is empty.
const Libpq& libpq();
const Odbc& odbc();

} // namespace ClientLibraries
