#include "tools/core/LunarTexts.h"

#include <QHash>
#include <QStringList>

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

const QHash<QString, QString>& gregorianFestivals() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("0101"), QStringLiteral("元旦")},
        {QStringLiteral("0214"), QStringLiteral("情人节")},
        {QStringLiteral("0308"), QStringLiteral("妇女节")},
        {QStringLiteral("0312"), QStringLiteral("植树节")},
        {QStringLiteral("0315"), QStringLiteral("权益日")},
        {QStringLiteral("0401"), QStringLiteral("愚人节")},
        {QStringLiteral("0405"), QStringLiteral("清明节")},
        {QStringLiteral("0501"), QStringLiteral("劳动节")},
        {QStringLiteral("0504"), QStringLiteral("青年节")},
        {QStringLiteral("0512"), QStringLiteral("护士节")},
        {QStringLiteral("0601"), QStringLiteral("儿童节")},
        {QStringLiteral("0701"), QStringLiteral("建党节")},
        {QStringLiteral("0801"), QStringLiteral("建军节")},
        {QStringLiteral("0808"), QStringLiteral("父亲节")},
        {QStringLiteral("0910"), QStringLiteral("教师节")},
        {QStringLiteral("1001"), QStringLiteral("国庆节")},
        {QStringLiteral("1006"), QStringLiteral("老人节")},
        {QStringLiteral("1024"), QStringLiteral("联合国日")},
        {QStringLiteral("1220"), QStringLiteral("澳门回归")},
        {QStringLiteral("1225"), QStringLiteral("圣诞节")},
    };
    return table;
}

const QHash<QString, QString>& lunarFestivals() {
    // 腊月廿九 is New Year's Eve in every year, also when the twelfth month has 30 days.
    static const QHash<QString, QString> table = {
        {QStringLiteral("正月初一"), QStringLiteral("春节")},
        {QStringLiteral("正月十五"), QStringLiteral("元宵节")},
        {QStringLiteral("五月初五"), QStringLiteral("端午节")},
        {QStringLiteral("七月初七"), QStringLiteral("七夕节")},
        {QStringLiteral("七月十五"), QStringLiteral("中元节")},
        {QStringLiteral("八月十五"), QStringLiteral("中秋节")},
        {QStringLiteral("九月初九"), QStringLiteral("重阳节")},
        {QStringLiteral("腊月初八"), QStringLiteral("腊八节")},
        {QStringLiteral("腊月廿四"), QStringLiteral("小年")},
        {QStringLiteral("腊月三十"), QStringLiteral("除夕")},
        {QStringLiteral("腊月廿九"), QStringLiteral("除夕")},
    };
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
    return gregorianFestivals().value(date.toString(QStringLiteral("MMdd")));
}

QString lunarFestival(const QString& monthDayText) {
    return lunarFestivals().value(monthDayText);
}

QString weekdayName(const QDate& date) {
    static const QStringList names =
        QStringLiteral("星期一 星期二 星期三 星期四 星期五 星期六 星期日").split(u' ');
    return names.at(date.dayOfWeek() - 1);
}

} // namespace LunarTexts
