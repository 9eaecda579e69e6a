// Printing on a real CUPS server (scripts/cups-test-server.sh; tests/run-on-cups.sh points the
// program at it): what the cups-pdf queue wrote is read back with pdftotext and zbarimg, and
// only jobs the server took are marked printed. A queue that refuses jobs and a stopped queue
// are told to the clerk once.
#include "HospitalTestBed.h"
#include "common/SpreadGrid.h"
#include "common/core/AnsiCodec.h"
#include "common/core/Session.h"
#include "execution/Mz_CKFY.h"
#include "output/GridOutput.h"
#include "output/SlipPrinting.h"
#include "support/FakePrintService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

using Item = HospitalFixture::Item;

const QString kPdfQueue = QStringLiteral("yjgl-pdf");
const QString kRejecting = QStringLiteral("yjgl-reject");
const QString kStopped = QStringLiteral("yjgl-paused");

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The real printers and jobs, with the print dialog answered by `chosen` instead of a person.
class DialogFreePrintService : public WidgetPrintService {
public:
    QString chosen;
    bool preparePrinter(QPrinter& printer, bool, const QString& printerName) override {
        return WidgetPrintService::preparePrinter(printer, false,
                                                  printerName.isEmpty() ? chosen : printerName);
    }
};

int jobsOn(const QString& queue) {
    return int(run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).count(QLatin1Char('\n')));
}

} // namespace

class PrintQueueTest : public QObject {
    Q_OBJECT

private:
    QDir m_out; // where cups-pdf writes the jobs of the PDF queue
    std::unique_ptr<HospitalTestBed> m_bed;
    DialogFreePrintService m_service;

    void setOptions(const QString& printer, bool autoPrint = false) {
        m_bed->folder.writeBytes(QStringLiteral("ORVA.ini"),
                                 AnsiCodec::encode(QStringLiteral("[发票打印]\r\n发票打印机=%1\r\n字号=12\r\n"
                                                                  "[窗口发药]\r\n自动打印处方=%2\r\n")
                                                       .arg(printer)
                                                       .arg(autoPrint ? 1 : 0)));
    }

    // The files the PDF queue wrote, once it has finished every job.
    QStringList printed() {
        QElapsedTimer waited;
        waited.start();
        while (jobsOn(kPdfQueue) > 0 && waited.elapsed() < 60000)
            QTest::qWait(100);
        QStringList files;
        for (const QString& name : m_out.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time))
            files.append(m_out.filePath(name));
        return files;
    }

    static QString flatText(const QString& pdf) {
        return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .remove(QLatin1Char(' '));
    }

private slots:
    void initTestCase() {
        const QString server = qEnvironmentVariable("CUPS_SERVER");
        QVERIFY2(!server.isEmpty(), "run through tests/run-on-cups.sh");
        m_out.setPath(QFileInfo(server).absolutePath() + QStringLiteral("/out"));
        QVERIFY2(m_out.exists(), qPrintable(m_out.path()));
        Messages::setApplicationTitle(QStringLiteral("医技管理"));
    }

    void init() {
        for (const QString& name : m_out.entryList(QDir::Files))
            m_out.remove(name);
        m_bed = std::make_unique<HospitalTestBed>();
        QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
        PrintServices::install(&m_service);
        m_service.chosen.clear();
        SlipPrinting::resetAutoPrintReport();
        gHospitalName = QStringLiteral("阳光社区医院");
        m_bed->db.addOutpatient(
            QStringLiteral("2026120700001"), QStringLiteral("王小明"), HospitalFixture::at(0, 8),
            {Item{QStringLiteral("JY0002"), 1, 15, 15}, Item{QStringLiteral("JY0004"), 2, 60, 60}});
    }

    void cleanup() {
        PrintServices::install(nullptr);
        m_bed.reset();
    }

    void printersAreTheServersQueues() {
        QVERIFY(m_service.printerNames().contains(kPdfQueue));
        QCOMPARE(m_service.defaultPrinterName(), kPdfQueue);
    }

    void slipComesOutOfThePdfQueue() {
        setOptions(kPdfQueue);
        QVERIFY(SlipPrinting::MZCFPrint({QStringLiteral("2026120700001"), HospitalFixture::dept(), false,
                                         QStringLiteral("张三"), QStringLiteral("李四")},
                                        SlipPrinting::Mode::Print));
        QCOMPARE(m_bed->messages.count(), 0);
        const QStringList files = printed();
        QCOMPARE(files.size(), 1);
        const QString text = flatText(files.first());
        for (const QString& expected : {QStringLiteral("王小明"), QStringLiteral("干化学+沉渣"),
                                        QStringLiteral("60.000"), QStringLiteral("合计：75.00")})
            QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" missing in\n") + text));
        const QString png = files.first() + QStringLiteral("-page");
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-singlefile"),
             QStringLiteral("-png"), files.first(), png});
        QCOMPARE(run(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), png + QStringLiteral(".png")})
                     .trimmed(),
                 QStringLiteral("CODE-128:2026120700001"));
    }

    // Auto-print on a queue that refuses jobs marks nothing and says so once; on the PDF queue
    // every listed document comes out and is marked.
    void autoPrintMarksOnlyJobsTheServerTook() {
        setOptions(kRejecting, true);
        m_bed->db.addInpatient(QStringLiteral("Z2026120700002"), QStringLiteral("钱七"),
                               QStringLiteral("ZY2"), QStringLiteral("2床"), HospitalFixture::at(0, 8),
                               {Item{QStringLiteral("JY0001"), 1, 20, 20}});
        QPointer<Mz_CKFY> w = new Mz_CKFY;
        w->show();
        w->RefreshDJList();
        w->RefreshDJList();
        QCOMPARE(m_bed->db.count(QStringLiteral("from mz_kfdj where IsPrint=1")), 0);
        QCOMPARE(m_bed->db.count(QStringLiteral("from ZY_KFDJ where IsPrint=1")), 0);
        QCOMPARE(m_bed->messages.count(), 1);
        QVERIFY2(m_bed->messages.last().text.contains(QStringLiteral("打印机“yjgl-reject”未接受处方")),
                 qPrintable(m_bed->messages.last().text));

        setOptions(kPdfQueue, true);
        w->RefreshDJList();
        QCOMPARE(m_bed->db.count(QStringLiteral("from mz_kfdj where IsPrint=1")), 1);
        QCOMPARE(m_bed->db.count(QStringLiteral("from ZY_KFDJ where IsPrint=1")), 1);
        QCOMPARE(m_bed->messages.count(), 1);
        QString all;
        for (const QString& file : printed())
            all += flatText(file);
        QVERIFY2(all.contains(QStringLiteral("王小明")) && all.contains(QStringLiteral("钱七")),
                 qPrintable(all));
        delete w.data();
    }

    // A stopped queue keeps the jobs: they count as printed, and the clerk hears it once.
    void stoppedQueueKeepsTheJobs() {
        setOptions(kStopped);
        const int before = jobsOn(kStopped);
        const SlipRequest slip{QStringLiteral("2026120700001"), HospitalFixture::dept(), false, {}, {}};
        QVERIFY(SlipPrinting::MZCFPrint(slip, SlipPrinting::Mode::Print));
        QVERIFY(SlipPrinting::MZCFPrint(slip, SlipPrinting::Mode::Print));
        QCOMPARE(jobsOn(kStopped), before + 2);
        QCOMPARE(m_bed->messages.texts(),
                 QStringList{QStringLiteral("打印机“yjgl-paused”已暂停，打印任务在队列中等待。")});
    }

    void gridReportOnARefusingQueueIsTold() {
        SpreadGrid grid;
        grid.setMaxCols(2);
        grid.setColumnHeader(1, QStringLiteral("单号"));
        grid.setColumnHeader(2, QStringLiteral("姓名"));
        grid.setAllRows({{QStringLiteral("2026120700001"), QStringLiteral("王小明")}});
        const auto print = [&grid] {
            return PrintGrid(nullptr, &grid, QStringLiteral("【检验科】已执行单据查询"), false, true,
                             QString(), QStringLiteral("2026-12-07"), QStringLiteral("2026-12-07"),
                             QStringLiteral("制单人:张三"), QStringLiteral("打印日期:2026-12-07"));
        };
        m_service.chosen = kRejecting;
        QVERIFY(!print());
        QCOMPARE(m_bed->messages.count(), 1);
        QVERIFY2(m_bed->messages.last().text.contains(
                     QStringLiteral("打印机“yjgl-reject”未接受【检验科】已执行单据查询的打印任务")),
                 qPrintable(m_bed->messages.last().text));

        m_service.chosen = kPdfQueue;
        QVERIFY(print());
        QCOMPARE(m_bed->messages.count(), 1);
        const QStringList files = printed();
        QCOMPARE(files.size(), 1);
        QVERIFY(flatText(files.first()).contains(QStringLiteral("王小明")));
    }
};

QTEST_MAIN(PrintQueueTest)
#include "tst_print_queue.moc"
