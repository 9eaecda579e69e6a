#include "db/audit/AuditChain.h"

#include "common/core/AnsiCodec.h"
#include "common/core/LocalFile.h"

#include <QCryptographicHash>
#include <QFile>

namespace AuditChain {

QString digest(const AuditRow& row) {
    // Fields are joined by the unit separator, which no field holds, so that no two different
    // rows give the same text.
    const QChar sep(0x1f);
    const QString content = QString::number(row.xh) + sep + row.czsj + sep + row.czy + sep + row.ksmc + sep +
                            row.gzz + sep + row.cz + sep + row.dh + sep + row.xq + sep + row.qzy;
    return QString::fromLatin1(
        QCryptographicHash::hash(content.toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool Walker::fail(Fault fault, qint64 at) {
    m_fault = fault;
    m_faultAt = at;
    return false;
}

bool Walker::next(const AuditRow& row) {
    if (m_fault != Fault::None)
        return false;
    if (digest(row) != row.zy.trimmed())
        return fail(Fault::Changed, row.xh);
    if (row.xh != m_head.xh + 1)
        return fail(row.xh > m_head.xh + 1 ? Fault::Removed : Fault::OutOfOrder,
                    row.xh > m_head.xh + 1 ? m_head.xh + 1 : row.xh);
    if (row.qzy.trimmed() != m_head.zy)
        return fail(Fault::OutOfOrder, row.xh);
    if (row.xh == m_watched.xh)
        m_watchedSeen = row.zy.trimmed();
    m_head = {row.xh, row.zy.trimmed()};
    ++m_rows;
    return true;
}

bool Walker::heldWatched() {
    if (m_fault != Fault::None)
        return false;
    if (m_watchedSeen.isEmpty())
        return fail(Fault::AnchorMissing, m_watched.xh);
    if (m_watchedSeen != m_watched.zy)
        return fail(Fault::AnchorDiffers, m_watched.xh);
    return true;
}

QString Walker::message() const {
    const QString n = QString::number(m_faultAt);
    switch (m_fault) {
    case Fault::None:
        return {};
    case Fault::Changed:
        return QStringLiteral("第 %1 条操作日志已被改动").arg(n);
    case Fault::Removed:
        return QStringLiteral("第 %1 条操作日志已被删除").arg(n);
    case Fault::OutOfOrder:
        return QStringLiteral("第 %1 条操作日志不是按顺序追加的（插入或重排）").arg(n);
    case Fault::AnchorMissing:
        return QStringLiteral("操作日志中已没有第 %1 条记录（尾部被截去）").arg(n);
    case Fault::AnchorDiffers:
        return QStringLiteral("第 %1 条操作日志与保存的校验值不符（日志链被重算）").arg(n);
    }
    return {};
}

bool readMark(const QString& path, Mark* mark, QString* error) {
    QByteArray bytes;
    const LocalFile::Status status = LocalFile::read(path, LocalFile::SettingsLimit, &bytes);
    if (status != LocalFile::Status::Read) {
        *error = LocalFile::describe(status, path);
        return false;
    }
    const QStringList fields = AnsiCodec::decode(bytes).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok = false;
    Mark read{fields.value(0).toLongLong(&ok), fields.value(1).toLower()};
    if (fields.size() != 2 || !ok || !read.isValid()) {
        *error = QStringLiteral("文件中没有有效的操作日志校验值: %1").arg(path);
        return false;
    }
    *mark = read;
    return true;
}

QByteArray markText(const Mark& mark) {
    return AnsiCodec::encode(QString::number(mark.xh) + QLatin1Char(' ') + mark.zy + "\r\n");
}

bool writeMark(const QString& path, const Mark& mark, QString* error, bool wait) {
    QString reason;
    switch (LocalFile::writeWhole(path, markText(mark), nullptr, &reason,
                                  wait ? LocalFile::Sync::WaitForDisk : LocalFile::Sync::DontWait)) {
    case LocalFile::WriteStatus::Written:
        return true;
    case LocalFile::WriteStatus::NotRegular:
        *error = QStringLiteral("不能写入文件: %1").arg(path);
        return false;
    case LocalFile::WriteStatus::Failed:
        *error = QStringLiteral("不能写入文件: %1（%2）").arg(path, reason);
        return false;
    }
    return false;
}

} // namespace AuditChain
