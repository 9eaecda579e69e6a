#include "support/FakeMessageService.h"
#include "support/TestFolder.h"
#include "tools/core/GET_NL.h"
#include "tools/core/LunarTable.h"
#include "tools/core/LunarTexts.h"

#include "common/core/Clock.h"

#include <QFile>
#include <QTest>

class LunarCalendarTest : public QObject {
    Q_OBJECT

private:
    // GET_NL() with the clock fixed on `day`.
    static QString lineOn(const QDate& day, AppError* error = nullptr) {
        Clock::setFixedNow(QDateTime(day, QTime(9, 30)));
        const QString line = GET_NL()({}, error);
        Clock::setFixedNow({});
        return line;
    }

    // The calendar shows no box itself; the common error message of its error carries the
    // number and description.
    static void verifyErrorBox(const FakeMessageService& boxes, const AppError& error, int number,
                               const QString& description) {
        QCOMPARE(boxes.count(), 0);
        ShowErrorMessage(error);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("系统提示"));
        QCOMPARE(boxes.last().icon, MsgIcon::Exclamation);
        QVERIFY2(boxes.last().text.contains(QStringLiteral("错误号：  %1").arg(number)),
                 qPrintable(boxes.last().text));
        QVERIFY2(boxes.last().text.contains(description), qPrintable(boxes.last().text));
    }

private slots:
    void todayLine_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("line");
        QTest::newRow("first day of the table")
            << QDate(1921, 2, 8) << QStringLiteral("1921-02-08 星期二  辛酉年(鸡)正月初一    春节");
        QTest::newRow("spring festival 2004")
            << QDate(2004, 1, 22) << QStringLiteral("2004-01-22 星期四  甲申年(猴)正月初一    春节");
        QTest::newRow("spring festival 2020")
            << QDate(2020, 1, 25) << QStringLiteral("2020-01-25 星期六  庚子年(鼠)正月初一    春节");
        QTest::newRow("leap month, no festival")
            << QDate(2020, 5, 23) << QStringLiteral("2020-05-23 星期六  庚子年(鼠)闰四月初一    ");
        QTest::newRow("plain day ends in four blanks")
            << QDate(2020, 3, 3) << QStringLiteral("2020-03-03 星期二  庚子年(鼠)二月初十    ");
        QTest::newRow("two festivals")
            << QDate(2020, 10, 1) << QStringLiteral("2020-10-01 星期四  庚子年(鼠)八月十五  国庆节  中秋节");
        QTest::newRow("Gregorian festival only")
            << QDate(2020, 12, 25) << QStringLiteral("2020-12-25 星期五  庚子年(鼠)十一月十一  圣诞节  ");
        QTest::newRow("last day of the original table")
            << QDate(2021, 2, 11) << QStringLiteral("2021-02-11 星期四  庚子年(鼠)腊月三十    除夕");
        QTest::newRow("29th of a 30-day twelfth month is also the eve")
            << QDate(2021, 2, 10) << QStringLiteral("2021-02-10 星期三  庚子年(鼠)腊月廿九    除夕");
        QTest::newRow("leap eleventh month of 2033")
            << QDate(2033, 12, 22) << QStringLiteral("2033-12-22 星期四  癸丑年(牛)闰十一月初一    ");
        QTest::newRow("leap fifth month never matches a festival")
            << QDate(2009, 6, 27) << QStringLiteral("2009-06-27 星期六  己丑年(牛)闰五月初五    ");
        QTest::newRow("February 2100 has 28 days")
            << QDate(2100, 3, 1) << QStringLiteral("2100-03-01 星期一  庚申年(猴)正月廿一    ");
        QTest::newRow("last day of the extended table")
            << QDate(2101, 1, 28) << QStringLiteral("2101-01-28 星期五  庚申年(猴)腊月廿九    除夕");
    }

    void todayLine() {
        QFETCH(QDate, day);
        QFETCH(QString, line);
        FakeMessageService boxes;
        QCOMPARE(lineOn(day), line);
        QCOMPARE(lunarStatusLine(day), line);
        QCOMPARE(boxes.count(), 0);
    }

    void shortForm_data() {
        QTest::addColumn<QString>("dateText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("leap month by its plain number")
            << QStringLiteral("2020-05-23") << QStringLiteral("4-1");
        QTest::newRow("slashes, no padding") << QStringLiteral("2021/2/11") << QStringLiteral("12-30");
        QTest::newRow("Chinese date") << QStringLiteral("2004年1月22日") << QStringLiteral("1-1");
        QTest::newRow("with a time") << QStringLiteral("2020-01-25 08:30:00") << QStringLiteral("1-1");
        QTest::newRow("leap eleventh month") << QStringLiteral("2033-12-22") << QStringLiteral("11-1");
        QTest::newRow("first day") << QStringLiteral("1921.2.8") << QStringLiteral("1-1");
    }

    void shortForm() {
        QFETCH(QString, dateText);
        QFETCH(QString, expected);
        FakeMessageService boxes;
        QCOMPARE(GET_NL()(dateText), expected);
        QCOMPARE(boxes.count(), 0);
    }

    void outsideTheTable_data() {
        QTest::addColumn<QDate>("day");
        QTest::newRow("eve of the first year") << QDate(1921, 2, 7);
        QTest::newRow("January 1921") << QDate(1921, 1, 1);
        QTest::newRow("1900") << QDate(1900, 3, 1);
        QTest::newRow("first day of lunar year 2101") << QDate(2101, 1, 29);
        QTest::newRow("far future") << QDate(9999, 12, 31);
    }

    void outsideTheTable() {
        QFETCH(QDate, day);
        {
            FakeMessageService boxes;
            AppError error;
            QCOMPARE(lineOn(day, &error), QString());
            verifyErrorBox(boxes, error, 9, QStringLiteral("下标越界"));
        }
        {
            FakeMessageService boxes;
            AppError error;
            QCOMPARE(GET_NL()(day.toString(QStringLiteral("yyyy-MM-dd")), &error), QString());
            verifyErrorBox(boxes, error, 9, QStringLiteral("下标越界"));
        }
    }

    void notADate_data() {
        QTest::addColumn<QString>("dateText");
        QTest::newRow("words") << QStringLiteral("明天");
        QTest::newRow("30 February") << QStringLiteral("2021-02-30");
        QTest::newRow("month 13") << QStringLiteral("2020-13-01");
        QTest::newRow("blank") << QStringLiteral("   ");
        QTest::newRow("trailing text") << QStringLiteral("2020-05-23x");
        QTest::newRow("quote") << QStringLiteral("2020-05-23'");
        QTest::newRow("hour 25") << QStringLiteral("2020-05-23 25:00");
    }

    void notADate() {
        QFETCH(QString, dateText);
        FakeMessageService boxes;
        AppError error;
        QCOMPARE(GET_NL()(dateText, &error), QString());
        verifyErrorBox(boxes, error, 13, QStringLiteral("类型不匹配"));
    }

    void festivalsOfTheStatusBar() {
        QStringList gregorian;
        for (QDate day(2020, 1, 1); day.year() == 2020; day = day.addDays(1)) {
            if (const QString name = LunarTexts::gregorianFestival(day); !name.isEmpty())
                gregorian << day.toString(QStringLiteral("MMdd")) + name;
        }
        QCOMPARE(
            gregorian.join(u' '),
            QStringLiteral("0101元旦 0214情人节 0308妇女节 0312植树节 0315权益日 0401愚人节 0405清明节 "
                           "0501劳动节 0504青年节 0512护士节 0601儿童节 0701建党节 0801建军节 0808父亲节 "
                           "0910教师节 1001国庆节 1006老人节 1024联合国日 1220澳门回归 1225圣诞节"));
        QStringList lunar;
        for (const QString month : {"正", "五", "七", "八", "九", "腊", "闰四"}) {
            for (int day = 1; day <= 30; ++day) {
                const QString text =
                    month + QStringLiteral("月") + LunarTexts::monthDayText({2020, 1, day}).mid(2);
                if (const QString name = LunarTexts::lunarFestival(text); !name.isEmpty())
                    lunar << text + name;
            }
        }
        QCOMPARE(lunar.join(u' '),
                 QStringLiteral(
                     "正月初一春节 正月十五元宵节 五月初五端午节 七月初七七夕节 七月十五中元节 "
                     "八月十五中秋节 九月初九重阳节 腊月初八腊八节 腊月廿四小年 腊月廿九除夕 腊月三十除夕"));
    }

    void yearNamesCycle() {
        QCOMPARE(LunarTexts::yearText(1984), QStringLiteral("甲子年(鼠)"));
        QCOMPARE(LunarTexts::yearText(2043), QStringLiteral("癸亥年(猪)"));
        QCOMPARE(LunarTexts::yearText(2044), QStringLiteral("甲子年(鼠)"));
    }

    // Every day the table covers against the months of the published calendars
    // (tests/data/lunar_years.txt: year, first day, leap month, month lengths).
    void everyDayMatchesThePublishedCalendar() {
        QFile file(TestFolder::sourceDir() + QStringLiteral("/tests/data/lunar_years.txt"));
        QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file.fileName()));

        QDate day = LunarTable::firstDay();
        int years = 0;
        int days = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromLatin1(file.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const QStringList fields = line.split(u' ');
            QCOMPARE(fields.size(), 4);
            const int year = fields[0].toInt();
            const int leap = fields[2].toInt();
            const QString lengths = fields[3];
            QCOMPARE(year, LunarTable::FirstYear + years);
            // The years follow each other without gap.
            QCOMPARE(day, QDate::fromString(fields[1], Qt::ISODate));
            QCOMPARE(LunarTexts::yearText(year).size(), 6);

            int month = 0;
            for (int i = 0; i < lengths.size(); ++i) {
                const bool isLeap = leap != 0 && i == leap;
                const int number = isLeap ? -leap : ++month;
                const int length = lengths[i] == u'1' ? 30 : 29;
                for (int d = 1; d <= length; ++d, day = day.addDays(1), ++days) {
                    const std::optional<LunarDate> lunar = LunarTable::toLunar(day);
                    if (!lunar || *lunar != LunarDate{year, number, d})
                        QFAIL(qPrintable(QStringLiteral("%1: expected %2 %3-%4, got %5 %6-%7")
                                             .arg(day.toString(Qt::ISODate))
                                             .arg(year)
                                             .arg(number)
                                             .arg(d)
                                             .arg(lunar ? lunar->year : 0)
                                             .arg(lunar ? lunar->month : 0)
                                             .arg(lunar ? lunar->day : 0)));
                    // The day count of the conversion, century rule included.
                    if (LunarTable::dayNumber(day) != LunarTable::firstDay().daysTo(day) + 1)
                        QFAIL(qPrintable(QStringLiteral("day number of %1").arg(day.toString(Qt::ISODate))));
                }
            }
            QCOMPARE(month, 12);
            ++years;
        }
        QCOMPARE(years, LunarTable::YearCount);
        QCOMPARE(day.addDays(-1), LunarTable::lastDay());
        QVERIFY(days > QDate(1921, 2, 8).daysTo(QDate(2100, 12, 31)));
        QVERIFY(!LunarTable::toLunar(day));
    }

    // The table's first 100 entries are the program's original ones.
    void originalEntriesKept() {
        const quint32 original[] = {2635, 333387, 1701, 1748, 267701, 694, 2391, 133423, 1175, 396438};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(LunarTable::entry(i), original[i]);
        QCOMPARE(LunarTable::entry(99), 265877u);
        QCOMPARE(LunarTable::monthCount(2635), 12);
        QCOMPARE(LunarTable::monthCount(333387), 13);
        QCOMPARE(LunarTable::leapMonthAfter(333387), 5);
    }
};

QTEST_GUILESS_MAIN(LunarCalendarTest)
#include "tst_LunarCalendar.moc"
