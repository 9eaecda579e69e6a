#include "common/FileDialogService.h"
#include "common/QtTranslations.h"
#include "common/WidgetMessageService.h"
#include "support/FakeFileDialogService.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

struct SeenBox {
    int width = 0;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

QMessageBox* openBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// Looks at the box once it is open, then acts on it; the test never blocks on it.
void whenBoxOpens(SeenBox& seen, const std::function<void(QMessageBox*)>& act) {
    QTimer::singleShot(0, [&seen, act] {
        QTRY_VERIFY(openBox() != nullptr);
        QMessageBox* box = openBox();
        seen.width = box->width();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        act(box);
    });
}

QAbstractButton* buttonWithText(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class TestWidgetServices : public QObject {
    Q_OBJECT
private slots:
    void warningBox();
    void confirmOkCancel();
    void yesNoDefaultNoAndEscape();
    void enterTakesDefault();
    void shortTextKeepsTheTitleReadable();
    void installPutsWidgetServicesInPlace();
    void filterPairs_data();
    void filterPairs();
    void fakeFileDialogScripts();
    void realFileDialogReturnsChosenPath();
    void realFileDialogCancelled();
    void qtDialogsSpeakChinese();
};

void TestWidgetServices::warningBox() {
    WidgetMessageService service;
    SeenBox seen;
    whenBoxOpens(seen, [](QMessageBox* box) { box->defaultButton()->click(); });
    const MsgAnswer answer = service.show(QStringLiteral("系统提示"), QStringLiteral("请先选择执行科室！"),
                                          MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    QCOMPARE(answer, MsgAnswer::Ok);
    QCOMPARE(seen.title, QStringLiteral("系统提示"));
    QCOMPARE(seen.text, QStringLiteral("请先选择执行科室！"));
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.buttons, QStringList{QStringLiteral("确定")});
}

void TestWidgetServices::confirmOkCancel() {
    WidgetMessageService service;
    SeenBox seen;
    whenBoxOpens(seen, [](QMessageBox* box) { buttonWithText(box, QStringLiteral("取消"))->click(); });
    const MsgAnswer answer = service.show(QStringLiteral("询问"), QStringLiteral("确定执行吗？"),
                                          MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    QCOMPARE(answer, MsgAnswer::Cancel);
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.buttons.size(), 2);
    QVERIFY(seen.buttons.contains(QStringLiteral("确定")));
    QVERIFY(seen.buttons.contains(QStringLiteral("取消")));
    QCOMPARE(seen.defaultButton, QStringLiteral("确定"));

    whenBoxOpens(seen, [](QMessageBox* box) { buttonWithText(box, QStringLiteral("确定"))->click(); });
    QCOMPARE(service.show(QStringLiteral("询问"), QStringLiteral("?"), MsgIcon::Question,
                          MsgButtons::OkCancel, MsgAnswer::Ok),
             MsgAnswer::Ok);
}

void TestWidgetServices::yesNoDefaultNoAndEscape() {
    WidgetMessageService service;
    SeenBox seen;
    whenBoxOpens(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    const MsgAnswer answer = service.show(QStringLiteral("询问"), QStringLiteral("你真的要退出系统吗？"),
                                          MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No);
    QCOMPARE(answer, MsgAnswer::No);
    QVERIFY(seen.buttons.contains(QStringLiteral("是(&Y)")));
    QVERIFY(seen.buttons.contains(QStringLiteral("否(&N)")));
    QCOMPARE(seen.defaultButton, QStringLiteral("否(&N)"));

    whenBoxOpens(seen, [](QMessageBox* box) { buttonWithText(box, QStringLiteral("是(&Y)"))->click(); });
    QCOMPARE(service.show(QStringLiteral("询问"), QStringLiteral("?"), MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::No),
             MsgAnswer::Yes);
}

void TestWidgetServices::shortTextKeepsTheTitleReadable() {
    WidgetMessageService service;
    SeenBox seen;
    whenBoxOpens(seen, [](QMessageBox* box) { box->defaultButton()->click(); });
    service.show(QStringLiteral("提示"), QStringLiteral("密码错误!"), MsgIcon::Information, MsgButtons::Ok,
                 MsgAnswer::Ok);
    // The title bar holds the window icon, the close button and the title: about 140 pixels
    // besides the title's text.
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    QVERIFY2(seen.width >= QFontMetrics(titleFont).horizontalAdvance(QStringLiteral("提示")) + 140,
             qPrintable(QString::number(seen.width)));
}

void TestWidgetServices::enterTakesDefault() {
    WidgetMessageService service;
    SeenBox seen;
    whenBoxOpens(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(service.show(QStringLiteral("询问"), QStringLiteral("?"), MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::Yes),
             MsgAnswer::Yes);
    QCOMPARE(seen.defaultButton, QStringLiteral("是(&Y)"));
}

void TestWidgetServices::installPutsWidgetServicesInPlace() {
    installWidgetServices();
    QVERIFY(dynamic_cast<WidgetMessageService*>(&Messages::service()) != nullptr);
    QVERIFY(dynamic_cast<WidgetFileDialogService*>(&FileDialogs::service()) != nullptr);

    SeenBox seen;
    whenBoxOpens(seen, [](QMessageBox* box) { box->defaultButton()->click(); });
    Messages::success(QStringLiteral("文件导出成功"));
    QCOMPARE(seen.title, QStringLiteral("信息"));
    QCOMPARE(seen.icon, QMessageBox::Information);

    Messages::install(nullptr);
    FileDialogs::install(nullptr);
    QCOMPARE(FileDialogs::choose({}), QString()); // without a service: cancelled
}

void TestWidgetServices::filterPairs_data() {
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("qt");
    QTest::newRow("lone pattern") << "*.xls"
                                  << "*.xls";
    QTest::newRow("one pair") << "Excel 文件|*.xls"
                              << "Excel 文件 (*.xls)";
    QTest::newRow("two pairs") << "Excel|*.xls|所有文件|*.*"
                               << "Excel (*.xls);;所有文件 (*.*)";
    QTest::newRow("several patterns") << "图片|*.bmp;*.jpg"
                                      << "图片 (*.bmp *.jpg)";
    QTest::newRow("named patterns") << "Excel(*.xls)|*.xls"
                                    << "Excel(*.xls)";
    QTest::newRow("dangling description") << "A|*.a|B"
                                          << "A (*.a)";
    QTest::newRow("empty") << ""
                           << "";
}

void TestWidgetServices::filterPairs() {
    QFETCH(QString, pairs);
    QFETCH(QString, qt);
    QCOMPARE(FileDialogs::qtFilter(pairs), qt);
}

void TestWidgetServices::fakeFileDialogScripts() {
    FakeFileDialogService fake;
    QCOMPARE(&FileDialogs::service(), static_cast<IFileDialogService*>(&fake));
    fake.setNextAnswer(QStringLiteral("/tmp/999.xls"));
    FileDialogRequest save;
    save.saveMode = true;
    save.title = QStringLiteral("保存文件为...");
    save.fileName = QStringLiteral("999");
    QCOMPARE(FileDialogs::choose(save), QStringLiteral("/tmp/999.xls"));
    QCOMPARE(FileDialogs::choose(save), QString());
    QCOMPARE(fake.count(), 2);
    QCOMPARE(fake.requests().first().title, QStringLiteral("保存文件为..."));
    QVERIFY(fake.requests().first().saveMode);
}

void TestWidgetServices::realFileDialogReturnsChosenPath() {
    QTemporaryDir dir;
    WidgetFileDialogService service;
    QString seenTitle;
    bool seenSave = false;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr);
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        seenTitle = dialog->windowTitle();
        seenSave = dialog->acceptMode() == QFileDialog::AcceptSave;
        dialog->selectFile(dir.filePath(QStringLiteral("999.xls")));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog checks the name and accepts
    });
    FileDialogRequest save;
    save.saveMode = true;
    save.title = QStringLiteral("保存文件为...");
    save.filter = QStringLiteral("*.xls");
    save.fileName = QStringLiteral("999");
    save.initialDir = dir.path();
    QCOMPARE(service.choose(save), dir.filePath(QStringLiteral("999.xls")));
    QCOMPARE(seenTitle, QStringLiteral("保存文件为..."));
    QVERIFY(seenSave);
}

void TestWidgetServices::realFileDialogCancelled() {
    WidgetFileDialogService service;
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr);
        QApplication::activeModalWidget()->close();
    });
    FileDialogRequest open;
    open.title = QStringLiteral("打开");
    QCOMPARE(service.choose(open), QString());
}

void TestWidgetServices::qtDialogsSpeakChinese() {
    QVERIFY(installQtTranslations());
    for (const auto& [context, text] :
         {std::pair{"QFileDialog", "Look in:"}, std::pair{"QFileDialog", "&Save"},
          std::pair{"QFileDialog", "%1 already exists.\nDo you want to replace it?"},
          std::pair{"QPrintDialog", "Print"}}) {
        const QString shown = QCoreApplication::translate(context, text);
        QVERIFY2(shown != QLatin1String(text) &&
                     shown.contains(QRegularExpression(QStringLiteral("\\p{Han}"))),
                 qPrintable(shown));
    }
}

QTEST_MAIN(TestWidgetServices)
#include "tst_WidgetServices.moc"
