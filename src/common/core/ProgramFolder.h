#pragma once

#include <QDir>
#include <QString>

// The folder the program keeps its local files in: the executable's folder, or the folder
// named by the environment variable YJGL_HOME (portable installs and tests).
namespace ProgramFolder {
QString path();
// A file inside the program folder.
QString file(const QString& name);
// The parent prefix: the program folder's path up to and including its last separator,
// empty when the path has 3 characters or fewer (a drive or file-system root).
QString parentPrefix();
// `separator` lets callers apply the rule to paths written for another platform.
QString parentPrefixOf(const QString& folder, QChar separator = QDir::separator());
// For tests and tools: overrides both the environment and the executable's folder.
void setOverride(const QString& folder);
} // namespace ProgramFolder
