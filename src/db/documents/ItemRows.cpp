#include "db/documents/ItemRows.h"

#include "db/Recordset.h"
#include "db/StatementHelpers.h"
#include "db/documents/DocumentKind.h"
#include "db/documents/DocumentStatements.h"

#include <algorithm>
#include <cmath>

namespace ItemRows {

namespace {

// Rounds a plain decimal text ("-12.3456") half away from zero to `decimals` places.
QString roundDecimalText(const QString& text, int decimals) {
    QString digits = text;
    bool negative = false;
    if (digits.startsWith(QLatin1Char('-'))) {
        negative = true;
        digits.remove(0, 1);
    }
    int dot = digits.indexOf(QLatin1Char('.'));
    QString intPart = dot < 0 ? digits : digits.left(dot);
    QString frac = dot < 0 ? QString() : digits.mid(dot + 1);
    if (intPart.isEmpty())
        intPart = QStringLiteral("0");
    const bool roundUp = frac.size() > decimals && frac.at(decimals) >= QLatin1Char('5');
    frac = frac.left(decimals).leftJustified(decimals, QLatin1Char('0'));
    QString all = intPart + frac;
    if (roundUp) {
        int i = int(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all.at(i) == QLatin1Char('9')) {
                all[i] = QLatin1Char('0');
            } else {
                all[i] = QChar(all.at(i).unicode() + 1);
                break;
            }
        }
        if (i < 0)
            all.prepend(QLatin1Char('1'));
    }
    QString whole = all.left(all.size() - decimals);
    QString result = whole;
    if (decimals > 0)
        result += QLatin1Char('.') + all.right(decimals);
    bool allZero = true;
    for (QChar c : all)
        if (c != QLatin1Char('0'))
            allZero = false;
    if (negative && !allZero)
        result.prepend(QLatin1Char('-'));
    return result;
}

} // namespace

QString FormatFixed(const QVariant& value, int decimals) {
    if (Recordset::isNullValue(value))
        return {};
    if (!Recordset::isNumeric(value))
        return Recordset::asText(value);
    const double d = Recordset::asNumber(value);
    if (!std::isfinite(d))
        return Recordset::asText(value);
    // 15 significant digits in plain notation (as the value was meant), then decimal rounding.
    const int magnitude = d == 0.0 ? 0 : int(std::floor(std::log10(std::fabs(d))));
    const int places = std::clamp(14 - magnitude, 0, 20);
    return roundDecimalText(QString::number(d, 'f', places), decimals);
}

QString GroupText(const QVariant& groupYP) {
    if (!Recordset::isNumeric(groupYP))
        return QStringLiteral("1");
    return Recordset::asText(groupYP);
}

qint64 GroupNumber(const QString& cellText) {
    bool ok = false;
    const double d = cellText.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return 1;
    const double whole = std::nearbyint(d);
    // Past 64 bits every double is an even whole number; the cast itself would be undefined.
    if (std::fabs(whole) >= 9223372036854775808.0)
        return 0;
    return qint64(whole);
}

Fields::Fields(const Recordset& rs)
    : groupYP(rs.fieldIndex(QStringLiteral("GroupYP"))), bm(rs.fieldIndex(QStringLiteral("BM"))),
      pm(rs.fieldIndex(QStringLiteral("PM"))), gg(rs.fieldIndex(QStringLiteral("GG"))),
      dw(rs.fieldIndex(QStringLiteral("DW"))), sl(rs.fieldIndex(QStringLiteral("SL"))),
      dj(rs.fieldIndex(QStringLiteral("DJ"))), ssje(rs.fieldIndex(QStringLiteral("SSJE"))),
      kcl(rs.fieldIndex(QStringLiteral("KCL"))), lx(rs.fieldIndex(QStringLiteral("LX"))),
      sfjkc(rs.fieldIndex(QStringLiteral("SFJKC"))), clb(rs.fieldIndex(QStringLiteral("CLB"))),
      id(rs.fieldIndex(QStringLiteral("ID"))) {}

QStringList FormatRow(const Recordset& rs, const Fields& f) {
    QStringList row;
    row.reserve(kColumnCount);
    row << QStringLiteral("1") << GroupText(rs.value(f.groupYP)) << rs.text(f.bm) << rs.text(f.pm)
        << rs.text(f.gg) << rs.text(f.dw) << rs.text(f.sl) << FormatFixed(rs.value(f.dj), 3)
        << FormatFixed(rs.value(f.ssje), 2) << rs.text(f.kcl) << rs.text(f.lx)
        << (IsTrueOrOne(rs.value(f.sfjkc)) ? QStringLiteral("1") : QStringLiteral("0")) << rs.text(f.clb)
        << rs.text(f.id);
    return row;
}

double RawAmount(const Recordset& rs, const Fields& f) {
    return rs.number(f.ssje);
}

QStringList Headers() {
    return {QStringLiteral("序号"),       QStringLiteral("执行"),   QStringLiteral("组"),
            QStringLiteral("编码"),       QStringLiteral("品名"),   QStringLiteral("规格"),
            QStringLiteral("单位"),       QStringLiteral("数量"),   QStringLiteral("单价"),
            QStringLiteral("实收"),       QStringLiteral("库存量"), QStringLiteral("药品类型"),
            QStringLiteral("是否减库存"), QStringLiteral("拆零比"), QStringLiteral("id")};
}

bool Load(const QString& dept, const QString& dh, QVector<QStringList>* rows, double* total,
          AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, DocumentSql::items(dept, dh), error) || !rs)
        return false;
    const int count = rs->RecordCount();
    rows->clear();
    rows->reserve(count + 1);
    *total = 0;
    const Fields fields(*rs);
    rs->MoveFirst();
    for (int i = 0; i < count; ++i) {
        rows->append(FormatRow(*rs, fields));
        *total += RawAmount(*rs, fields);
        rs->MoveNext();
    }
    CloseRs(rs);
    return true;
}

} // namespace ItemRows
