#include "execution/core/PendingDocuments.h"

#include "db/Connection.h"
#include "db/StatementHelpers.h"
#include "execution/core/ExecutionRules.h"
#include "execution/core/ExecutionStatements.h"

bool LoadDepartmentNames(QStringList* names, AppError* error) {
    names->clear();
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, ExecutionSql::departmentList(), error) || !rs)
        return false;
    rs->MoveFirst();
    for (int i = 0; i < rs->RecordCount(); ++i) {
        names->append(rs->text(0));
        rs->MoveNext();
    }
    CloseRs(rs);
    return true;
}

bool LoadPendingList(const QString& dept, const QDate& from, const QDate& to, QVector<PendingDocument>* rows,
                     AppError* error) {
    return PendingListReader().read(dept, from, to, rows, error) != PendingListReader::Outcome::Failed;
}

PendingListReader::Outcome PendingListReader::read(const QString& dept, const QDate& from, const QDate& to,
                                                   QVector<PendingDocument>* rows, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, ExecutionSql::pendingList(dept, from, to), error) || !rs)
        return Outcome::Failed;
    if (m_last && rs->sameRows(*m_last))
        return Outcome::Unchanged;
    m_last = rs;
    const int dhField = rs->fieldIndex(QStringLiteral("DH"));
    const int xmField = rs->fieldIndex(QStringLiteral("XM"));
    const int lxField = rs->fieldIndex(QStringLiteral("LX"));
    const int printField = rs->fieldIndex(QStringLiteral("IsPrint"));
    // Cell by cell, as the query lists read: the result is not decoded into a value per cell
    // first, and only the printed flag is read as a value.
    rows->clear();
    rows->resize(rs->RecordCount());
    for (int i = 0; i < rs->RecordCount(); ++i) {
        PendingDocument& d = (*rows)[i];
        d.dh = rs->cellText(i, dhField);
        d.xm = rs->cellText(i, xmField);
        d.lx = rs->cellText(i, lxField);
        d.isPrint = rs->cellValue(i, printField);
    }
    return Outcome::Read;
}

bool AutoRefreshConfiguredOff() {
    RecordsetPtr rs;
    AppError error;
    QVariant zdfy;
    const bool readOk =
        OpenRsQuiet(rs, ExecutionSql::autoRefreshConfig(), &error) && rs && rs->RecordCount() > 0;
    if (readOk) {
        rs->MoveFirst();
        zdfy = rs->value(0);
    }
    CloseRs(rs);
    return AutoRefreshSwitchedOff(readOk, zdfy);
}

bool MarkPrinted(const QString& dh, const QString& lx, AppError* error) {
    return ExecSqlQuiet(ExecutionSql::markPrinted(dh, IsInpatient(lx)), error);
}

bool FindPrescription(const QString& number, const QString& dept, bool* found, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, ExecutionSql::prescriptionLookup(number, dept), error) || !rs)
        return false;
    *found = rs->RecordCount() > 0;
    CloseRs(rs);
    return true;
}

bool LoadCheckerNames(QStringList* names, AppError* error) {
    names->clear();
    if (!gConn)
        return false;
    RecordsetPtr rs = gConn->execute(ExecutionSql::users(), error);
    if (!rs)
        return false;
    const int nameField = rs->fieldIndex(QStringLiteral("username"));
    for (int i = 0; i < rs->RecordCount(); ++i) {
        rs->Move(i);
        names->append(rs->text(nameField));
    }
    return true;
}
