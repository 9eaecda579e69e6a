#include "common/core/AnsiCodec.h"
#include "common/core/OrvaIni.h"
#include "support/TestFolder.h"

#include <QTest>

class TestOrvaIni : public QObject {
    Q_OBJECT

private slots:
    void missingFileGivesNoPrinterAndSizeZero() {
        TestFolder folder;
        const OrvaIni::PrintOptions options = OrvaIni::readPrintOptions();
        QCOMPARE(options.printer, QString());
        QCOMPARE(options.fontSize, 0);
    }

    void valuesAreWrittenAsGivenAndReadAsTheProfileReadsThem() {
        TestFolder folder;
        AppError error;
        QVERIFY(OrvaIni::writePrintOptions(QStringLiteral("发票 打印机"), QString(), &error));
        const QString text = AnsiCodec::decode(folder.readBytes("ORVA.ini"));
        QVERIFY2(text.contains(QStringLiteral("[发票打印]\r\n发票打印机=发票 打印机\r\n字号=\r\n")),
                 qPrintable(text));
        QCOMPARE(OrvaIni::readPrintOptions().fontSize, 0);

        QVERIFY(OrvaIni::writePrintOptions(QString(250, QChar(u'P')), QStringLiteral("12.5"), &error));
        const OrvaIni::PrintOptions options = OrvaIni::readPrintOptions();
        QCOMPARE(options.printer, QString(200, QChar(u'P')));
        QCOMPARE(options.fontSize, 12);
    }
};

QTEST_GUILESS_MAIN(TestOrvaIni)
#include "tst_OrvaIni.moc"
