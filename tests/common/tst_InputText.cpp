#include "common/core/InputText.h"

#include <QTest>

class TestInputText : public QObject {
    Q_OBJECT
private slots:
    void cleaning_data();
    void cleaning();
    void dateForms_data();
    void dateForms();
};

void TestInputText::cleaning_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("date and time kept") << "2010-01-05 08:30"
                                        << "2010-01-05 08:30";
    QTest::newRow("date with seconds kept") << "2010/1/5 8:30:15"
                                            << "2010/1/5 8:30:15";
    QTest::newRow("blanks and quote") << "  ab c'd  "
                                      << "abcd";
    QTest::newRow("short date-like cleaned") << " 1-2-3 "
                                             << "1-2-3";
    QTest::newRow("seven characters") << "10-1-5 "
                                      << "10-1-5";
    QTest::newRow("compact date is text") << " 20100105 "
                                          << "20100105";
    QTest::newRow("prescription number") << "1000000012345 "
                                         << "1000000012345";
    QTest::newRow("line ends") << "12\r\n34\n"
                               << "1234";
    QTest::newRow("injection quotes") << "x' or '1'='1"
                                      << "xor1=1";
    QTest::newRow("impossible date cleaned") << "2010-02-30 08:30"
                                             << "2010-02-3008:30";
    QTest::newRow("bad time cleaned") << "2010-01-05 25:00"
                                      << "2010-01-0525:00";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only blanks") << "   "
                                 << "";
    QTest::newRow("chinese kept") << " 张 三 "
                                  << "张三";
}

void TestInputText::cleaning() {
    QFETCH(QString, typed);
    QFETCH(QString, cleaned);
    QCOMPARE(CleanInputText(typed), cleaned);
}

void TestInputText::dateForms_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isDate");
    QTest::newRow("iso") << "2010-01-05" << true;
    QTest::newRow("slashes short") << "2010/1/5" << true;
    QTest::newRow("minutes") << "2010-01-05 08:30" << true;
    QTest::newRow("seconds") << "2010-01-05 08:30:59" << true;
    QTest::newRow("chinese") << "2010年1月5日" << true;
    QTest::newRow("leap day") << "2012-02-29" << true;
    QTest::newRow("no leap day") << "2010-02-29" << false;
    QTest::newRow("mixed separators") << "2010-01/05" << false;
    QTest::newRow("compact") << "20100105" << false;
    QTest::newRow("thirteen digits") << "1000000012345" << false;
    QTest::newRow("month 13") << "2010-13-01" << false;
    QTest::newRow("seconds 60") << "2010-01-05 08:30:60" << false;
    QTest::newRow("trailing text") << "2010-01-05x" << false;
    QTest::newRow("quote after date") << "2010-01-05'" << false;
}

void TestInputText::dateForms() {
    QFETCH(QString, text);
    QFETCH(bool, isDate);
    QCOMPARE(ReadsAsDate(text), isDate);
}

QTEST_GUILESS_MAIN(TestInputText)
#include "tst_InputText.moc"
