#include "queries/Frm_FYCX.h"

#include "common/core/Session.h"

namespace {

QuerySpec executedSpec() {
    QuerySpec spec;
    spec.name = QStringLiteral("Frm_FYCX");
    spec.caption = QStringLiteral("已执行单据查询");
    spec.groupCaption = QStringLiteral("已执行单据查询");
    spec.userFrameCaption = QStringLiteral("执行人");
    spec.checkerFilter = true;
    spec.numberSearch = true;
    spec.detailReprint = true;
    spec.listColumns = QueryRows::ExecutedColumns();
    spec.itemWidths = {3.5, 14.83, 28.5, 17.5, 5.62, 6.25, 7.62, 9.0};
    spec.zxdhColumn = 6;
    spec.listStatement = [](const QueryConditions& c) { return ExecutedListStatement(gExecDept, c); };
    return spec;
}

} // namespace

Frm_FYCX::Frm_FYCX(QWidget* parent) : RecordQueryWindow(executedSpec(), parent) {}
