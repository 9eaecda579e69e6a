// The pending window while the database does not answer: a server that stops answering (a
// loopback proxy that stops forwarding, as a paused server or a pulled cable does), a write lock
// that another program holds on the embedded database, and a long export.
#include "HospitalFixture.h"
#include "common/SpreadGrid.h"
#include "common/core/BusyState.h"
#include "common/core/CIniFile.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/SqlTrace.h"
#include "db/StatementHelpers.h"
#include "db/StatementTimeout.h"
#include "execution/Mz_CKFY.h"
#include "execution/core/ExecutionRules.h"
#include "execution/core/ExecutionStatements.h"
#include "output/GridOutput.h"
#include "support/FakeFileDialogService.h"
#include "support/FakeMessageService.h"
#include "support/FakePrintService.h"
#include "support/TestEngine.h"
#include "support/TestFolder.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {

using Item = HospitalFixture::Item;

const QString kDH = QStringLiteral("2026120700001");
constexpr int kTimeoutMs = 1500;
constexpr int kLongestStallMs = 250;

// Forwards connections to the server on a thread of its own; stalled, it keeps every
// connection open and lets nothing through in either direction.
class StallingProxy : public QObject {
public:
    StallingProxy(const QString& host, quint16 port) : m_host(host), m_targetPort(port) {
        moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            this, [this] { listen(); }, Qt::BlockingQueuedConnection);
    }
    ~StallingProxy() override {
        QMetaObject::invokeMethod(
            this, [this] { qDeleteAll(children()); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }
    // Stalls at the client's next COMMIT: the server gets it (its answer is what is lost) or not.
    void stallAtCommit(bool commitReaches) {
        m_commitReaches = commitReaches;
        m_stallAtCommit = true;
    }
    void setStalled(bool stalled) {
        m_stalled = stalled;
        if (!stalled)
            QMetaObject::invokeMethod(
                this, [this] { pumpAll(); }, Qt::QueuedConnection);
    }

private:
    void listen() {
        auto* server = new QTcpServer(this);
        server->listen(QHostAddress::LocalHost);
        m_port = server->serverPort();
        connect(server, &QTcpServer::newConnection, this, [this, server] {
            while (QTcpSocket* client = server->nextPendingConnection())
                join(client);
        });
    }
    void join(QTcpSocket* client) {
        client->setParent(this);
        auto* target = new QTcpSocket(this);
        m_pairs.append(std::make_pair(QPointer<QTcpSocket>(client), QPointer<QTcpSocket>(target)));
        connect(client, &QTcpSocket::readyRead, this, [this, client, target] { pump(client, target, true); });
        connect(target, &QTcpSocket::readyRead, this, [this, client, target] { pump(target, client); });
        connect(target, &QTcpSocket::connected, this, [this, client, target] { pump(client, target, true); });
        connect(client, &QTcpSocket::disconnected, target, &QTcpSocket::disconnectFromHost);
        connect(target, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        target->connectToHost(m_host, m_targetPort);
    }
    void pump(QTcpSocket* from, QTcpSocket* to, bool toServer = false) {
        if (m_stalled || to->state() != QAbstractSocket::ConnectedState)
            return;
        const QByteArray data = from->readAll();
        if (toServer && m_stallAtCommit && data.contains("COMMIT")) {
            m_stallAtCommit = false;
            m_stalled = true;
            if (!m_commitReaches)
                return;
        }
        to->write(data);
    }
    void pumpAll() {
        for (const auto& [client, target] : std::as_const(m_pairs)) {
            if (client && target) {
                pump(client, target, true);
                pump(target, client);
            }
        }
    }

    QThread m_thread;
    QString m_host;
    quint16 m_targetPort = 0;
    quint16 m_port = 0;
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_stallAtCommit{false};
    std::atomic<bool> m_commitReaches{false};
    QList<std::pair<QPointer<QTcpSocket>, QPointer<QTcpSocket>>> m_pairs;
};

// The window's event loop as the clerk feels it: a short timer whose lateness is recorded, and
// at every tick what the window shows.
struct StallMeter {
    static constexpr int IntervalMs = 20;
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    bool sawWaiting = false;
    bool executeEnabledWhileWaiting = false;
    // A statement that the window's events start meanwhile is refused, not slipped in between.
    bool statementRefusedWhileWaiting = false;
    QPushButton* execute = nullptr;

    explicit StallMeter(QPushButton* executeButton) : execute(executeButton) {
        timer.setInterval(IntervalMs);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longest = qMax(longest, now - last - IntervalMs);
            last = now;
            if (BusyState::instance().waitingForDatabase()) {
                sawWaiting = true;
                executeEnabledWhileWaiting |= execute && execute->isEnabled();
                AppError error;
                statementRefusedWhileWaiting |= !gConn->execute(QStringLiteral("select 1"), &error) &&
                                                error.description.contains(QStringLiteral("正忙"));
            }
        });
        clock.start();
        timer.start();
    }
};

// Long exports let events through as the real progress window does.
class EventfulPrintService : public FakePrintService {
public:
    using FakePrintService::FakePrintService;
    std::unique_ptr<ProgressReporter> progress(const QString&, qint64) override {
        struct Progress : ProgressReporter {
            bool update(qint64 done) override {
                QTest::qWait(1);
                return done < 200;
            }
        };
        ++progressWindows;
        return std::make_unique<Progress>();
    }
};

struct Setup {
    TestFolder folder;
    FakeMessageService messages;
    FakeFileDialogService files;
    EventfulPrintService printer{folder.path()};
    HospitalFixture db{folder};
    QPointer<Mz_CKFY> window;
    // The connection-failure handler's calls, and whether anything was under way at each.
    QStringList failures;
    QList<bool> failuresUnderWay;
    // What the operator does in the connection window before it closes.
    std::function<void()> inConnectionWindow;
    QString traceFile = folder.file(QStringLiteral("trace.log"));

    Setup() {
        CIniFile ini;
        ini.SpecifyIni(StatementTimeout::iniPath());
        ini.WriteString(QStringLiteral("Database"), QStringLiteral("StatementTimeout"),
                        QString::number(kTimeoutMs / 1000.0));
        // The connection window: modal, the program's events go on beneath it.
        setConnectionFailureHandler([this](const QString& description) {
            failures << description;
            failuresUnderWay << BusyState::instance().underWay();
            const BusyState::Guard modal;
            QTest::qWait(2 * kTimeoutMs);
            if (inConnectionWindow)
                inConnectionWindow();
        });
        db.addOutpatient(kDH, QStringLiteral("患者甲"), HospitalFixture::at(0, 7),
                         {Item{QStringLiteral("JY0001"), 1, 20, 20}});
    }
    ~Setup() {
        qunsetenv("YJGL_SQL_TRACE");
        delete window.data();
        setConnectionFailureHandler({});
    }

    // gConn on `connectionString` with the test's short timeout.
    void reconnect(const QString& connectionString) {
        gConnStr = connectionString;
        resetGlobalConnection(connectionString);
        OpenConn();
    }
    Mz_CKFY* open() {
        window = new Mz_CKFY;
        window->show();
        // The timer comes often: every chance to refresh in the middle of something is taken.
        window->findChild<QTimer*>(QStringLiteral("Timer1"))->setInterval(10);
        SpreadGrid* list = window->findChild<SpreadGrid*>(QStringLiteral("fpSpread1"));
        const QRect row = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        return window;
    }
    QPushButton* executeButton() const { return window->findChild<QPushButton*>(QStringLiteral("Command2")); }
    void startTrace() { qputenv("YJGL_SQL_TRACE", traceFile.toLocal8Bit()); }
    // How often the pending list was asked for since the trace started.
    int listReads() {
        const QString list = ExecutionSql::pendingList(HospitalFixture::dept(), HospitalFixture::today(),
                                                       HospitalFixture::today());
        return int(SqlTrace::readStatements(traceFile).count(list));
    }
    int executions() { return db.count(QStringLiteral("from MZ_YJZX where DH='") + kDH + QLatin1Char('\'')); }
    bool commonMessageOf(qint64 number) const {
        return messages.count() > 0 &&
               messages.last().text.startsWith(QStringLiteral("错误号：  %1\r\n").arg(number));
    }
};

} // namespace

class MzCkfyStallTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_setup = std::make_unique<Setup>();
        QVERIFY2(m_setup->db.isReady(), qPrintable(m_setup->db.error()));
    }
    void cleanup() { m_setup.reset(); }

    void serverThatStopsAnsweringTakesTheLostLinkRoad_data();
    void serverThatStopsAnsweringTakesTheLostLinkRoad();
    void commitWithoutAnswerIsNeitherDoubledNorLost_data();
    void commitWithoutAnswerIsNeitherDoubledNorLost();
    void writeLockHeldElsewhereKeepsTheWindowAlive();
    void refreshWaitsForALongExport();

private:
    std::unique_ptr<StallingProxy> proxyToServer();
    std::unique_ptr<Setup> m_setup;
};

void MzCkfyStallTest::serverThatStopsAnsweringTakesTheLostLinkRoad_data() {
    QTest::addColumn<bool>("backBeforeReopen");
    QTest::newRow("stays stopped") << false;
    QTest::newRow("back before the reopen") << true;
}

// The test server behind a proxy; gConn goes through the proxy.
std::unique_ptr<StallingProxy> MzCkfyStallTest::proxyToServer() {
    Setup& s = *m_setup;
    QString postgres = s.db.connectionString();
    if (TestEngine::onOdbc()) {
        // Through the data source: the server's own settings, with the proxy in its place.
        const QString database =
            QRegularExpression(QStringLiteral("Database=([^;]*)")).match(postgres).captured(1);
        postgres = TestEngine::serverConnection().replace(
            QRegularExpression(QStringLiteral("Initial Catalog=[^;]*")),
            QStringLiteral("Initial Catalog=") + database);
    }
    const QRegularExpression source(QStringLiteral("Data Source=([^;:]*):(\\d+)"));
    const QRegularExpressionMatch server = source.match(postgres);
    if (!server.hasMatch())
        return nullptr;
    auto proxy = std::make_unique<StallingProxy>(server.captured(1), quint16(server.captured(2).toUInt()));
    s.reconnect(TestEngine::programConnection(
        postgres.replace(source, QStringLiteral("Data Source=127.0.0.1:%1").arg(proxy->port()))));
    return proxy;
}

void MzCkfyStallTest::serverThatStopsAnsweringTakesTheLostLinkRoad() {
    if (!TestEngine::onPostgres())
        QSKIP("a server connection; run as tst_mz_ckfy_stall_pg");
    QFETCH(bool, backBeforeReopen);
    Setup& s = *m_setup;
    const std::unique_ptr<StallingProxy> through = proxyToServer();
    QVERIFY(through && gConn->isOpen());
    StallingProxy& proxy = *through;
    QCOMPARE(gConn->timeoutMs(), kTimeoutMs);
    Mz_CKFY* w = s.open();

    // The server stops while the clerk confirms the execution; the link is back (or not) by the
    // time the clerk has read the error.
    s.messages.setOnShow([&](const FakeMessageService::Shown& box) {
        if (box.title == QStringLiteral("询问"))
            proxy.setStalled(true);
        else if (backBeforeReopen && box.text.startsWith(QStringLiteral("错误号")))
            proxy.setStalled(false);
    });
    StallMeter meter(s.executeButton());
    s.startTrace();
    w->ExecuteSelected();

    // The attempt ended with the common message; the reopen has not been tried from inside it.
    QVERIFY2(s.commonMessageOf(DbError::BrokenLink), qPrintable(s.messages.last().text));
    QVERIFY(s.messages.last().text.contains(QStringLiteral("没有应答")));
    QVERIFY(LostLinkPending());
    QVERIFY(s.failures.isEmpty());
    // The list was read before and after the attempt, never by the timer in between.
    QCOMPARE(s.listReads(), 2);

    if (backBeforeReopen) {
        QTRY_VERIFY(!LostLinkPending());
        QVERIFY(gConn->isOpen());
        QVERIFY(s.failures.isEmpty());
    } else {
        s.inConnectionWindow = [&] {
            proxy.setStalled(false);
            OpenConn(); // 重试
        };
        QTRY_COMPARE_WITH_TIMEOUT(s.failures.size(), 1, 10000);
        QCOMPARE(s.failuresUnderWay, QList<bool>{false}); // from the event loop, nothing under way
        QTRY_VERIFY(gConn->isOpen());
        QTest::qWait(kTimeoutMs);
        QCOMPARE(s.failures.size(), 1); // taken once
    }
    meter.timer.stop();
    QVERIFY(meter.sawWaiting);
    QVERIFY(!meter.executeEnabledWhileWaiting);
    QVERIFY(meter.statementRefusedWhileWaiting);
    QVERIFY2(meter.longest <= kLongestStallMs, qPrintable(QString::number(meter.longest)));

    // Nothing was stored; executed now, the document is stored once.
    QCOMPARE(s.executions(), 0);
    s.messages.setOnShow({});
    w->ExecuteSelected();
    QCOMPARE(s.messages.last().text, QStringLiteral("执行成功。"));
    QCOMPARE(s.executions(), 1);
}

void MzCkfyStallTest::commitWithoutAnswerIsNeitherDoubledNorLost_data() {
    QTest::addColumn<bool>("commitReaches");
    QTest::newRow("commit lost on the way") << false;
    QTest::newRow("answer lost on the way") << true;
}

void MzCkfyStallTest::commitWithoutAnswerIsNeitherDoubledNorLost() {
    if (!TestEngine::onPostgres())
        QSKIP("a server connection; run as tst_mz_ckfy_stall_pg");
    QFETCH(bool, commitReaches);
    Setup& s = *m_setup;
    const std::unique_ptr<StallingProxy> proxy = proxyToServer();
    QVERIFY(proxy && gConn->isOpen());
    Mz_CKFY* w = s.open();
    s.inConnectionWindow = [&] {
        proxy->setStalled(false);
        OpenConn(); // 重试
    };
    proxy->stallAtCommit(commitReaches);
    w->ExecuteSelected();
    QVERIFY2(s.commonMessageOf(DbError::BrokenLink), qPrintable(s.messages.last().text));
    QTRY_COMPARE_WITH_TIMEOUT(s.failures.size(), 1, 10000);
    QTRY_VERIFY(gConn->isOpen());

    // What the server kept stands; the clerk's second attempt neither doubles nor loses it.
    QCOMPARE(s.executions(), commitReaches ? 1 : 0);
    w->ExecuteSelected();
    QCOMPARE(s.messages.last().text,
             commitReaches ? RefusalText(ExecutionRefusal::NotListed) : QStringLiteral("执行成功。"));
    QCOMPARE(s.executions(), 1);
}

void MzCkfyStallTest::writeLockHeldElsewhereKeepsTheWindowAlive() {
    if (TestEngine::onPostgres())
        QSKIP("the embedded engine's write lock; run as tst_mz_ckfy_stall");
    Setup& s = *m_setup;
    s.reconnect(s.db.connectionString());
    QCOMPARE(gConn->timeoutMs(), kTimeoutMs);
    Mz_CKFY* w = s.open();
    Connection other; // another program holds the write lock
    other.setConnectionString(s.db.connectionString());
    QVERIFY(other.open());
    QVERIFY(other.beginTrans());

    StallMeter meter(s.executeButton());
    s.startTrace();
    w->ExecuteSelected();
    meter.timer.stop();

    // The wait ended after the timeout with the lock message; the connection stays as it was.
    QVERIFY2(s.commonMessageOf(DbError::LockTimeout), qPrintable(s.messages.last().text));
    QVERIFY(gConn->isOpen());
    QVERIFY(!LostLinkPending());
    QCOMPARE(s.listReads(), 2);
    QVERIFY(meter.sawWaiting);
    QVERIFY(!meter.executeEnabledWhileWaiting);
    QVERIFY(meter.statementRefusedWhileWaiting);
    QVERIFY2(meter.longest <= kLongestStallMs, qPrintable(QString::number(meter.longest)));
    QTRY_VERIFY(s.executeButton()->isEnabled());

    QVERIFY(other.rollbackTrans());
    QCOMPARE(s.executions(), 0);
    w->ExecuteSelected();
    QCOMPARE(s.messages.last().text, QStringLiteral("执行成功。"));
    QCOMPARE(s.executions(), 1);
}

void MzCkfyStallTest::refreshWaitsForALongExport() {
    Setup& s = *m_setup;
    s.open();
    SpreadGrid grid;
    grid.setMaxCols(1);
    grid.setAllRows(QVector<QStringList>(int(PrintServices::kProgressRows) + 1, {QStringLiteral("行")}));
    s.files.setNextAnswer(s.folder.file(QStringLiteral("long.xls")));
    s.startTrace();
    ExportGridToExcel(&grid, nullptr, QStringLiteral("导出"));
    QCOMPARE(s.printer.progressWindows, 1);
    QCOMPARE(s.listReads(), 0); // the progress window let the timer's ticks through, not its refresh
    QTRY_VERIFY(s.listReads() > 0);
}

QTEST_MAIN(MzCkfyStallTest)
#include "tst_mz_ckfy_stall.moc"
