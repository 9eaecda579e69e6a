#include "admin/AdminDatabase.h"

#include "app/core/DatabaseSetFile.h"
#include "common/core/AES.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/StatementHelpers.h"

#include <QFileInfo>

bool AdminDatabase::connectionString(QString* text, AppError* error) {
    const QString settings = DatabaseSetFile::path();
    if (!QFileInfo::exists(settings)) {
        error->description = QStringLiteral("程序文件夹中没有DatabaseSet.data: %1").arg(settings);
        return false;
    }
    QStringList records;
    if (!DatabaseSetFile::readRecords(settings, {DatabaseSetFile::ConnectionString}, &records, error))
        return false;
    if (records.value(0).trimmed().isEmpty()) {
        error->description = QStringLiteral("DatabaseSet.data中没有连接字符串: %1").arg(settings);
        return false;
    }
    *text = records.first();
    return true;
}

bool AdminDatabase::connect(AppError* error) {
    QString text;
    if (!connectionString(&text, error))
        return false;
    Connection& connection = resetGlobalConnection(text);
    return connection.open(error);
}

bool AdminDatabase::sqliteFile(QString* file, AppError* error) {
    QString text;
    if (!connectionString(&text, error))
        return false;
    const ConnectionString cs = ConnectionString::parse(text);
    if (cs.kind() == ConnectionString::Kind::PostgreSQL) {
        error->description =
            QStringLiteral("DatabaseSet.data所指的是PostgreSQL数据库，不是嵌入式数据库；"
                           "PostgreSQL数据库请用PostgreSQL自己的工具（pg_dump、pg_restore）备份和恢复。");
        return false;
    }
    if (cs.kind() != ConnectionString::Kind::SQLite) {
        error->description = QStringLiteral(
            "DatabaseSet.data所指的不是嵌入式数据库；SQL Server数据库请用SQL Server自己的备份和还原。");
        return false;
    }
    *file = cs.sqliteFile();
    return true;
}

RecordsetPtr AdminDatabase::run(const QString& statement, AppError* error) {
    return gConn->execute(statement, error);
}

void AdminDatabase::print(const Recordset& rs, QTextStream& out) {
    const auto clean = [](QString text) {
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return text;
    };
    if (rs.fieldCount() == 0) // a statement without rows prints nothing
        return;
    QStringList heading;
    for (const QString& name : rs.fieldNames())
        heading << clean(name);
    out << heading.join(QLatin1Char('\t')) << '\n';
    for (const QVector<QVariant>& row : rs.rows()) {
        QStringList fields;
        for (const QVariant& value : row)
            fields << clean(Recordset::asText(value));
        out << fields.join(QLatin1Char('\t')) << '\n';
    }
    out.flush();
}

bool AdminDatabase::storeUnitName(const QString& name, AppError* error) {
    const QString cipher = AES().AddMiMa(name);
    RecordsetPtr rs = gConn->execute(QStringLiteral("Select top 1 id From HosPitalInfo order by id"), error);
    if (!rs)
        return false;
    const QString statement =
        rs->RecordCount() > 0
            ? QStringLiteral("Update HosPitalInfo Set DWMC=%1 Where id=%2").arg(SqlText(cipher), rs->text(0))
            : QStringLiteral("Insert Into HosPitalInfo(DWMC) Values(%1)").arg(SqlText(cipher));
    return gConn->execute(statement, error) != nullptr;
}
