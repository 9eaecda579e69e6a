#pragma once

#include "common/core/AppError.h"
#include "db/ConnectionString.h"

#include <QString>

// The four fields of the connection-settings dialog, and the engine of the stored connection
// they came from (Empty: none, a SQL Server connection is built).
struct ConnectionSettings {
    QString server;
    QString database;
    QString user;
    QString password;
    ConnectionString::Kind engine = ConnectionString::Kind::Empty;

    bool sameFields(const ConnectionSettings& other) const {
        return server == other.server && database == other.database && user == other.user &&
               password == other.password;
    }
};

// "Provider=sqloledb;Data Source={server};Initial Catalog={database};User ID={user};Password={password};"
// with the fields inserted as typed. A PostgreSQL connection keeps its provider and the same
// fields; the embedded database keeps its provider with the server field as its file; an ODBC
// data source is "DSN={server};" followed by DATABASE=, UID= and PWD= for the fields not empty.
QString BuildConnectionString(const ConnectionSettings& settings);

// The file routines show nothing; start-up and the settings dialog show a failure
// (app/SettingsMessages.h).

// Record 1 of DatabaseSet.data; after a failure `connection` is empty and `error` says why.
[[nodiscard]] bool ReadConnectionString(QString* connection, AppError* error);

// The fields of the connection in record 1, whatever its engine; when record 1 names no known
// engine, records 2, 5, 6 and 7 (3 and 4 are read and ignored). A failure leaves `settings` as
// it was and fills `error`.
[[nodiscard]] bool LoadSettings(ConnectionSettings* settings, AppError* error);

// True when the connection string and each field fit into a record of DatabaseSet.data.
bool FitsSettingsFile(const ConnectionSettings& settings);

// Writes records 1, 2, 5, 6 and 7; records 3 and 4 stay. Record 1 also stays when it names the
// embedded database and all four fields are empty. After a failure nothing is written.
[[nodiscard]] bool SaveSettings(const ConnectionSettings& settings, AppError* error);
