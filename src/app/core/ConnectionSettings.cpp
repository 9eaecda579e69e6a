#include "app/core/ConnectionSettings.h"

#include "app/core/DatabaseSetFile.h"
#include "common/core/AnsiCodec.h"
#include "db/audit/AuditTrail.h"

QString BuildConnectionString(const ConnectionSettings& s) {
    if (s.engine == ConnectionString::Kind::SQLite)
        return QStringLiteral("Provider=SQLite;Data Source=") + s.server + QStringLiteral(";");
    if (s.engine == ConnectionString::Kind::Odbc) {
        // An empty field would override the data source's own setting with nothing.
        QString text = QStringLiteral("DSN=") + s.server + QStringLiteral(";");
        if (!s.database.isEmpty())
            text += QStringLiteral("DATABASE=") + s.database + QStringLiteral(";");
        if (!s.user.isEmpty())
            text += QStringLiteral("UID=") + s.user + QStringLiteral(";");
        if (!s.password.isEmpty())
            text += QStringLiteral("PWD=") + s.password + QStringLiteral(";");
        return text;
    }
    if (s.engine == ConnectionString::Kind::PostgreSQL)
        return QStringLiteral("Provider=PostgreSQL;Data Source=") + s.server +
               QStringLiteral(";Initial Catalog=") + s.database + QStringLiteral(";User ID=") + s.user +
               QStringLiteral(";Password=") + s.password + QStringLiteral(";");
    return QStringLiteral("Provider=sqloledb;Data Source=") + s.server + QStringLiteral(";Initial Catalog=") +
           s.database + QStringLiteral(";User ID=") + s.user + QStringLiteral(";Password=") + s.password +
           QStringLiteral(";");
}

bool ReadConnectionString(QString* connection, AppError* error) {
    QStringList texts;
    const bool ok = DatabaseSetFile::readRecords(DatabaseSetFile::path(), {DatabaseSetFile::ConnectionString},
                                                 &texts, error);
    if (connection)
        *connection = ok ? texts.value(0) : QString();
    return ok;
}

bool LoadSettings(ConnectionSettings* settings, AppError* error) {
    QStringList t;
    if (!DatabaseSetFile::readRecords(DatabaseSetFile::path(), {2, 3, 4, 5, 6, 7}, &t, error))
        return false;
    // A damaged record 1 has been reported by start-up already: the fields records then count.
    QStringList first;
    if (!DatabaseSetFile::readRecords(DatabaseSetFile::path(), {DatabaseSetFile::ConnectionString}, &first,
                                      nullptr))
        first.clear();
    const ConnectionString stored = ConnectionString::parse(first.value(0));
    const ConnectionString::Kind engine = stored.kind();
    if (engine == ConnectionString::Kind::SqlServer || engine == ConnectionString::Kind::PostgreSQL ||
        engine == ConnectionString::Kind::SQLite || engine == ConnectionString::Kind::Odbc) {
        // The connection in use is what the user sees and corrects, whatever its engine; for an
        // ODBC data source the server field holds its name.
        const QString server = engine == ConnectionString::Kind::Odbc
                                   ? stored.value(QStringLiteral("dsn"))
                                   : stored.value(QStringLiteral("data source"));
        if (settings)
            *settings = {server, stored.value(QStringLiteral("initial catalog")),
                         stored.value(QStringLiteral("user id")), stored.value(QStringLiteral("password")),
                         engine};
        return true;
    }
    if (settings) {
        settings->server = t.value(0);
        settings->database = t.value(3);
        settings->user = t.value(4);
        settings->password = t.value(5);
        settings->engine = ConnectionString::Kind::Empty;
    }
    return true;
}

bool FitsSettingsFile(const ConnectionSettings& s) {
    for (const QString& text : {BuildConnectionString(s), s.server, s.database, s.user, s.password}) {
        if (AnsiCodec::encode(text).size() > DatabaseSetFile::MaxTextBytes)
            return false;
    }
    return true;
}

namespace {

// The embedded database is named in record 1 only; its server fields stay empty. Saving four
// empty fields over it would leave a server connection with no server and lose the database.
bool KeepsEmbeddedConnection(const ConnectionSettings& s) {
    if (!s.server.isEmpty() || !s.database.isEmpty() || !s.user.isEmpty() || !s.password.isEmpty())
        return false;
    QStringList texts;
    if (!DatabaseSetFile::readRecords(DatabaseSetFile::path(), {DatabaseSetFile::ConnectionString}, &texts,
                                      nullptr))
        return false;
    return texts.value(0).trimmed().startsWith(QStringLiteral("Provider=SQLite"), Qt::CaseInsensitive);
}

} // namespace

bool SaveSettings(const ConnectionSettings& s, AppError* error) {
    using namespace DatabaseSetFile;
    QMap<int, QString> records{
        {Server, s.server}, {Database, s.database}, {User, s.user}, {Password, s.password}};
    if (!KeepsEmbeddedConnection(s))
        records.insert(DatabaseSetFile::ConnectionString, BuildConnectionString(s));
    if (!writeRecords(path(), records, error))
        return false;
    // Written to the trail once the program is connected again (the password never is).
    AuditTrail::recordLater(
        AuditTrail::entryFor(AuditAction::ConnectionSettings, {},
                             QStringLiteral("服务器%1，数据库%2，用户%3").arg(s.server, s.database, s.user)));
    return true;
}
