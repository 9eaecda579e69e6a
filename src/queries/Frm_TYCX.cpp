#include "queries/Frm_TYCX.h"

#include "common/core/Session.h"

namespace {

QuerySpec voidedSpec() {
    QuerySpec spec;
    spec.name = QStringLiteral("Frm_TYCX");
    spec.caption = QStringLiteral("作废单据查询");
    spec.groupCaption = QStringLiteral("查询");
    spec.userFrameCaption = QStringLiteral("操作员");
    spec.listColumns = QueryRows::VoidedColumns();
    spec.itemWidths = {3.5, 13.33, 23.25, 18.12, 6.37, 5.0, 7.37, 8.58};
    spec.zxdhColumn = 5;
    spec.listStatement = [](const QueryConditions& c) { return VoidedListStatement(gExecDept, c); };
    return spec;
}

} // namespace

Frm_TYCX::Frm_TYCX(QWidget* parent) : RecordQueryWindow(voidedSpec(), parent) {}
