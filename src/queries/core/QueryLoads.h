#pragma once

#include "common/core/AppError.h"
#include "queries/core/QueryRows.h"

#include <QDate>

// What the query windows read from the database, without the windows; from a standby server
// when YJGL.ini asks for it (db/StandbyReads.h).

// The query conditions as the window shows them.
struct QueryConditions {
    QString user;    // executor, or the user who voided
    QString checker; // executed records only
    QString number;  // document number, executed records only
    QDate from, to;
};

// A document number (trimmed) selects the records by number and ignores everything else.
bool IsNumberQuery(const QueryConditions& c);
QString ExecutedListStatement(const QString& dept, const QueryConditions& c);
QString VoidedListStatement(const QString& dept, const QueryConditions& c);

// Every record of the list statement as list rows.
[[nodiscard]] bool LoadRecordList(const QString& statement, const QVector<QueryRows::Column>& columns,
                                  QVector<TextRow>* rows, AppError* error);
// The document's items that the department executes, as the item grid shows them.
[[nodiscard]] bool LoadDocumentItems(const QString& dept, const QString& dh, QVector<QStringList>* rows,
                                     AppError* error);
// Every user name, in table order.
[[nodiscard]] bool LoadQueryUserNames(QStringList* names, AppError* error);
