#pragma once

#include "common/core/AppError.h"

#include <QList>
#include <QString>

// The user's manual: pages kept among the program's resources (the folder "manual" beside
// LBReg), its contents page and its keyword index (keywords.txt: a keyword, a tab and the
// page with an optional "#place", one a line; lines starting with "#" are remarks).
namespace HelpManual {

struct Keyword {
    QString text;
    QString page;  // file name inside the manual folder
    QString place; // the anchor inside the page, empty for its top
};

// The manual folder of the running program.
QString folder();
// The contents page inside `manualFolder`.
QString contentsPage(const QString& manualFolder);

// Reads the keyword index of `manualFolder`, in its order. A missing or damaged index is an
// error; lines without a tab are skipped.
[[nodiscard]] bool LoadKeywords(const QString& manualFolder, QList<Keyword>* keywords, AppError* error);
// The keywords that contain `filter` (case-insensitive; an empty filter keeps all).
QList<Keyword> Filter(const QList<Keyword>& keywords, const QString& filter);

} // namespace HelpManual
