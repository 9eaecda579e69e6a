// The perpetual calendar in a program that does not link the browser engine, as the real
// program: the engine loads with the first calendar window and the page still shows.
#include "common/core/ProgramFolder.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"
#include "tools/BrowserLoader.h"
#include "tools/Frm_wnl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

namespace {

// True while a library whose name holds `part` is mapped into this process.
bool libraryLoaded(const QString& part) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && QString::fromLatin1(maps.readAll()).contains(part);
}

// How many pixels of the image have exactly this colour.
int pixelsOf(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return count;
}

} // namespace

class CalendarLateStartTest : public QObject {
    Q_OBJECT

private slots:
    void pageRendersWhenTheEngineLoadsWithTheWindow() {
        QVERIFY(!libraryLoaded(QStringLiteral("WebEngine")));
        QVERIFY(!BrowserLoader::loaded());

        TestFolder folder;
        const QDir shipped(QDir(TestFolder::sourceDir()).filePath("resources/LBReg"));
        QVERIFY(QDir(folder.path()).mkpath("LBReg"));
        for (const char* name : {"wnl.htm", "festivals.js"})
            QVERIFY(QFile::copy(shipped.filePath(name), folder.file(QStringLiteral("LBReg/") + name)));
        ProgramFolder::setOverride(folder.file("yj"));
        FakeMessageService messages;

        Frm_wnl window;
        QVERIFY(window.browser());
        QVERIFY(libraryLoaded(QStringLiteral("WebEngine")));
        QSignalSpy loaded(window.browser(), SIGNAL(loadFinished(bool)));
        window.resize(900, 600);
        window.show();
        QVERIFY(loaded.wait(30000) || loaded.count() == 1);
        QVERIFY(loaded.first().first().toBool());
        QCOMPARE(messages.count(), 0);

        // The page's own colours reach the window: its background and the weekday heads.
        int background = 0;
        int heads = 0;
        for (int attempt = 0; attempt < 100 && (background < 1000 || heads < 1000); ++attempt) {
            QTest::qWait(100);
            const QImage shown = window.grab().toImage();
            background = pixelsOf(shown, qRgb(0xc0, 0xdd, 0xfa));
            heads = pixelsOf(shown, qRgb(0x5b, 0x8f, 0xc7));
        }
        QVERIFY2(background >= 1000, qPrintable(QString::number(background)));
        QVERIFY2(heads >= 1000, qPrintable(QString::number(heads)));
        ProgramFolder::setOverride({});
    }
};

int main(int argc, char* argv[]) {
    // Run as root (CI), Chromium needs its sandbox off.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    CalendarLateStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_calendar_late_start.moc"
