#pragma once

#include <QString>

// One row of the audit trail as stored, and the rule that chains the rows: ZY is the SHA-256
// (lower-case hex) of the row's content and of QZY, which is the ZY of the row before (empty
// for the first row).
struct AuditRow {
    qint64 xh = 0; // sequence number, 1 for the first row, no gaps
    QString czsj;  // time, "yyyy-MM-dd HH:mm:ss"
    QString czy;   // user
    QString ksmc;  // department
    QString gzz;   // workstation (host name)
    QString cz;    // action
    QString dh;    // document number, empty where there is none
    QString xq;    // short detail
    QString qzy;   // digest of the row before
    QString zy;    // digest of this row
};

namespace AuditChain {

QString digest(const AuditRow& row);

// Where the chain breaks first; None when it holds.
enum class Fault { None, Changed, Removed, OutOfOrder, AnchorMissing, AnchorDiffers };

// A (sequence, digest) pair kept outside the table: by IT (the anchor file) or by the
// workstation that wrote the row.
struct Mark {
    qint64 xh = 0;
    QString zy;
    bool isValid() const { return xh > 0 && zy.size() == 64; }
};

// Walks the rows in order of XH, one at a time.
class Walker {
public:
    // False at the first fault; later rows are not looked at.
    bool next(const AuditRow& row);
    // Looks out for `mark` while walking (call before the first row).
    void watch(const Mark& mark) { m_watched = mark; }
    // After the last row: whether the chain held the watched mark (a row with that number and
    // digest); false with the fault set when it did not.
    bool heldWatched();
    Fault fault() const { return m_fault; }
    qint64 faultAt() const { return m_faultAt; }
    qint64 rows() const { return m_rows; }
    Mark head() const { return m_head; }
    // "第 N 条记录已被改动" and the like; empty while the chain holds.
    QString message() const;

private:
    bool fail(Fault fault, qint64 at);
    Fault m_fault = Fault::None;
    qint64 m_faultAt = 0;
    qint64 m_rows = 0;
    Mark m_head;
    Mark m_watched; // the mark that holds() looks for, seen while walking
    QString m_watchedSeen;
};

// The anchor file: one line "XH ZY" (CR LF). False with `error` when it cannot be read or
// holds no valid mark.
bool readMark(const QString& path, Mark* mark, QString* error);
// The file's text for `mark`.
QByteArray markText(const Mark& mark);
// `wait` false: the write does not wait for the disk (the workstation's own mark, written after
// every row, must not cost the action its time).
bool writeMark(const QString& path, const Mark& mark, QString* error, bool wait = true);

} // namespace AuditChain
