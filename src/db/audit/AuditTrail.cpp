#include "db/audit/AuditTrail.h"

#include "common/core/Clock.h"
#include "common/core/LocalFile.h"
#include "common/core/ProgramFolder.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/audit/AuditStatements.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <memory>
#include <utility>

namespace {

struct State {
    const Connection* connection = nullptr;
    QString connectionString;
    bool on = false;
    bool noticeDue = false;
    bool noticeGiven = false;
    AuditChain::Mark written;        // appended, waiting for the caller's commit
    QList<AuditEntry> later;         // waiting for the connection
    QString markProblem;             // found before this run wrote its first row
    QString markPath;                // the workstation's mark file of gConn's database
    std::unique_ptr<QFile> markFile; // kept open once written: later rows overwrite it in place
};

State& state() {
    static State s;
    return s;
}

} // namespace

QStringList AuditAction::all() {
    return {SignIn,    SignInFailed,  SignOut,        SwitchUser,     Lock,     Unlock,
            Execute,   ExecuteFailed, Void,           VoidFailed,     Reprint,  SlipPrint,
            GridPrint, GridExport,    PasswordChange, DictionaryEdit, LinkEdit, ConnectionSettings};
}

namespace AuditTrail {

AuditRow rowAt(const Recordset& rs) {
    AuditRow row;
    row.xh = rs.value(0).toLongLong();
    row.czsj = AuditTrail::timeText(rs.value(1));
    row.czy = Recordset::asText(rs.value(2));
    row.ksmc = Recordset::asText(rs.value(3));
    row.gzz = Recordset::asText(rs.value(4));
    row.cz = Recordset::asText(rs.value(5));
    row.dh = Recordset::asText(rs.value(6));
    row.xq = Recordset::asText(rs.value(7));
    row.qzy = Recordset::asText(rs.value(8)).trimmed();
    row.zy = Recordset::asText(rs.value(9)).trimmed();
    return row;
}

bool walk(AuditChain::Walker* walker, AppError* error) {
    constexpr int Page = 2000;
    qint64 after = 0;
    for (;;) {
        const RecordsetPtr rs = gConn->execute(AuditSql::rowsAfter(after, Page), error);
        if (!rs)
            return false;
        for (rs->MoveFirst(); !rs->isEOF(); rs->MoveNext()) {
            const AuditRow row = rowAt(*rs);
            if (!walker->next(row))
                return true;
            after = row.xh;
        }
        if (rs->RecordCount() < Page)
            return true;
    }
}

bool isOn() {
    State& s = state();
    if (!gConn)
        return false;
    if (s.connection == gConn && s.connectionString == gConn->connectionString())
        return s.on;
    AppError error;
    const RecordsetPtr rs = gConn->execute(AuditSql::tableExists(gConn->engine()), &error);
    if (!rs)
        return false; // asked again next time
    s.connection = gConn;
    s.connectionString = gConn->connectionString();
    s.on = rs->RecordCount() > 0 && rs->value(0).toInt() > 0;
    if (!s.on && !s.noticeGiven)
        s.noticeDue = true;
    // Looked at before this run writes a row of its own (which moves the mark on).
    s.markProblem.clear();
    AppError ignored;
    if (s.on)
        checkLocalMark(&s.markProblem, &ignored);
    return s.on;
}

bool takeOffNotice() {
    isOn();
    State& s = state();
    if (!s.noticeDue)
        return false;
    s.noticeDue = false;
    s.noticeGiven = true;
    return true;
}

QString offNotice() {
    return QStringLiteral("数据库中没有操作日志表(YJGL_LOG)，本次运行不记录操作日志。\r\n"
                          "请信息科用 yjgl-admin audit install 建立。");
}

bool append(const AuditEntry& entry, AppError* error) {
    if (!isOn())
        return true;
    AppError err;
    const RecordsetPtr head = gConn->execute(AuditSql::head(), &err);
    if (!head) {
        if (error)
            *error = err;
        return false;
    }
    const bool empty = head->RecordCount() == 0;
    const AuditRow row = nextRow(entry, empty ? 0 : head->value(0).toLongLong(),
                                 empty ? QString() : Recordset::asText(head->value(1)).trimmed());
    if (!gConn->execute(AuditSql::insert(row), &err)) {
        if (error)
            *error = err;
        return false;
    }
    state().written = {row.xh, row.zy};
    return true;
}

AuditRow nextRow(const AuditEntry& entry, qint64 headXh, const QString& headZy) {
    AuditRow row;
    row.xh = headXh + 1;
    row.qzy = headZy;
    row.czsj = Clock::secondsText(Clock::now());
    // Cut to the columns' widths, so that a long typed name never costs an action its row.
    row.czy = entry.user.left(50);
    row.ksmc = entry.dept.left(50);
    row.gzz = workstation().left(100);
    row.cz = entry.action.left(20);
    row.dh = entry.dh.left(20);
    row.xq = entry.detail.left(400);
    row.zy = AuditChain::digest(row);
    return row;
}

bool appendAlone(const AuditEntry& entry, AppError* error) {
    if (!gConn || gConn->inTransaction() || !isOn())
        return true;
    AppError err;
    const QList<AuditEntry> later = state().later;
    const auto appendLater = [&later](AppError* e) {
        for (const AuditEntry& waiting : later) {
            if (!append(waiting, e))
                return false;
        }
        return true;
    };
    if (!gConn->beginTrans(&err) || !appendLater(&err) || !append(entry, &err) || !gConn->commitTrans(&err)) {
        AppError ignored;
        if (gConn->inTransaction())
            gConn->rollbackTrans(&ignored);
        if (error)
            *error = err;
        return false;
    }
    state().later.clear();
    committed();
    return true;
}

void recordLater(const AuditEntry& entry) {
    state().later.append(entry);
}

void committed() {
    State& s = state();
    if (!s.written.isValid())
        return;
    // The workstation's copy is a help for checking, never a reason to fail, and must not cost
    // the action its time: the first row of a run writes the file aside and renames it, later
    // ones overwrite it in place without waiting for the disk. Lost in a power cut, it only
    // leaves an older row (or none) to check at the next start.
    const QString path = localMarkPath();
    if (s.markFile && s.markPath == path) {
        const QByteArray text = AuditChain::markText(s.written);
        if (s.markFile->seek(0) && s.markFile->write(text) == text.size() &&
            (s.markFile->size() == text.size() || s.markFile->resize(text.size())) && s.markFile->flush()) {
            s.written = {};
            return;
        }
    }
    s.markFile.reset();
    s.markPath = path;
    QString ignored;
    QString target;
    if (AuditChain::writeMark(path, s.written, &ignored, false) && LocalFile::writeTarget(path, &target)) {
        auto file = std::make_unique<QFile>(target);
        if (file->open(QIODevice::ReadWrite))
            s.markFile = std::move(file);
    }
    s.written = {};
}

AuditEntry entryFor(const QString& action, const QString& dh, const QString& detail) {
    return {gUser ? gUser->GetUserName : QString(), gExecDept, action, dh, detail};
}

void record(const AuditEntry& entry) {
    AppError error;
    if (!appendAlone(entry, &error))
        qWarning("audit row of %s not written: %s", qUtf8Printable(entry.action),
                 qUtf8Printable(error.description));
}

bool withRow(const AuditEntry& entry, const std::function<bool(AppError*)>& work, AppError* error) {
    if (!isOn())
        return work(error);
    const bool own = !gConn->inTransaction();
    AppError err;
    if (own && !gConn->beginTrans(&err)) {
        if (error)
            *error = err;
        return false;
    }
    if (work(&err) && append(entry, &err) && (!own || gConn->commitTrans(&err))) {
        if (own)
            committed();
        return true;
    }
    if (error)
        *error = err;
    if (!own)
        return false; // the caller's transaction decides, and writes the failure
    AppError ignored;
    if (gConn->inTransaction())
        gConn->rollbackTrans(&ignored);
    AuditEntry failed = entry;
    failed.action += AuditAction::FailedSuffix;
    // A database's message may quote the statement, and a password is never written here.
    const QString why = entry.action == AuditAction::PasswordChange
                            ? QStringLiteral("错误号%1").arg(err.number)
                            : err.description.left(200);
    failed.detail = (entry.detail.isEmpty() ? QString() : entry.detail + QStringLiteral("；")) + why;
    record(failed);
    return false;
}

QString localMarkPath() {
    // Worked out once per connection string and program folder.
    static QString forConnection;
    static QString path;
    const QString connection = gConn ? gConn->connectionString() : QString();
    const QString folder = ProgramFolder::path();
    if (!path.isEmpty() && connection == forConnection && QFileInfo(path).path() == QDir(folder).path())
        return path;
    // The database's address without the password, which may change.
    QString where = connection;
    where.remove(QRegularExpression(QStringLiteral("(?i)(password|pwd)=[^;]*;?")));
    const QByteArray key =
        QCryptographicHash::hash(where.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
    forConnection = connection;
    path = QDir(folder).filePath(QStringLiteral("YJGL_LOG-%1.dat").arg(QString::fromLatin1(key)));
    return path;
}

QString startNotice() {
    if (takeOffNotice())
        return offNotice();
    isOn();
    return std::exchange(state().markProblem, QString());
}

bool checkLocalMark(QString* problem, AppError* error) {
    AuditChain::Mark mark;
    QString unreadable;
    if (!isOn() || !QFile::exists(localMarkPath()) ||
        !AuditChain::readMark(localMarkPath(), &mark, &unreadable))
        return true;
    const RecordsetPtr rs = gConn->execute(AuditSql::row(mark.xh), error);
    if (!rs)
        return false;
    if (rs->RecordCount() == 0) {
        *problem = QStringLiteral("操作日志中已没有本机写入的第 %1 条记录，日志可能被截去。请通知信息科。")
                       .arg(mark.xh);
        return false;
    }
    const AuditRow row = rowAt(*rs);
    if (row.zy != mark.zy || AuditChain::digest(row) != row.zy) {
        *problem = QStringLiteral("本机写入的第 %1 条操作日志已被改动。请通知信息科。").arg(mark.xh);
        return false;
    }
    return true;
}

QString workstation() {
    return QSysInfo::machineHostName();
}

QString timeText(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return Recordset::asText(value).replace(QLatin1Char('T'), QLatin1Char(' ')).left(19);
}

} // namespace AuditTrail
