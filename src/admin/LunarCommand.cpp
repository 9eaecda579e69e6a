#include "admin/LunarCommand.h"

#include "tools/core/GET_NL.h"
#include "tools/core/LunarTable.h"

#include <QDate>
#include <QRegularExpression>

int lunarCommand(const QStringList& args, AdminIo& io) {
    static const QRegularExpression isoDate(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}$)"));
    if (args.size() != 1 || !isoDate.match(args[0]).hasMatch()) {
        io.err << "用法: yjgl-admin lunar YYYY-MM-DD" << Qt::endl;
        return 2;
    }
    const QDate date = QDate::fromString(args[0], Qt::ISODate);
    if (!date.isValid()) {
        io.err << "没有这一天: " << args[0] << "（请检查月份和日期）" << Qt::endl;
        return 2;
    }
    QString line;
    AppError error;
    if (!LunarLineOf(date, &line, &error)) {
        io.err << "错误号: " << error.number << "  " << error.description << "（农历表从"
               << LunarTable::firstDay().toString(Qt::ISODate) << "到"
               << LunarTable::lastDay().toString(Qt::ISODate) << "）" << Qt::endl;
        return 1;
    }
    io.out << line << Qt::endl;
    return 0;
}
