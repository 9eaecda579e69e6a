#include "admin/AuditCommand.h"

#include "admin/AdminDatabase.h"
#include "admin/ExportCommand.h"
#include "db/audit/AuditChain.h"
#include "db/audit/AuditStatements.h"
#include "db/audit/AuditTrail.h"
#include "db/demo/DemoDatabase.h"

#include <QDate>

namespace {

const QString Usage = QStringLiteral("用法: yjgl-admin audit install | verify [--anchor FILE] | anchor FILE "
                                     "| export FILE [--from DATE --to DATE]");

int usage(AdminIo& io) {
    io.err << Usage << Qt::endl;
    return 2;
}

bool connectWithTrail(AdminIo& io) {
    AppError error;
    if (!AdminDatabase::connect(&error)) {
        io.err << error.description << Qt::endl;
        return false;
    }
    if (!AuditTrail::isOn()) {
        io.err << "数据库中没有操作日志表(YJGL_LOG)；请先运行 yjgl-admin audit install" << Qt::endl;
        return false;
    }
    return true;
}

int install(AdminIo& io) {
    QString connection;
    AppError error;
    bool added = false;
    if (!AdminDatabase::connectionString(&connection, &error) ||
        !DemoDatabase::installAuditTrail(connection, &added, &error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    io.out << (added ? "已建立操作日志表YJGL_LOG（只能追加）" : "数据库中已有操作日志表YJGL_LOG，未作改动")
           << Qt::endl;
    return 0;
}

int verify(const QStringList& args, AdminIo& io) {
    AuditChain::Walker walker;
    const bool anchored = args.size() == 2 && args.at(0) == QLatin1String("--anchor");
    if (!args.isEmpty() && !anchored)
        return usage(io);
    if (anchored) {
        AuditChain::Mark mark;
        QString problem;
        if (!AuditChain::readMark(args.at(1), &mark, &problem)) {
            io.err << problem << Qt::endl;
            return 1;
        }
        walker.watch(mark);
    }
    if (!connectWithTrail(io))
        return 1;
    AppError error;
    if (!AuditTrail::walk(&walker, &error)) {
        io.err << "错误号: " << error.number << "  " << error.description << Qt::endl;
        return 1;
    }
    if (walker.fault() == AuditChain::Fault::None && (!anchored || walker.heldWatched())) {
        io.out << "操作日志完整：共 " << walker.rows() << " 条，最后一条第 " << walker.head().xh << " 条"
               << Qt::endl;
        return 0;
    }
    io.err << "操作日志已被改动：" << walker.message() << Qt::endl;
    return 3;
}

int anchor(const QStringList& args, AdminIo& io) {
    if (args.size() != 1)
        return usage(io);
    if (!connectWithTrail(io))
        return 1;
    AuditChain::Walker walker;
    AppError error;
    if (!AuditTrail::walk(&walker, &error)) {
        io.err << "错误号: " << error.number << "  " << error.description << Qt::endl;
        return 1;
    }
    // An anchor is only worth keeping for a chain that holds.
    if (walker.fault() != AuditChain::Fault::None) {
        io.err << "操作日志已被改动，不写校验值：" << walker.message() << Qt::endl;
        return 3;
    }
    if (!walker.head().isValid()) {
        io.err << "操作日志还没有记录" << Qt::endl;
        return 1;
    }
    QString problem;
    if (!AuditChain::writeMark(args.at(0), walker.head(), &problem)) {
        io.err << problem << Qt::endl;
        return 1;
    }
    io.out << "已写入第 " << walker.head().xh << " 条的校验值: " << args.at(0) << Qt::endl;
    return 0;
}

int exportRows(const QStringList& args, AdminIo& io) {
    if (args.isEmpty() || args.at(0).startsWith(QLatin1String("--")))
        return usage(io);
    QDate from, to;
    for (int i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return usage(io);
        const QDate day = QDate::fromString(args.at(i + 1), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid()) {
            io.err << "日期格式应为YYYY-MM-DD: " << args.at(i + 1) << Qt::endl;
            return 2;
        }
        if (args.at(i) == QLatin1String("--from"))
            from = day;
        else if (args.at(i) == QLatin1String("--to"))
            to = day;
        else
            return usage(io);
    }
    if (!connectWithTrail(io))
        return 1;
    QStringList exportArgs{AuditSql::period(from, to), args.at(0), QStringLiteral("--title"),
                           QStringLiteral("操作日志")};
    if (from.isValid())
        exportArgs << QStringLiteral("--from") << from.toString(QStringLiteral("yyyy-MM-dd"));
    if (to.isValid())
        exportArgs << QStringLiteral("--to") << to.toString(QStringLiteral("yyyy-MM-dd"));
    return exportCommand(exportArgs, io);
}

} // namespace

int auditCommand(const QStringList& args, AdminIo& io) {
    const QString sub = args.value(0);
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("install") && rest.isEmpty())
        return install(io);
    if (sub == QLatin1String("verify"))
        return verify(rest, io);
    if (sub == QLatin1String("anchor"))
        return anchor(rest, io);
    if (sub == QLatin1String("export"))
        return exportRows(rest, io);
    return usage(io);
}
