// The print options window on a fresh program folder.
#include "common/core/AnsiCodec.h"
#include "common/core/OrvaIni.h"
#include "common/core/ProcessLauncher.h"
#include "support/FakeMessageService.h"
#include "support/FakeProcessLauncher.h"
#include "support/TestFolder.h"
#include "voiding/Frm_Option.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

class FrmOptionTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_folder = std::make_unique<TestFolder>();
        m_messages = std::make_unique<FakeMessageService>();
    }
    void cleanup() {
        m_messages.reset();
        m_folder.reset();
    }

    void withoutIniShowsNoPrinterAndSizeZero() {
        Frm_Option window;
        QCOMPARE(window.findChild<QComboBox*>("Com_Print")->currentText(), QString());
        QCOMPARE(window.findChild<QLineEdit*>("Txt_ZH")->text(), QStringLiteral("0"));
        auto* tabs = window.findChild<QTabWidget*>("vbalDTabControlX1");
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("Frame1"));
        QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("Frame4"));
    }

    void fontSizeTakesOnlyDigitsAndPoint() {
        Frm_Option window;
        auto* size = window.findChild<QLineEdit*>("Txt_ZH");
        size->clear();
        QTest::keyClicks(size, "1a2.5 -b");
        QCOMPARE(size->text(), QStringLiteral("12.5"));
        QTest::keyClick(size, Qt::Key_Backspace);
        QCOMPARE(size->text(), QStringLiteral("12."));
    }

    void savesAsTypedAndShowsAnUninstalledPrinter() {
        {
            Frm_Option window;
            window.show();
            window.findChild<QComboBox*>("Com_Print")->setEditText(QStringLiteral("已拆除的打印机"));
            window.findChild<QLineEdit*>("Txt_ZH")->clear();
            window.findChild<QPushButton*>("Command1")->click();
            QCOMPARE(m_messages->texts(), QStringList{"设置成功"});
            QCOMPARE(m_messages->last().title, QStringLiteral("信息"));
            QVERIFY(!window.isVisible());
        }
        QVERIFY(AnsiCodec::decode(m_folder->readBytes("ORVA.ini")).contains(QStringLiteral("字号=\r\n")));
        Frm_Option again;
        QCOMPARE(again.findChild<QComboBox*>("Com_Print")->currentText(), QStringLiteral("已拆除的打印机"));
        QCOMPARE(again.findChild<QLineEdit*>("Txt_ZH")->text(), QStringLiteral("0"));
    }

    void closeSavesNothingAndOpenHandsTheFileToTheDesktop() {
        FakeProcessLauncher launcher;
        Frm_Option window;
        window.findChild<QPushButton*>("Command3")->click();
        QCOMPARE(launcher.started, QStringList{"xdg-open " + OrvaIni::path()});
        window.findChild<QPushButton*>("Command2")->click();
        QVERIFY(!QFile::exists(m_folder->file("ORVA.ini")));
        QCOMPARE(m_messages->count(), 0);
    }

private:
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<FakeMessageService> m_messages;
};

QTEST_MAIN(FrmOptionTest)
#include "tst_frm_option.moc"
