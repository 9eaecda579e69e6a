#pragma once

#include "common/core/AppError.h"

#include <QDate>
#include <QString>
#include <QStringList>

struct DemoOptions {
    // Outpatient and inpatient documents together; 0 gives only users, dictionaries and the
    // catalogue.
    int documents = 300;
    // The day the data ends on; invalid means Clock::today().
    QDate today;
    quint32 seed = 20261207;
};

// Creates an embedded hospital database: tables, stored procedures, indexes and demo data a
// community hospital would recognise. Tests use small ones; yjgl-admin makes large ones.
class DemoDatabase {
public:
    // Replaces dbFile. False with `error` filled when anything fails (the file is then removed).
    static bool create(const QString& dbFile, const DemoOptions& options, AppError* error);
    // The same on the PostgreSQL server named by a "Provider=PostgreSQL;..." string: the database
    // is created when missing; one that already holds the hospital tables is left alone (false).
    static bool createOnServer(const QString& connectionString, const DemoOptions& options, AppError* error);

    // Adds the audit trail (the part of the schema after the audit marker: YJGL_LOG, its index
    // and the triggers that keep it append-only) to the existing database that the connection
    // string names. A database that has the table already is left alone (true, `added` false).
    static bool installAuditTrail(const QString& connectionString, bool* added, AppError* error);
    // That part of an engine's schema ("sqlite", "sqlserver", "postgresql").
    static QString auditSql(const QString& engine);

    // The texts embedded in the program.
    static QString schemaSql();     // tables first, then the indexes after the marker line
    static QString proceduresSql(); // inserts into sys_procedures
    static QString sqlServerSchemaSql();
    static QString sqlServerProceduresSql();
    static QString postgresSchemaSql();     // tables first, then the indexes after the marker line
    static QString postgresProceduresSql(); // PL/pgSQL functions

    // Facts of the demo data that tests and tools rely on.
    static QStringList departments();  // the 'ZXKS' entries of CS, in order
    static QString hospitalName();     // the unit name stored enciphered
    static QString defaultPassword();  // every demo user's password
    static QString userWithoutRight(); // a user whose group lacks 'YJXT_IN'
};
