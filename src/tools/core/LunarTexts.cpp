#include "tools/core/LunarTexts.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

// A resource of a static library is registered by name, outside any namespace.
static void registerFestivalResource() {
    Q_INIT_RESOURCE(festivals);
}

namespace {

const QStringList& stems() {
    static const QStringList names = QStringLiteral("甲 乙 丙 丁 戊 己 庚 辛 壬 癸").split(u' ');
    return names;
}

const QStringList& branches() {
    static const QStringList names = QStringLiteral("子 丑 寅 卯 辰 巳 午 未 申 酉 戌 亥").split(u' ');
    return names;
}

const QStringList& animals() {
    static const QStringList names = QStringLiteral("鼠 牛 虎 兔 龙 蛇 马 羊 猴 鸡 狗 猪").split(u' ');
    return names;
}

// Index 0 unused: months and days count from 1.
const QStringList& monthNames() {
    static const QStringList names = QStringLiteral("- 正 二 三 四 五 六 七 八 九 十 十一 腊").split(u' ');
    return names;
}

const QStringList& dayNames() {
    static const QStringList names = QStringLiteral("- 初一 初二 初三 初四 初五 初六 初七 初八 初九 初十 "
                                                    "十一 十二 十三 十四 十五 十六 十七 十八 十九 二十 "
                                                    "廿一 廿二 廿三 廿四 廿五 廿六 廿七 廿八 廿九 三十")
                                         .split(u' ');
    return names;
}

// The festival table that the perpetual-calendar page includes as well, built into the program
// so that the status bar never depends on the resource folder.
struct FestivalTable {
    QHash<QString, QString> gregorian; // by "MMDD"
    QHash<QString, QString> lunar;     // by lunar month-day text
};

QHash<QString, QString> textsOf(const QJsonValue& object) {
    QHash<QString, QString> texts;
    const QJsonObject entries = object.toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it)
        texts.insert(it.key(), it.value().toString());
    return texts;
}

FestivalTable readFestivalTable() {
    QFile file(QStringLiteral(":/calendar/festivals.js"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The script assigns one object; its braces enclose plain JSON.
    const QByteArray script = file.readAll();
    const qsizetype first = script.indexOf('{');
    const qsizetype last = script.lastIndexOf('}');
    if (first < 0 || last < first)
        return {};
    const QJsonObject table = QJsonDocument::fromJson(script.mid(first, last - first + 1)).object();
    return {textsOf(table.value(QStringLiteral("gregorian"))), textsOf(table.value(QStringLiteral("lunar")))};
}

const FestivalTable& festivals() {
    static const FestivalTable table = [] {
        registerFestivalResource();
        return readFestivalTable();
    }();
    return table;
}

} // namespace

namespace LunarTexts {

QString yearText(int lunarYear) {
    const int s = ((lunarYear - 4) % 60 + 60) % 60;
    return stems().at(s % 10) + branches().at(s % 12) + QStringLiteral("年(") + animals().at(s % 12) +
           QStringLiteral(")");
}

QString monthDayText(const LunarDate& date) {
    const QString month = date.isLeapMonth() ? QStringLiteral("闰") + monthNames().at(-date.month)
                                             : monthNames().at(date.month);
    return month + QStringLiteral("月") + dayNames().at(date.day);
}

QString shortText(const LunarDate& date) {
    return QString::number(date.isLeapMonth() ? -date.month : date.month) + u'-' + QString::number(date.day);
}

QString gregorianFestival(const QDate& date) {
    return festivals().gregorian.value(date.toString(QStringLiteral("MMdd")));
}

QString lunarFestival(const QString& monthDayText) {
    return festivals().lunar.value(monthDayText);
}

QString weekdayName(const QDate& date) {
    static const QStringList names =
        QStringLiteral("星期一 星期二 星期三 星期四 星期五 星期六 星期日").split(u' ');
    return names.at(date.dayOfWeek() - 1);
}

} // namespace LunarTexts
