#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Rules of the dictionary windows that need no window.
namespace DictionaryRules {

// The module key of an application title ("门诊挂号收费管理系统" -> "门诊"); "%" for any other.
QString ModuleKey(const QString& applicationTitle);

// The refusal of a new dictionary code, empty when the code may be used. Codes are matched
// exactly, but other programs match them with LIKE, where %, _, [ and ] are wildcards.
QString CodeRefusal(const QString& code);

// The next row (from 1) after `lastHit` whose name contains `text` (case-sensitive), wrapping
// round to row 1 .. lastHit; 0 without a hit or for an empty text.
int NextHit(const QStringList& names, int lastHit, const QString& text);

// The first row (from 1) whose trimmed name equals the trimmed text; 0 without one.
int ExactHit(const QStringList& names, const QString& text);

// A row of the entry grid: text, id (empty for a row not saved yet) and change mark.
struct EntryRow {
    QString text;
    QString id;
    QString mark;
};
// The save batch: an insert for every new row that is not blank, an update for every changed
// one, each ended by a line feed; empty when nothing is to be saved.
QString EntryBatch(const QString& code, const QList<EntryRow>& rows,
                   const std::function<QString(const QString&)>& lettersOf);

// A row of the link grid: its change mark, linked code and id.
struct LinkRow {
    QString mark;
    QString code;
    QString id;
};
QString LinkBatch(const QList<LinkRow>& rows);

inline const QString ChangedMark = QStringLiteral("修改");

} // namespace DictionaryRules
