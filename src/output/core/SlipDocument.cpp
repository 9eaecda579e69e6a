#include "output/core/SlipDocument.h"

#include "common/core/Clock.h"
#include "common/core/OrvaIni.h"
#include "common/core/Session.h"
#include "db/StatementHelpers.h"
#include "db/documents/DocumentHeader.h"
#include "db/documents/DocumentStatements.h"
#include "db/documents/ItemRows.h"

namespace SlipSql {

QString items(const QString& dh, const QString& dept, bool inpatient) {
    const QString table = inpatient ? QStringLiteral("ZY_KFDJMX") : QStringLiteral("MZ_KFDJMX");
    if (dept.isEmpty())
        return QStringLiteral("Select BM,PM,GG,DW,SL,DJ,SSJE From %1 Where DH=%2 Order By ID")
            .arg(table, SqlText(dh));
    return DocumentSql::departmentItemsInOrder(table, dept, dh);
}

QString execution(const QString& dh, const QString& dept) {
    return QStringLiteral("Select top 1 ZXDH,ZXR,FHR,SFZF,ZFR,ZFRQ From MZ_YJZX Where KSMC Like") +
           SqlText(dept.isEmpty() ? QStringLiteral("%") : dept) + QStringLiteral(" AND DH Like") +
           SqlText(dh) + QStringLiteral(" Order By SFZF, ZXSJ Desc");
}

} // namespace SlipSql

namespace {

// The header from the table of the document's kind; false when the statement failed.
bool loadHead(const QString& dh, bool inpatient, SlipDocument* slip, bool* found, AppError* error) {
    DocumentHeader head;
    AppError missing;
    switch (LoadDocumentHeader(dh, inpatient, &head, &missing)) {
    case HeaderLoad::Failed:
        *error = missing;
        return false;
    case HeaderLoad::NoRow:
        *found = false;
        return true;
    case HeaderLoad::Loaded:
        break;
    }
    *found = true;
    slip->inpatient = inpatient;
    slip->xm = head.xm;
    slip->xb = head.xb;
    slip->kdys = head.kdys;
    slip->kdsj = head.kdsj;
    slip->zyh = head.zyh;
    slip->cwh = head.cwh;
    slip->nl = head.nl;
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
    // Without a department the slip lists every item and no execution number, but a document
    // whose every execution was voided is still marked void.
    if (!OpenRsQuiet(rs, SlipSql::execution(request.dh, request.dept), error) || !rs)
        return false;
    if (rs->RecordCount() > 0) {
        rs->MoveFirst();
        slip->voided = rs->value(QStringLiteral("SFZF")).toInt() != 0;
        if (!request.dept.isEmpty() || slip->voided) {
            slip->execNo = rs->text(QStringLiteral("ZXDH"));
            slip->executor = rs->text(QStringLiteral("ZXR"));
            slip->checker = rs->text(QStringLiteral("FHR"));
        }
        if (slip->voided) {
            slip->voidedBy = rs->text(QStringLiteral("ZFR"));
            const QDateTime at = rs->dateTime(QStringLiteral("ZFRQ"));
            slip->voidedAt = at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                          : rs->text(QStringLiteral("ZFRQ"));
        }
    }
    CloseRs(rs);
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
