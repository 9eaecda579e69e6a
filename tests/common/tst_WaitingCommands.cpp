#include "common/WaitingCommands.h"
#include "common/core/BusyState.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <optional>

class WaitingCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void commandsWaitForTheDatabaseAndGetTheirStateBack();
};

void WaitingCommandsTest::commandsWaitForTheDatabaseAndGetTheirStateBack() {
    QWidget window;
    auto* save = new QPushButton(QStringLiteral("保存"), &window);
    save->setObjectName(QStringLiteral("Command1"));
    auto* print = new QCheckBox(QStringLiteral("自动打印"), &window);
    print->setObjectName(QStringLiteral("Check1"));
    auto* off = new QPushButton(QStringLiteral("删除"), &window);
    off->setObjectName(QStringLiteral("Command2"));
    off->setEnabled(false); // off for the window's own reason
    auto* close = new QPushButton(QStringLiteral("关闭"), &window);
    close->setObjectName(QStringLiteral("Command3"));
    auto* link = new QToolButton(&window);
    auto* waiting = new WaitingCommands(&window, {"Command1", "Check1", "Command2", "Missing"});
    waiting->add(link);
    QCOMPARE(waiting->commands(), (QList<QWidget*>{save, print, off, link}));
    window.show();

    std::optional<BusyState::Guard> statement;
    statement.emplace(BusyState::Kind::DatabaseWait);
    QTRY_VERIFY(BusyState::instance().waitingForDatabase());
    for (QWidget* command : {static_cast<QWidget*>(save), static_cast<QWidget*>(print),
                             static_cast<QWidget*>(off), static_cast<QWidget*>(link)})
        QVERIFY2(!command->isEnabled(), qPrintable(command->objectName()));
    QVERIFY(close->isEnabled()); // not a writing command

    statement.reset();
    QVERIFY(!BusyState::instance().waitingForDatabase());
    QVERIFY(save->isEnabled());
    QVERIFY(print->isEnabled());
    QVERIFY(link->isEnabled());
    QVERIFY(!off->isEnabled());
}

QTEST_MAIN(WaitingCommandsTest)
#include "tst_WaitingCommands.moc"
