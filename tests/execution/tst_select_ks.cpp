#include "HospitalTestBed.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/demo/DemoDatabase.h"
#include "execution/SelectKS.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

class SelectKSTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsTheDepartmentsInOrder();
    void confirmStoresTheDepartment();
    void emptyChoiceIsRefused();
    void cancelEndsTheProgram();
    void escapeAndCloseBoxEndTheProgram();
    void failingListKeepsTheChooserOpen();
    void buttonsLieWholeInsideTheDialog();

private:
    std::unique_ptr<HospitalTestBed> m_bed;
};

void SelectKSTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
}

void SelectKSTest::cleanup() {
    m_bed.reset();
}

void SelectKSTest::listsTheDepartmentsInOrder() {
    FakeMessageService& messages = m_bed->messages;
    SelectKS dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("请选择您要进入的科室"));
    QVERIFY(dialog.findChild<QLabel*>()->text() == QStringLiteral("请选择您要进入的医技科室"));
    auto* ks = dialog.findChild<QComboBox*>("KS");
    QVERIFY(ks && !ks->isEditable());
    QStringList names;
    for (int i = 0; i < ks->count(); ++i)
        names << ks->itemText(i);
    QCOMPARE(names, DemoDatabase::departments());
    QCOMPARE(dialog.findChild<QPushButton*>("Command1")->text(), QStringLiteral("确定(&Y)"));
    QCOMPARE(dialog.findChild<QPushButton*>("Command2")->text(), QStringLiteral("取消(&C)"));
    QCOMPARE(messages.count(), 0);
}

void SelectKSTest::confirmStoresTheDepartment() {
    FakeMessageService& messages = m_bed->messages;
    gExecDept.clear();
    SelectKS dialog;
    auto* ks = dialog.findChild<QComboBox*>("KS");
    ks->setCurrentIndex(1);
    QTimer::singleShot(0, &dialog, [&] { dialog.findChild<QPushButton*>("Command1")->click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(gExecDept, DemoDatabase::departments().at(1));
    QCOMPARE(messages.count(), 0);
}

void SelectKSTest::emptyChoiceIsRefused() {
    FakeMessageService& messages = m_bed->messages;
    HospitalFixture& db = m_bed->db;
    QVERIFY(db.exec("DELETE FROM CS WHERE ControlID='ZXKS'"));
    gExecDept = QStringLiteral("旧科室");
    SelectKS dialog;
    dialog.show();
    QCOMPARE(dialog.findChild<QComboBox*>("KS")->count(), 0);
    dialog.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(messages.texts(), QStringList{"科室不能为空。"});
    QCOMPARE(messages.last().title, QStringLiteral("系统提示"));
    QCOMPARE(messages.last().icon, MsgIcon::Exclamation);
    QVERIFY(dialog.isVisible());
    QCOMPARE(gExecDept, QStringLiteral("旧科室"));
}

void SelectKSTest::cancelEndsTheProgram() {
    FakeMessageService& messages = m_bed->messages;
    int exits = 0;
    SelectKS::setExitHandler([&] { ++exits; });
    gExecDept.clear();
    SelectKS dialog;
    QTimer::singleShot(0, &dialog, [&] { dialog.findChild<QPushButton*>("Command2")->click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    SelectKS::setExitHandler({});
    QCOMPARE(exits, 1);
    QVERIFY(gExecDept.isEmpty());
    QCOMPARE(messages.count(), 0); // no further confirmation
}

void SelectKSTest::escapeAndCloseBoxEndTheProgram() {
    FakeMessageService& messages = m_bed->messages;
    int exits = 0;
    SelectKS::setExitHandler([&] { ++exits; });
    gExecDept.clear();
    {
        SelectKS dialog;
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(exits, 1);
    }
    {
        SelectKS dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(exits, 2);
    }
    SelectKS::setExitHandler({});
    QVERIFY(gExecDept.isEmpty());
    QCOMPARE(messages.count(), 0);
}

void SelectKSTest::failingListKeepsTheChooserOpen() {
    FakeMessageService& messages = m_bed->messages;
    HospitalFixture& db = m_bed->db;
    QVERIFY(db.exec("DROP TABLE CS"));
    SelectKS dialog;
    dialog.show();
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.last().text.startsWith(QStringLiteral("错误号：")));
    QCOMPARE(dialog.findChild<QComboBox*>("KS")->count(), 0);
    QVERIFY(dialog.isVisible());
}

void SelectKSTest::buttonsLieWholeInsideTheDialog() {
    SelectKS dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The window keeps the size its layout needs: a window manager cannot shorten it.
    QCOMPARE(dialog.minimumSize(), dialog.sizeHint());
    QCOMPARE(dialog.maximumSize(), dialog.sizeHint());
    dialog.resize(dialog.width(), dialog.height() / 2);
    QApplication::processEvents();
    const QRect inside = dialog.contentsRect().marginsRemoved(dialog.layout()->contentsMargins());
    for (const char* name : {"Command1", "Command2"}) {
        auto* button = dialog.findChild<QPushButton*>(name);
        QVERIFY2(inside.contains(QRect(button->mapTo(&dialog, QPoint(0, 0)), button->size())), name);
        QVERIFY2(button->height() >= button->sizeHint().height(), name);
    }
}

QTEST_MAIN(SelectKSTest)
#include "tst_select_ks.moc"
