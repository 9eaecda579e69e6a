#include "execution/core/ExecutionRules.h"

bool AutoRefreshSwitchedOff(bool readOk, const QVariant& value) {
    if (!readOk)
        return true;
    return IsTrueOrOne(value);
}

namespace {
bool isStoredFalse(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return false;
    if (v.typeId() == QMetaType::Bool)
        return !v.toBool();
    const QString t = v.toString().trimmed();
    if (t.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const double d = t.toDouble(&ok);
    return ok && d == 0.0;
}
} // namespace

bool NeedsPrintedMark(const QString& lx, const QVariant& isPrint) {
    const bool isNull = !isPrint.isValid() || isPrint.isNull();
    if (IsInpatient(lx))
        return isNull || isStoredFalse(isPrint);
    return isNull;
}

QString PendingCounts::outpatientText() const {
    return QStringLiteral("门诊:") + QString::number(outpatient) + QStringLiteral("张");
}

QString PendingCounts::inpatientText() const {
    return QStringLiteral("住院:") + QString::number(inpatient) + QStringLiteral("张");
}

ExecutionRefusal CheckExecution(const QString& dh, const QStringList& listedDh, const QList<bool>& ticks,
                                bool inpatient) {
    if (dh.isEmpty())
        return ExecutionRefusal::NoDocument;
    const QString wanted = dh.trimmed();
    bool listed = false;
    for (const QString& row : listedDh) {
        if (row.trimmed() == wanted) {
            listed = true;
            break;
        }
    }
    if (!listed)
        return ExecutionRefusal::NotListed;
    if (!inpatient && !ticks.contains(true))
        return ExecutionRefusal::NoItemTicked;
    return ExecutionRefusal::None;
}

QString RefusalText(ExecutionRefusal refusal) {
    switch (refusal) {
    case ExecutionRefusal::NoDocument:
        return QStringLiteral("请先选择您要执行的处方单号");
    case ExecutionRefusal::NotListed:
        return QStringLiteral("单据列表中未找到该单号，可能是该单号刚才已经在另一个医技科室中执行了。");
    case ExecutionRefusal::NoItemTicked:
        return QStringLiteral("至少要选择一个项目执行");
    case ExecutionRefusal::None:
        break;
    }
    return {};
}

QString ConfirmExecutionText(const QString& patientName) {
    return QStringLiteral("你确认要执行此单据【") + patientName + QStringLiteral("】吗?");
}

QString InpatientNotExecutedText() {
    return QStringLiteral("住院单据不在本窗口执行。");
}
