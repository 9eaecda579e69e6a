// Document slips: read back with pdftotext, the barcode decoded by zbarimg from the page as
// pdftoppm renders it; printing through the slip printer of ORVA.ini; the auto-print marking
// and the scanner in the pending-documents window.
#include "HospitalTestBed.h"
#include "common/core/AnsiCodec.h"
#include "common/core/Session.h"
#include "execution/Mz_CKFY.h"
#include "output/SlipPrinting.h"
#include "output/pages/SlipPdf.h"
#include "support/FakeFileDialogService.h"
#include "support/FakePrintService.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

namespace {

using Item = HospitalFixture::Item;

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The Code 128 symbols zbarimg finds on the first page.
QString barcodesOf(const QString& pdf) {
    const QString png = pdf + QStringLiteral("-page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"),
                                     QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, png});
    return run(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), png + QStringLiteral(".png")})
        .trimmed();
}

QString flat(QString text) {
    return text.remove(QLatin1Char(' ')); // pdftotext drops the blanks between Chinese characters
}

// The text in drawing order with every blank and line break removed: a cell wrapped onto
// several lines reads as one.
QString joined(const QString& pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")})
        .remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

class SlipsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<HospitalTestBed> m_bed;
    std::unique_ptr<FakeFileDialogService> m_files;
    std::unique_ptr<FakePrintService> m_printer;

    SlipRequest request(const QString& dh, const QString& dept = HospitalFixture::dept()) const {
        return {dh, dept, false, QStringLiteral("张三"), QStringLiteral("李四")};
    }
    void setOptions(const QString& printer, const QString& size) {
        m_bed->folder.writeBytes(
            QStringLiteral("ORVA.ini"),
            AnsiCodec::encode(
                QStringLiteral("[发票打印]\r\n发票打印机=%1\r\n字号=%2\r\n").arg(printer, size)));
    }

private slots:
    void init() {
        m_bed = std::make_unique<HospitalTestBed>();
        m_files = std::make_unique<FakeFileDialogService>();
        m_printer = std::make_unique<FakePrintService>(m_bed->folder.path());
        QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
        gHospitalName = QStringLiteral("阳光社区医院");
        SlipPrinting::resetAutoPrintReport();
        m_bed->db.addOutpatient(
            QStringLiteral("2026120700001"), QStringLiteral("王小明"), HospitalFixture::at(0, 8),
            {Item{QStringLiteral("JY0001"), 1, 20, 20}, Item{QStringLiteral("JY0006"), 2, 8, 8.5}});
    }

    void cleanup() {
        m_printer.reset();
        m_files.reset();
        m_bed.reset();
    }

    void slipShowsTheDocumentAndItsBarcode() {
        const QString pdf = m_bed->folder.file(QStringLiteral("slip.pdf"));
        AppError error;
        QVERIFY2(writeSlipPdf(request(QStringLiteral("2026120700001")), pdf, &error),
                 qPrintable(error.description));
        const QString text =
            flat(run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}));
        for (const QString& expected :
             {QStringLiteral("阳光社区医院"), QStringLiteral("门诊处方单"), QStringLiteral("2026120700001"),
              QStringLiteral("王小明"), QStringLiteral("血常规"), QStringLiteral("血糖"),
              QStringLiteral("合计：28.50"), QStringLiteral("执行人：张三"), QStringLiteral("复核人：李四")})
            QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" missing in\n") + text));
        const QString size = pdfInfo(pdf, QStringLiteral("Page size")); // A5: 419.5 x 595.3 pt
        QVERIFY2(qAbs(size.section(QLatin1Char(' '), 0, 0).toDouble() - 419.5) < 1, qPrintable(size));
        QCOMPARE(barcodesOf(pdf), QStringLiteral("CODE-128:2026120700001"));
    }

    void fontSizeBeyondThePagePrintsAtTheUsualSize() {
        setOptions(QString(), QStringLiteral("2147483647"));
        const QString pdf = m_bed->folder.file(QStringLiteral("slip.pdf"));
        AppError error;
        QVERIFY2(writeSlipPdf(request(QStringLiteral("2026120700001")), pdf, &error),
                 qPrintable(error.description));
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
        const QString text = flat(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
        QVERIFY2(text.contains(QStringLiteral("王小明")) && text.contains(QStringLiteral("合计：28.50")),
                 qPrintable(text));
    }

    // A voided execution's reprint: marked void with who and when, its execution number and
    // the executor from the record, and nothing a scanner could read.
    void voidedDocumentSlipIsMarkedAndHasNoBarcode() {
        QVERIFY(m_bed->db.exec(
            QStringLiteral("INSERT INTO MZ_YJZX (ZXDH, DH, ZXR, FHR, KSMC, XM, ZXSJ, SFZF, ZFR, ZFRQ) VALUES "
                           "('202612070007','2026120700001','赵执行','钱复核','检验科','王小明',"
                           "'2026-12-07 09:00:00',1,'孙丽','2026-12-07 10:30:00')")));
        for (const QString& dept : {HospitalFixture::dept(), QString()}) {
            const QString pdf = m_bed->folder.file(QStringLiteral("void.pdf"));
            AppError error;
            QVERIFY2(writeSlipPdf(request(QStringLiteral("2026120700001"), dept), pdf, &error),
                     qPrintable(error.description));
            const QString text = flat(pdfText(pdf));
            for (const QString& expected :
                 {QStringLiteral("作废人：孙丽"), QStringLiteral("作废时间：2026-12-0710:30"),
                  QStringLiteral("执行单号：202612070007"), QStringLiteral("执行人：赵执行"),
                  QStringLiteral("复核人：钱复核")})
                QVERIFY2(text.contains(expected),
                         qPrintable(expected + QStringLiteral(" missing in\n") + text));
            QVERIFY2(text.count(QStringLiteral("作废")) >= 3,
                     qPrintable(text)); // the mark across the page too
            QCOMPARE(barcodesOf(pdf), QString());
        }
    }

    // At every font size ORVA.ini may hold the cells come out whole on one A5 page, wrapped
    // where needed; a size too large for the page is reduced.
    void everyCellIsWholeAtEverySize() {
        m_bed->db.addCatalogueItem(QStringLiteral("JY0099"),
                                   QStringLiteral("超长名称的检验项目组合套餐甲乙丙丁"),
                                   HospitalFixture::dept(), 0, 0, 1);
        m_bed->db.addOutpatient(
            QStringLiteral("2026120700002"), QStringLiteral("李大为"), HospitalFixture::at(0, 9),
            {Item{QStringLiteral("JY0002"), 1, 15, 15}, Item{QStringLiteral("JY0004"), 2, 60, 60},
             Item{QStringLiteral("JY0099"), 3, 1234.5, 1234.5}});
        const QString pdf = m_bed->folder.file(QStringLiteral("sizes.pdf"));
        for (int size = 6; size <= 14; ++size) {
            setOptions(QString(), QString::number(size));
            AppError error;
            QVERIFY2(writeSlipPdf(request(QStringLiteral("2026120700002")), pdf, &error),
                     qPrintable(error.description));
            QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
            const QString text = joined(pdf);
            for (const QString& cell :
                 {QStringLiteral("编码"), QStringLiteral("品名"), QStringLiteral("规格"),
                  QStringLiteral("单位"), QStringLiteral("数量"), QStringLiteral("单价"),
                  QStringLiteral("金额"), QStringLiteral("尿常规"), QStringLiteral("干化学+沉渣"),
                  QStringLiteral("15.000"), QStringLiteral("60.000"), QStringLiteral("1234.500"),
                  QStringLiteral("1234.50"), QStringLiteral("超长名称的检验项目组合套餐甲乙丙丁"),
                  QStringLiteral("合计：1309.50")})
                QVERIFY2(text.contains(cell),
                         qPrintable(QStringLiteral("size %1: %2 missing in\n%3").arg(size).arg(cell, text)));
            QVERIFY2(!text.contains(QChar(0x2026)), qPrintable(text)); // nothing shortened
        }
    }

    void inpatientSlipContinuesOnASecondPage() {
        QList<Item> many;
        for (int i = 0; i < 40; ++i)
            many.append(Item{QStringLiteral("JY0001"), 1, 20, 20});
        m_bed->db.addInpatient(QStringLiteral("Z2026120700001"), QStringLiteral("赵六"),
                               QStringLiteral("ZY001"), QStringLiteral("12床"), HospitalFixture::at(0, 7),
                               many);
        const QString pdf = m_bed->folder.file(QStringLiteral("zy.pdf"));
        AppError error;
        QVERIFY(writeSlipPdf(request(QStringLiteral("Z2026120700001"), {}), pdf, &error));
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("2"));
        const QString text = flat(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
        QVERIFY(text.contains(QStringLiteral("住院处方单")));
        QVERIFY(text.contains(QStringLiteral("住院号：ZY001")));
        QVERIFY(text.contains(QStringLiteral("合计：800.00")));
        QVERIFY(text.contains(QStringLiteral("第2页共2页")));
        QCOMPARE(barcodesOf(pdf), QStringLiteral("CODE-128:Z2026120700001"));
    }

    void printGoesToTheConfiguredOrDefaultPrinter() {
        m_printer->printers = {QStringLiteral("甲打印机"), QStringLiteral("乙打印机")};
        m_printer->defaultPrinter = QStringLiteral("甲打印机");
        setOptions(QStringLiteral("乙打印机"), QStringLiteral("12"));
        QVERIFY(SlipPrinting::MZCFPrint(request(QStringLiteral("2026120700001")), SlipPrinting::Mode::Print));
        setOptions(QStringLiteral("已拆除的打印机"), QStringLiteral("0"));
        QVERIFY(SlipPrinting::MZCFPrint(request(QStringLiteral("2026120700001")), SlipPrinting::Mode::Print));
        QCOMPARE(m_printer->jobPrinters,
                 QStringList({QStringLiteral("乙打印机"), QStringLiteral("甲打印机")}));
        QCOMPARE(m_printer->asked, QList<bool>({false, false}));
        QVERIFY(flat(pdfText(m_printer->jobs.last())).contains(QStringLiteral("王小明")));

        QVERIFY(
            SlipPrinting::MZCFPrint(request(QStringLiteral("2026120700001")), SlipPrinting::Mode::Preview));
        QVERIFY(flat(pdfText(m_printer->previews.first())).contains(QStringLiteral("血常规")));
        QVERIFY(SlipPrinting::MZCFPrint(request(QStringLiteral("2026120700001")), SlipPrinting::Mode::Print));
        QCOMPARE(m_bed->messages.count(), 1); // once per run
        QCOMPARE(m_bed->messages.last().text,
                 QStringLiteral("ORVA.ini 中设置的打印机“已拆除的打印机”没有安装，已改用默认打印机。"));
    }

    void withoutPrinterPrintAsksForPdf() {
        m_files->setNextAnswer(m_bed->folder.file(QStringLiteral("out.pdf")));
        QVERIFY(SlipPrinting::MZCFPrint(request(QStringLiteral("2026120700001")), SlipPrinting::Mode::Print));
        QCOMPARE(m_files->requests().first().fileName, QStringLiteral("2026120700001.pdf"));
        QCOMPARE(m_bed->messages.last().text, QStringLiteral("没有安装打印机，已保存为PDF文件：") +
                                                  m_bed->folder.file(QStringLiteral("out.pdf")));
        QVERIFY(
            flat(pdfText(m_bed->folder.file(QStringLiteral("out.pdf")))).contains(QStringLiteral("王小明")));
        QVERIFY(!SlipPrinting::MZCFPrint(request(QString()), SlipPrinting::Mode::Print));
        QCOMPARE(m_bed->messages.last().text, QStringLiteral("请选择您要打印的处方单据"));
    }

    // With "自动打印处方" ticked and the printer refusing, nothing is marked and the failure is
    // told once, not at every refresh; once the printer works the documents are marked.
    void autoPrintMarksOnlyAcceptedJobs() {
        m_bed->folder.writeBytes(QStringLiteral("ORVA.ini"),
                                 AnsiCodec::encode(QStringLiteral("[窗口发药]\r\n自动打印处方=1\r\n")));
        m_bed->db.addInpatient(QStringLiteral("Z2026120700002"), QStringLiteral("钱七"),
                               QStringLiteral("ZY2"), QStringLiteral("2床"), HospitalFixture::at(0, 8),
                               {Item{QStringLiteral("JY0001"), 1, 20, 20}});
        m_printer->printers = {QStringLiteral("检验科打印机")};
        m_printer->outcome = PrintJobResult::State::Refused;
        QPointer<Mz_CKFY> w = new Mz_CKFY;
        w->show();
        w->RefreshDJList();
        w->RefreshDJList();
        QCOMPARE(m_bed->db.count(QStringLiteral("from mz_kfdj where IsPrint=1")), 0);
        QCOMPARE(m_bed->db.count(QStringLiteral("from ZY_KFDJ where IsPrint=1")), 0);
        QCOMPARE(m_bed->messages.count(), 1);
        QVERIFY(m_bed->messages.last().text.contains(QStringLiteral("检验科打印机")));

        m_printer->outcome = PrintJobResult::State::Accepted;
        w->RefreshDJList();
        QCOMPARE(m_bed->db.count(QStringLiteral("from mz_kfdj where IsPrint=1")), 1);
        QCOMPARE(m_bed->db.count(QStringLiteral("from ZY_KFDJ where IsPrint=1")), 1);
        QCOMPARE(m_printer->jobs.size(), 2);
        QVERIFY(flat(pdfText(m_printer->jobs.first())).contains(QStringLiteral("2026120700001")) ||
                flat(pdfText(m_printer->jobs.last())).contains(QStringLiteral("2026120700001")));
        QCOMPARE(m_bed->messages.count(), 1);
        delete w.data();
    }

    // A keyboard-type scanner types the number and Enter within milliseconds, into a box that
    // holds the date; a person types slowly. Both open the document.
    void scannedBarcodeOpensTheDocument() {
        QPointer<Mz_CKFY> w = new Mz_CKFY;
        w->show();
        auto* cfh = w->findChild<QLineEdit*>(QStringLiteral("CFH"));
        auto* dh = w->findChild<QLineEdit*>(QStringLiteral("Txt_DH"));
        QCOMPARE(cfh->text(), QStringLiteral("20261207"));
        cfh->setFocus();
        cfh->end(false);
        QTest::keyClicks(cfh, QStringLiteral("2026120700001"));
        QTest::keyClick(cfh, Qt::Key_Return);
        QCOMPARE(dh->text(), QStringLiteral("2026120700001"));
        QCOMPARE(cfh->text(), QStringLiteral("2026120700001"));
        QCOMPARE(m_bed->messages.count(), 0);

        // An inpatient slip's longer code is not cut down to some outpatient number.
        dh->clear();
        QTest::keyClicks(cfh, QStringLiteral("Z2026120700001"));
        QTest::keyClick(cfh, Qt::Key_Return);
        QCOMPARE(cfh->text(), QStringLiteral("Z2026120700001"));
        QVERIFY(dh->text().isEmpty());

        cfh->setText(QStringLiteral("20261207"));
        cfh->end(false);
        QTest::keyClicks(cfh, QStringLiteral("00001"), Qt::NoModifier, 80);
        QTRY_COMPARE(dh->text(), QStringLiteral("2026120700001"));
        delete w.data();
    }
};

QTEST_MAIN(SlipsTest)
#include "tst_slips.moc"
