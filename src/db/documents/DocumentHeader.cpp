#include "db/documents/DocumentHeader.h"

#include "db/StatementHelpers.h"
#include "db/documents/DocumentStatements.h"

namespace {
constexpr int kNoCurrentRecord = 3021;
}

HeaderLoad LoadDocumentHeader(const QString& dh, bool inpatient, DocumentHeader* header, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, inpatient ? DocumentSql::inpatientHead(dh) : DocumentSql::outpatientHead(dh),
                     error) ||
        !rs)
        return HeaderLoad::Failed;
    if (rs->RecordCount() == 0) {
        CloseRs(rs);
        *error = {kNoCurrentRecord,
                  QStringLiteral(
                      "BOF 或 EOF 中有一个是“真”，或者当前记录已被删除，所要求的操作要求一个当前的记录。"),
                  QStringLiteral("LoadDJHead")};
        return HeaderLoad::NoRow;
    }
    rs->MoveFirst();
    *header = {};
    if (inpatient) {
        header->zyh = rs->text(QStringLiteral("ZYH"));
        header->cwh = rs->text(QStringLiteral("CWH"));
    } else {
        header->nl = rs->text(QStringLiteral("NL"));
    }
    header->xm = rs->text(QStringLiteral("XM"));
    header->xb = rs->text(QStringLiteral("XB"));
    header->kdys = rs->text(QStringLiteral("KDYS"));
    header->kdsj = rs->text(QStringLiteral("KDRQ"));
    CloseRs(rs);
    return HeaderLoad::Loaded;
}
