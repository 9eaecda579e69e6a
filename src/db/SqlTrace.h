#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// Statement trace. When the environment variable YJGL_SQL_TRACE names a file, every statement
// the client sends is appended to it exactly as the client built it, one record per line
// (UTF-8, CR LF):
//   {yyyy-MM-dd HH:mm:ss.zzz}\t{elapsed ms}\t{statement}
// In the statement "\" is written "\\", a line feed "\n", a carriage return "\r" and a tab "\t".
// The file is readable by its owner only, and the value compared with or assigned to a password
// column is written "***".
namespace SqlTrace {
struct Entry {
    QDateTime time;
    qint64 elapsedMs = 0;
    QString statement;
};

// The trace file named by the environment, or empty when tracing is off.
QString file();
// Whether the environment names a trace file; cheap enough to ask before every statement.
bool enabled();
void record(const QString& statement, const QDateTime& started, qint64 elapsedMs);

QString escape(const QString& statement);
// The statement with every "password like '...'" and "password='...'" value replaced by '***'.
QString maskPasswords(const QString& statement);
QString unescape(const QString& field);
QVector<Entry> read(const QString& file);
QStringList readStatements(const QString& file);
} // namespace SqlTrace
