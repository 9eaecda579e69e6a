#include "admin/AdminCommands.h"

#include "admin/AdminDatabase.h"
#include "admin/AuditCommand.h"
#include "admin/ExportCommand.h"
#include "admin/LunarCommand.h"
#include "app/core/DatabaseSetFile.h"
#include "common/core/AES.h"
#include "common/core/AnsiCodec.h"
#include "common/core/ProgramFolder.h"
#include "db/ConnectionString.h"
#include "db/SqliteBackup.h"
#include "db/TsqlAdapter.h"
#include "db/demo/DemoDatabase.h"
#include "tools/core/AboutTexts.h"

#include <QDir>

#include <QElapsedTimer>
#include <QFileInfo>
#include <cctype>

#include <sys/stat.h>

namespace {

int usageError(AdminIo& io, const AdminCommand& command) {
    io.err << "用法: yjgl-admin " << command.name << ' ' << command.usage << Qt::endl;
    return 2;
}

const AdminCommand& commandNamed(const QString& name) {
    for (const AdminCommand& c : adminCommands()) {
        if (c.name == name)
            return c;
    }
    static const AdminCommand none{};
    return none;
}

bool groupSharedFolder(const QString& folder) {
    struct stat info {};
    return ::stat(QFile::encodeName(folder).constData(), &info) == 0 && (info.st_mode & S_ISGID);
}

int initDemo(const QStringList& args, AdminIo& io) {
    DemoOptions options;
    QString folder;
    QString server; // a "Provider=PostgreSQL;..." string; empty: the embedded database
    bool replace = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--documents") && i + 1 < args.size()) {
            bool ok = false;
            options.documents = args[++i].toInt(&ok);
            if (!ok || options.documents < 0) {
                io.err << "单据数必须是不小于0的整数: " << args[i] << Qt::endl;
                return 2;
            }
        } else if (args[i] == QLatin1String("--connection") && i + 1 < args.size() && server.isEmpty()) {
            server = args[++i];
        } else if (args[i] == QLatin1String("--replace") && !replace) {
            replace = true;
        } else if (folder.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            folder = args[i];
        } else {
            return usageError(io, commandNamed(QStringLiteral("init-demo")));
        }
    }
    // Without a folder the demo goes where the program looks for its settings.
    if (folder.isEmpty())
        folder = ProgramFolder::path();
    if (!server.isEmpty() && ConnectionString::parse(server).kind() != ConnectionString::Kind::PostgreSQL) {
        io.err << "--connection 须是 PostgreSQL 的连接字符串（Provider=PostgreSQL;Data Source=...;）: "
               << server << Qt::endl;
        return 2;
    }
    if (replace && !server.isEmpty()) {
        io.err << "--replace 只用于嵌入式数据库；PostgreSQL 数据库已有表时不会被改动" << Qt::endl;
        return 2;
    }
    if (!QDir().mkpath(folder)) {
        io.err << "无法建立文件夹: " << folder << Qt::endl;
        return 1;
    }
    const QString dbFile = QFileInfo(QDir(folder).filePath(QStringLiteral("hospital.db"))).absoluteFilePath();
    const QString connection =
        server.isEmpty()
            ? QStringLiteral("Provider=SQLite;Data Source=%1;").arg(QDir::toNativeSeparators(dbFile))
            : server;
    // A database that is there holds a hospital's data: replaced only when asked to, and never
    // under a workstation that has it open.
    if (server.isEmpty() && (QFileInfo::exists(dbFile) || QFileInfo(dbFile).isSymLink())) {
        if (!replace) {
            io.err << "数据库文件“" << QDir::toNativeSeparators(dbFile)
                   << "”已经存在，没有改变。要用演示数据替换它（原有数据全部丢失），请加 --replace。"
                   << Qt::endl;
            return 1;
        }
        if (SqliteBackup::openElsewhere(dbFile)) {
            io.err << "数据库“" << QDir::toNativeSeparators(dbFile)
                   << "”正被其他程序使用，没有替换。请先让所有工作站退出医技管理。" << Qt::endl;
            return 1;
        }
    }
    // Check that the connection string fits before spending minutes on the data.
    if (AnsiCodec::encode(connection).size() > DatabaseSetFile::MaxTextBytes) {
        io.err << (server.isEmpty() ? "数据库路径太长" : "连接字符串太长")
               << "，连接字符串放不进DatabaseSet.data（最多" << DatabaseSetFile::MaxTextBytes
               << "字节）: " << (server.isEmpty() ? dbFile : server) << Qt::endl;
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    AppError error;
    const bool built = server.isEmpty() ? DemoDatabase::create(dbFile, options, &error)
                                        : DemoDatabase::createOnServer(server, options, &error);
    if (!built) {
        io.err << "建立演示数据库失败: " << error.description << Qt::endl;
        return 1;
    }
    // SQLite makes a new database writable by its owner only; in a folder the workstation's
    // users share through its group (the installed /var/lib/yjgl) that group writes it too.
    if (server.isEmpty() && groupSharedFolder(folder))
        QFile::setPermissions(dbFile,
                              QFile::permissions(dbFile) | QFileDevice::ReadGroup | QFileDevice::WriteGroup);
    const QString settings = QDir(folder).filePath(QStringLiteral("DatabaseSet.data"));
    if (!DatabaseSetFile::writeRecords(settings, {{DatabaseSetFile::ConnectionString, connection}}, &error)) {
        io.err << "写入DatabaseSet.data失败: " << error.description << Qt::endl;
        return 1;
    }
    const QString where = server.isEmpty()
                              ? dbFile
                              : ConnectionString::parse(server).value(QStringLiteral("initial catalog")) +
                                    QStringLiteral("@") +
                                    ConnectionString::parse(server).value(QStringLiteral("data source"));
    io.out << "已建立 " << where << "（" << options.documents << "张单据，" << timer.elapsed() << " ms）"
           << Qt::endl;
    return 0;
}

int query(const QStringList& args, AdminIo& io) {
    if (args.size() != 1)
        return usageError(io, commandNamed(QStringLiteral("query")));
    // The engine would run every statement of the text; IT asked for one.
    const QStringList statements = TsqlAdapter::splitStatements(args.first());
    if (statements.size() != 1) {
        io.err << "只能执行一条语句，这里有 " << statements.size() << " 条，什么都没有执行。" << Qt::endl;
        return 2;
    }
    AppError error;
    if (!AdminDatabase::connect(&error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    RecordsetPtr rs = AdminDatabase::run(args.first(), &error);
    if (!rs) {
        io.err << "错误号: " << error.number << "  " << error.description << Qt::endl;
        return 1;
    }
    if (rs->fieldCount() == 0)
        io.out << "已写入 " << rs->RecordsAffected() << " 行" << Qt::endl;
    AdminDatabase::print(*rs, io.out);
    return 0;
}

// Writes the connection of the workstations of this program folder, as the settings dialog
// would, for any engine; the settings before stay beside the file.
int connection(const QStringList& args, AdminIo& io) {
    if (args.size() != 1)
        return usageError(io, commandNamed(QStringLiteral("connection")));
    const ConnectionString cs = ConnectionString::parse(args.first());
    const ConnectionString::Kind kind = cs.kind();
    if (kind != ConnectionString::Kind::SqlServer && kind != ConnectionString::Kind::PostgreSQL &&
        kind != ConnectionString::Kind::SQLite && kind != ConnectionString::Kind::Odbc) {
        io.err << "连接字符串须以 Provider=sqloledb;、Provider=PostgreSQL;、Provider=SQLite; 或 DSN= 开头: "
               << args.first() << Qt::endl;
        return 2;
    }
    QMap<int, QString> records{{DatabaseSetFile::ConnectionString, args.first()}};
    if (kind != ConnectionString::Kind::SQLite) {
        records.insert(DatabaseSetFile::Server, cs.value(QStringLiteral("data source")));
        records.insert(DatabaseSetFile::Database, cs.value(QStringLiteral("initial catalog")));
        records.insert(DatabaseSetFile::User, cs.value(QStringLiteral("user id")));
        records.insert(DatabaseSetFile::Password, cs.value(QStringLiteral("password")));
    }
    AppError error;
    if (!DatabaseSetFile::writeRecords(DatabaseSetFile::path(), records, &error)) {
        io.err << "写入DatabaseSet.data失败: " << error.description << Qt::endl;
        return 1;
    }
    io.out << "已写入连接设置: " << QDir::toNativeSeparators(DatabaseSetFile::path()) << Qt::endl;
    return 0;
}

int encrypt(const QStringList& args, AdminIo& io) {
    if (args.isEmpty() || args.size() > 2)
        return usageError(io, commandNamed(QStringLiteral("encrypt")));
    io.out << AES().AddMiMa(args[0], args.value(1)) << Qt::endl;
    return 0;
}

int decrypt(const QStringList& args, AdminIo& io) {
    if (args.isEmpty() || args.size() > 2)
        return usageError(io, commandNamed(QStringLiteral("decrypt")));
    int digits = 0;
    for (const QChar c : args[0])
        digits += c.unicode() < 128 && std::isxdigit(c.unicode()) ? 1 : 0;
    if (digits < 2) {
        io.err << "Text not Hex data" << Qt::endl;
        return 1;
    }
    if ((digits / 2) % 16 != 0) {
        io.err << "密文不是16字节的整数倍，无法解密" << Qt::endl;
        return 1;
    }
    const QString text = AES().JMiMa(args[0], args.value(1));
    io.out << text << Qt::endl;
    return 0;
}

int unitName(const QStringList& args, AdminIo& io) {
    if (args.size() != 1 || args[0].trimmed().isEmpty())
        return usageError(io, commandNamed(QStringLiteral("unit-name")));
    AppError error;
    if (!AdminDatabase::connect(&error) || !AdminDatabase::storeUnitName(args[0], &error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    io.out << "单位名称已保存: " << args[0] << Qt::endl;
    return 0;
}

int backup(const QStringList& args, AdminIo& io) {
    if (args.size() != 1)
        return usageError(io, commandNamed(QStringLiteral("backup")));
    AppError error;
    QString database;
    if (!AdminDatabase::sqliteFile(&database, &error) || !SqliteBackup::backup(database, args[0], &error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    io.out << "已备份到 " << QDir::toNativeSeparators(args[0]) << Qt::endl;
    return 0;
}

int restore(const QStringList& args, AdminIo& io) {
    if (args.size() != 1)
        return usageError(io, commandNamed(QStringLiteral("restore")));
    AppError error;
    QString database;
    if (!AdminDatabase::sqliteFile(&database, &error) || !SqliteBackup::restore(database, args[0], &error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    io.out << "已用 " << QDir::toNativeSeparators(args[0]) << " 恢复数据库 "
           << QDir::toNativeSeparators(database) << Qt::endl;
    return 0;
}

} // namespace

const std::vector<AdminCommand>& adminCommands() {
    static const std::vector<AdminCommand> table = {
        {QStringLiteral("init-demo"),
         QStringLiteral("[DIR] [--connection \"Provider=PostgreSQL;...\"] [--documents N] [--replace]"),
         QStringLiteral("建立演示数据库DIR/hospital.db（或--connection所指的PostgreSQL数据库）和DIR/"
                        "DatabaseSet.data；不给DIR时建在程序的共用文件夹"),
         initDemo},
        {QStringLiteral("query"), QStringLiteral("STATEMENT"),
         QStringLiteral("在DatabaseSet.data所指的数据库上执行一条语句，按制表符分列输出"), query},
        {QStringLiteral("connection"), QStringLiteral("\"Provider=...;\""),
         QStringLiteral("把连接字符串写入程序文件夹的DatabaseSet.data（原文件留作DatabaseSet.data.bak）"),
         connection},
        {QStringLiteral("encrypt"), QStringLiteral("TEXT [PASSPHRASE]"), QStringLiteral("加密文字(AddMiMa)"),
         encrypt},
        {QStringLiteral("decrypt"), QStringLiteral("HEX [PASSPHRASE]"), QStringLiteral("解密文字(JMiMa)"),
         decrypt},
        {QStringLiteral("unit-name"), QStringLiteral("TEXT"), QStringLiteral("加密保存单位名称"), unitName},
        {QStringLiteral("export"), QStringLiteral("STATEMENT FILE [--title TEXT] [--from DATE --to DATE]"),
         QStringLiteral("把语句的结果写成.xls、.xlsx工作簿或.pdf报表"), exportCommand},
        {QStringLiteral("backup"), QStringLiteral("FILE"),
         QStringLiteral("工作站照常工作时把数据库备份到FILE（不要直接复制数据库文件）"), backup},
        {QStringLiteral("restore"), QStringLiteral("FILE"),
         QStringLiteral("用备份FILE恢复数据库；所有工作站退出后才能进行（不要直接覆盖数据库文件）"), restore},
        {QStringLiteral("slip"), QStringLiteral("DH FILE.pdf [--dept NAME]"),
         QStringLiteral("把单据的处方单(含条码)写成PDF，供补打和存档"), slipCommand},
        {QStringLiteral("audit"),
         QStringLiteral(
             "install | verify [--anchor FILE] | anchor FILE | export FILE [--from DATE --to DATE]"),
         QStringLiteral("操作日志：建立日志表、核对日志链（及保存的校验值）、保存最后一条的校验值、导出"),
         auditCommand},
        {QStringLiteral("lunar"), QStringLiteral("YYYY-MM-DD"),
         QStringLiteral("显示那天状态栏的农历和公历日期"), lunarCommand},
    };
    return table;
}

int runAdmin(const QStringList& args, AdminIo& io) {
    if (args.value(0) == QLatin1String("--version")) {
        io.out << "yjgl-admin " << AboutTexts::versionNumber() << Qt::endl;
        return 0;
    }
    if (!args.isEmpty()) {
        const AdminCommand& command = commandNamed(args.first());
        if (command.run)
            return command.run(args.mid(1), io);
        io.err << "未知命令: " << args.first() << Qt::endl;
    }
    io.err << "用法:" << Qt::endl;
    io.err << "  yjgl-admin --version    显示版本号" << Qt::endl;
    for (const AdminCommand& c : adminCommands())
        io.err << "  yjgl-admin " << c.name << ' ' << c.usage << "    " << c.summary << Qt::endl;
    return 2;
}
