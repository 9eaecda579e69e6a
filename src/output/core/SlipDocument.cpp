#include "output/core/SlipDocument.h"

#include "app/core/OrvaIni.h"
#include "common/core/Clock.h"
#include "common/core/Session.h"
#include "db/StatementHelpers.h"
#include "execution/core/ItemRows.h"

namespace SlipSql {

QString outpatientHead(const QString& dh) {
    return QStringLiteral("select NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like") + SqlText(dh);
}

QString inpatientHead(const QString& dh) {
    return QStringLiteral("Select XM,XB,KDYS,KDRQ,ZYH,CWH from ZY_KFDJ Where DH Like") + SqlText(dh);
}

QString items(const QString& dh, const QString& dept, bool inpatient) {
    const QString table = inpatient ? QStringLiteral("ZY_KFDJMX") : QStringLiteral("MZ_KFDJMX");
    if (dept.isEmpty())
        return QStringLiteral("Select BM,PM,GG,DW,SL,DJ,SSJE From %1 Where DH=%2 Order By ID")
            .arg(table, SqlText(dh));
    return QStringLiteral(
               "Select A.BM,A.PM,A.GG,A.DW,A.SL,A.DJ,A.SSJE From %1 A ,YF_YPML B Where A.BM=B.YPBM AND "
               "B.ZXKS=%2 AND A.DH=%3 Order By A.ID")
        .arg(table, SqlText(dept), SqlText(dh));
}

QString execution(const QString& dh, const QString& dept) {
    return QStringLiteral("Select top 1 ZXDH,ZXR,FHR From MZ_YJZX Where SFZF=0 AND KSMC Like") +
           SqlText(dept) + QStringLiteral(" AND DH Like") + SqlText(dh) +
           QStringLiteral(" Order By ZXSJ Desc");
}

} // namespace SlipSql

namespace {

// The header from the table of the document's kind; false without a row.
bool loadHead(const QString& dh, bool inpatient, SlipDocument* slip, bool* found, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, inpatient ? SlipSql::inpatientHead(dh) : SlipSql::outpatientHead(dh), error) || !rs)
        return false;
    *found = rs->RecordCount() > 0;
    if (*found) {
        rs->MoveFirst();
        slip->inpatient = inpatient;
        slip->xm = rs->text(QStringLiteral("XM"));
        slip->xb = rs->text(QStringLiteral("XB"));
        slip->kdys = rs->text(QStringLiteral("KDYS"));
        slip->kdsj = rs->text(QStringLiteral("KDRQ"));
        if (inpatient) {
            slip->zyh = rs->text(QStringLiteral("ZYH"));
            slip->cwh = rs->text(QStringLiteral("CWH"));
        } else {
            slip->nl = rs->text(QStringLiteral("NL"));
        }
    }
    CloseRs(rs);
    return true;
}

} // namespace

bool LoadSlip(const SlipRequest& request, SlipDocument* slip, AppError* error) {
    *slip = {};
    slip->dh = request.dh;
    slip->unitName = gHospitalName;
    bool found = false;
    if (!loadHead(request.dh, request.inpatient, slip, &found, error))
        return false;
    if (!found && !loadHead(request.dh, !request.inpatient, slip, &found, error))
        return false;
    if (!found) {
        *error = {3021, QStringLiteral("未找到单据%1").arg(request.dh), QStringLiteral("LoadSlip")};
        return false;
    }

    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, SlipSql::items(request.dh, request.dept, slip->inpatient), error) || !rs)
        return false;
    double total = 0;
    for (int i = 0; i < rs->RecordCount(); ++i) {
        rs->Move(i);
        const QVariant amount = rs->value(QStringLiteral("SSJE"));
        slip->items.append(
            {rs->text(QStringLiteral("BM")), rs->text(QStringLiteral("PM")), rs->text(QStringLiteral("GG")),
             rs->text(QStringLiteral("DW")), rs->text(QStringLiteral("SL")),
             ItemRows::FormatFixed(rs->value(QStringLiteral("DJ")), 3), ItemRows::FormatFixed(amount, 2)});
        bool ok = false;
        const double value = amount.toDouble(&ok);
        total += ok ? value : 0;
    }
    CloseRs(rs);
    slip->total = ItemRows::FormatFixed(total, 2);

    slip->executor = request.executor;
    slip->checker = request.checker;
    if (!request.dept.isEmpty()) {
        if (!OpenRsQuiet(rs, SlipSql::execution(request.dh, request.dept), error) || !rs)
            return false;
        if (rs->RecordCount() > 0) {
            rs->MoveFirst();
            slip->execNo = rs->text(QStringLiteral("ZXDH"));
            slip->executor = rs->text(QStringLiteral("ZXR"));
            slip->checker = rs->text(QStringLiteral("FHR"));
        }
        CloseRs(rs);
    }
    slip->printTime = Clock::now().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    return true;
}

QString SlipTitle(bool inpatient) {
    return inpatient ? QStringLiteral("住院处方单") : QStringLiteral("门诊处方单");
}

int SlipFontSize() {
    const int size = OrvaIni::readPrintOptions().fontSize;
    return size > 0 ? size : 9;
}

QString SlipPrinterName() {
    return OrvaIni::readPrintOptions().printer;
}
