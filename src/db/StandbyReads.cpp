#include "db/StandbyReads.h"

#include "common/core/CIniFile.h"
#include "common/core/ProgramFolder.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/DbErrors.h"
#include "db/StatementHelpers.h"

#include <QCoreApplication>

#include <memory>

namespace StandbyReads {

namespace {

std::unique_ptr<Connection>& reader() {
    static std::unique_ptr<Connection> connection;
    // Closed while Qt's driver registry still exists, like gConn.
    static const bool closesWithApplication = [] {
        if (QCoreApplication::instance())
            qAddPostRoutine(&StandbyReads::close);
        return true;
    }();
    Q_UNUSED(closesWithApplication);
    return connection;
}

// gConn's connection string, asking for a standby first.
QString readingConnectionString() {
    QString text = gConn->connectionString().trimmed();
    if (!text.isEmpty() && !text.endsWith(u';'))
        text += u';';
    return text + QStringLiteral("Target Session Attrs=prefer-standby;");
}

} // namespace

bool enabled() {
    if (!gConn ||
        ConnectionString::parse(gConn->connectionString()).kind() != ConnectionString::Kind::PostgreSQL)
        return false;
    return CIniFile::profileInt(ProgramFolder::userFile(QStringLiteral("YJGL.ini")),
                                QStringLiteral("Database"), QStringLiteral("QueriesFromStandby"), 0) != 0;
}

bool OpenRsForQuery(RecordsetPtr& rs, const QString& sql, AppError* error) {
    rs.reset();
    if (!enabled()) {
        close();
        return OpenRsQuiet(rs, sql, error);
    }
    auto& connection = reader();
    const QString wanted = readingConnectionString();
    if (!connection || connection->connectionString() != wanted) {
        connection = std::make_unique<Connection>();
        connection->setConnectionString(wanted);
    }
    AppError ignored;
    if (!connection->isOpen() && !connection->open(&ignored))
        return OpenRsQuiet(rs, sql, error); // the primary answers as well
    AppError failure;
    rs = connection->execute(sql, &failure);
    if (rs)
        return true;
    if (error)
        *error = failure;
    if (DbError::needsReconnect(failure.number))
        connection->close();
    return false;
}

void close() {
    reader().reset();
}

} // namespace StandbyReads
