#include "admin/ExportCommand.h"

#include "admin/AdminDatabase.h"
#include "app/core/UnitName.h"
#include "common/core/Clock.h"
#include "common/core/Session.h"
#include "db/StatementHelpers.h"
#include "output/core/ResultTable.h"
#include "output/core/SheetExport.h"
#include "output/pages/ReportLayout.h"
#include "output/pages/SlipPdf.h"

#include <QDate>
#include <QFileInfo>

namespace {

struct ExportArgs {
    QString statement;
    QString file;
    QString title;
    QString from;
    QString to;
};

bool parse(const QStringList& args, ExportArgs* out) {
    QStringList plain;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        QString* target = a == QLatin1String("--title")  ? &out->title
                          : a == QLatin1String("--from") ? &out->from
                          : a == QLatin1String("--to")   ? &out->to
                                                         : nullptr;
        if (target) {
            if (i + 1 >= args.size())
                return false;
            *target = args.at(++i);
        } else if (a.startsWith(QLatin1String("--"))) {
            return false;
        } else {
            plain << a;
        }
    }
    if (plain.size() != 2)
        return false;
    out->statement = plain.at(0);
    out->file = plain.at(1);
    return true;
}

bool validDate(const QString& text) {
    return text.isEmpty() || QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid();
}

QString operatorName() {
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return user.isEmpty() ? QStringLiteral("yjgl-admin") : user;
}

} // namespace

bool adminCommandDrawsPages(const QString& command) {
    return command == QLatin1String("export") || command == QLatin1String("slip") ||
           command == QLatin1String("audit");
}

int exportCommand(const QStringList& args, AdminIo& io) {
    ExportArgs a;
    if (!parse(args, &a)) {
        io.err << "用法: yjgl-admin export STATEMENT FILE [--title TEXT] [--from DATE --to DATE]" << Qt::endl;
        return 2;
    }
    if (!validDate(a.from) || !validDate(a.to)) {
        io.err << "日期格式应为YYYY-MM-DD: " << a.from << ' ' << a.to << Qt::endl;
        return 2;
    }
    if (a.title.isEmpty())
        a.title = QFileInfo(a.file).completeBaseName();

    AppError error;
    if (!AdminDatabase::connect(&error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    RecordsetPtr rs = AdminDatabase::run(a.statement, &error);
    if (!rs) {
        io.err << "错误号: " << error.number << "  " << error.description << Qt::endl;
        return 1;
    }
    const TextTable table = ResultTable(*rs);

    if (a.file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        ReadUnitName();
        GridReportArgs report;
        report.title = a.title;
        report.startDate = a.from;
        report.endDate = a.to;
        const QString maker = operatorName();
        report.makerText = QStringLiteral("制单人:") + maker;
        report.printDateText =
            QStringLiteral("打印日期:") + Clock::today().toString(QStringLiteral("yyyy-MM-dd"));
        const ReportDescription description = Report::describeGridReport(report, gHospitalName, maker);
        if (!writeReportPdf(description, table, a.file, &error)) {
            io.err << error.description << Qt::endl;
            return 1;
        }
    } else if (SheetExport::write(table, a.file, a.title, {}, &error) != SheetExport::Result::Written) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    io.out << "已导出" << table.rowCount() << "行: " << a.file << Qt::endl;
    return 0;
}

int slipCommand(const QStringList& args, AdminIo& io) {
    QStringList plain;
    QString dept;
    bool wrongOption = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--dept") && i + 1 < args.size())
            dept = args.at(++i);
        else if (args.at(i).startsWith(QLatin1String("--")))
            wrongOption = true;
        else
            plain << args.at(i);
    }
    if (wrongOption || plain.size() != 2 ||
        !plain.at(1).endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        io.err << "用法: yjgl-admin slip DH FILE.pdf [--dept NAME]" << Qt::endl;
        return 2;
    }
    AppError error;
    if (!AdminDatabase::connect(&error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    // A department that executes nothing would give an empty slip that looks like a real one.
    if (!dept.isEmpty() && !RecordExists(QStringLiteral("CS"), QStringLiteral("DMMC"), dept,
                                         QStringLiteral("ControlID Like'ZXKS'"), &error)) {
        io.err << (error.isSet() ? error.description : QStringLiteral("没有这个执行科室: ") + dept)
               << Qt::endl;
        return 1;
    }
    ReadUnitName();
    if (!writeSlipPdf({plain.at(0), dept, false, {}, {}}, plain.at(1), &error)) {
        io.err << error.description << Qt::endl;
        return 1;
    }
    io.out << "已写出处方单: " << plain.at(1) << Qt::endl;
    return 0;
}
