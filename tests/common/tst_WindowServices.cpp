#include "common/CleanControl.h"
#include "common/EnterAsTab.h"
#include "common/GridStyle.h"
#include "common/SpreadGrid.h"
#include "common/core/Clock.h"
#include "common/pages/Fonts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

namespace {

const QColor kWindow(192, 221, 250);

QColor backOf(const QWidget* w) {
    return w->palette().color(QPalette::Window);
}

// A data-entry window: three text boxes, a combo box, a multi-line box and a button.
struct EntryWindow {
    QWidget window;
    QLineEdit* code = new QLineEdit(&window);
    QLineEdit* name = new QLineEdit(&window);
    QComboBox* kind = new QComboBox(&window);
    QLineEdit* price = new QLineEdit(&window);
    QTextEdit* memo = new QTextEdit(&window);
    QPushButton* save = new QPushButton(QStringLiteral("保存"), &window);

    EntryWindow() {
        kind->addItems({QStringLiteral("检验"), QStringLiteral("检查")});
        int y = 0;
        for (QWidget* w :
             {static_cast<QWidget*>(code), static_cast<QWidget*>(name), static_cast<QWidget*>(kind),
              static_cast<QWidget*>(price), static_cast<QWidget*>(memo), static_cast<QWidget*>(save)}) {
            w->setGeometry(10, y, 150, 24);
            y += 30;
        }
        window.resize(200, 220);
        name->setText(QStringLiteral("张三"));
        price->setText(QStringLiteral("12.5"));
    }
    void show() {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
    }
};

} // namespace

class TestWindowServices : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Clock::setFixedNow({}); }

    void styleGridColours();
    void styleGridHighlightColours();
    void kindsFollowQtClasses();
    void controlColourSparesTagOne();
    void clsAllResetsInputs();
    void clsAllFrames_data();
    void clsAllFrames();
    void enterMovesToNextTextBoxSelectingIt();
    void enterOpensNextComboBox();
    void enterInMultiLineBoxStays();
    void enterOnLastControlOnlyTabs();
    void otherKeysAreLeftAlone();
    void keyPreviewFilterSwallowsEnter();
    void songTiResolvesToChineseFont();
};

void TestWindowServices::styleGridColours() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setMaxRows(3);
    grid.setBackColor(Qt::black);
    bool keep = true;
    StyleGrid(&grid, keep);
    QCOMPARE(grid.maxRows(), 3);
    QCOMPARE(grid.backColor(), QColor(255, 255, 255));
    QCOMPARE(grid.grayAreaBackColor(), QColor(255, 255, 255));
    QCOMPARE(grid.selForeColor(), QColor(255, 0, 0)); // 0x0000FF is red in BGR order
    QCOMPARE(grid.palette().color(QPalette::HighlightedText), QColor(255, 0, 0));
    keep = false;
    StyleGrid(&grid, keep);
    QCOMPARE(grid.maxRows(), 0);
    StyleGrid(nullptr, keep);
}

void TestWindowServices::styleGridHighlightColours() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setMaxRows(3);
    bool keep = true;
    StyleGridHighlight(&grid, keep);
    QCOMPARE(grid.maxRows(), 3);
    QCOMPARE(grid.selBackColor(), QColor(0xC0, 0xC0, 0xFF));
    QCOMPARE(grid.shadowColor(), QColor(0xC0, 0xDD, 0xFA));
    QCOMPARE(grid.selForeColor(), QColor(0xFF, 0, 0));
    QCOMPARE(grid.grayAreaBackColor(), QColor(0xC0, 0xDD, 0xFA));
    QCOMPARE(grid.backColor(), QColor(0xFF, 0xFF, 0xFF));
    QCOMPARE(grid.palette().color(QPalette::Highlight), QColor(0xC0, 0xC0, 0xFF));
    QCOMPARE(grid.palette().color(QPalette::Base), QColor(0xC0, 0xDD, 0xFA));
    QCOMPARE(grid.horizontalHeader()->palette().color(QPalette::Button), QColor(0xC0, 0xDD, 0xFA));
    keep = false;
    StyleGridHighlight(&grid, keep);
    QCOMPARE(grid.maxRows(), 0);
}

void TestWindowServices::kindsFollowQtClasses() {
    QWidget form;
    auto* label = new QLabel(&form);
    auto* frame = new QFrame(&form);
    auto* group = new QGroupBox(&form);
    auto* combo = new QComboBox(&form);
    combo->setEditable(true);
    auto* date = new QDateEdit(&form);
    auto* grid = new SpreadGrid(&form);
    auto* picture = new QLabel(&form);
    picture->setProperty("kind", QStringLiteral("PictureBox"));
    QCOMPARE(CleanControl::controlKind(label), QStringLiteral("Label"));
    QCOMPARE(CleanControl::controlKind(frame), QStringLiteral("Frame"));
    QCOMPARE(CleanControl::controlKind(group), QStringLiteral("Frame"));
    QCOMPARE(CleanControl::controlKind(new QCheckBox(&form)), QStringLiteral("CheckBox"));
    QCOMPARE(CleanControl::controlKind(new QRadioButton(&form)), QStringLiteral("OptionButton"));
    QCOMPARE(CleanControl::controlKind(new QToolBar(&form)), QStringLiteral("xToolbar"));
    QCOMPARE(CleanControl::controlKind(new QTextEdit(&form)), QStringLiteral("TextBox"));
    QCOMPARE(CleanControl::controlKind(date), QStringLiteral("DTPicker"));
    QCOMPARE(CleanControl::controlKind(grid), QString()); // a grid is a frame only to Qt
    QCOMPARE(CleanControl::controlKind(picture), QStringLiteral("PictureBox"));

    // Inner parts of compound controls are not controls of the window.
    const QList<QWidget*> controls = CleanControl::formControls(&form);
    QVERIFY(controls.contains(combo));
    QVERIFY(controls.contains(date));
    QVERIFY(controls.contains(grid));
    QVERIFY(!controls.contains(combo->lineEdit()));
    QVERIFY(!controls.contains(date->findChild<QLineEdit*>()));
    QVERIFY(!controls.contains(grid->viewport()));
}

void TestWindowServices::controlColourSparesTagOne() {
    QWidget form;
    auto* plain = new QLabel(QStringLiteral("姓名"), &form);
    auto* tagged = new QLabel(QStringLiteral("提示"), &form);
    tagged->setProperty("tag", QStringLiteral("1"));
    QPalette own = tagged->palette();
    own.setColor(QPalette::Window, Qt::yellow);
    tagged->setPalette(own);
    auto* group = new QGroupBox(&form);
    auto* inGroup = new QCheckBox(group);
    auto* edit = new QLineEdit(&form);
    const QColor editBack = edit->palette().color(QPalette::Base);
    auto* button = new QPushButton(&form);
    QPalette buttonPalette = button->palette();
    buttonPalette.setColor(QPalette::Window, Qt::darkGreen);
    button->setPalette(buttonPalette);

    CleanControl::SetControlColor(&form);
    QCOMPARE(backOf(&form), kWindow);
    QVERIFY(form.autoFillBackground());
    QCOMPARE(backOf(plain), kWindow);
    QVERIFY(plain->autoFillBackground());
    QCOMPARE(backOf(tagged), QColor(Qt::yellow));
    QVERIFY(!tagged->autoFillBackground());
    QCOMPARE(backOf(group), kWindow);
    QVERIFY(inGroup->autoFillBackground());
    QCOMPARE(edit->palette().color(QPalette::Base), editBack);
    QVERIFY(!edit->autoFillBackground());
    QCOMPARE(backOf(button), QColor(Qt::darkGreen));
    CleanControl::SetControlColor(nullptr);
}

void TestWindowServices::clsAllResetsInputs() {
    Clock::setFixedNow(QDateTime(QDate(2010, 1, 5), QTime(8, 30)));
    QWidget form;
    auto* emptyList = new QComboBox(&form); // a drop-down list without entries
    auto* list = new QComboBox(&form);
    list->addItems({QStringLiteral("全部"), QStringLiteral("门诊"), QStringLiteral("住院")});
    list->setCurrentIndex(2);
    QFont bold = list->font();
    bold.setBold(true);
    list->setFont(bold);
    auto* editable = new QComboBox(&form);
    editable->setEditable(true);
    editable->addItems({QStringLiteral("甲"), QStringLiteral("乙")});
    editable->setEditText(QStringLiteral("手写"));
    auto* text = new QLineEdit(QStringLiteral("1000000012345"), &form);
    text->setFont(bold);
    auto* memo = new QTextEdit(QStringLiteral("备注"), &form);
    auto* date = new QDateEdit(QDate(2001, 1, 1), &form);
    auto* stamp = new QDateTimeEdit(QDateTime(QDate(2001, 1, 1), QTime(9, 0)), &form);
    auto* label = new QLabel(QStringLiteral("标签"), &form);

    QVERIFY(CleanControl::Cls_ALL(&form));
    QCOMPARE(emptyList->currentText(), QString());
    QCOMPARE(list->currentIndex(), 0);
    QVERIFY(!list->font().bold());
    QCOMPARE(editable->currentText(), QString());
    QCOMPARE(editable->count(), 2);
    QCOMPARE(text->text(), QString());
    QVERIFY(!text->font().bold());
    QCOMPARE(memo->toPlainText(), QString());
    QCOMPARE(date->date(), QDate(2010, 1, 5));
    QCOMPARE(stamp->date(), QDate(2010, 1, 5));
    QCOMPARE(label->text(), QStringLiteral("标签"));
    QVERIFY(!CleanControl::Cls_ALL(nullptr));
}

void TestWindowServices::clsAllFrames_data() {
    QTest::addColumn<int>("heightPx");
    QTest::addColumn<int>("expectedPx");
    QTest::newRow("150 twips") << 10 << 3;
    QTest::newRow("195 twips") << 13 << 3;
    QTest::newRow("210 twips") << 14 << 14;
    QTest::newRow("1500 twips") << 100 << 100;
}

void TestWindowServices::clsAllFrames() {
    QFETCH(int, heightPx);
    QFETCH(int, expectedPx);
    QWidget form;
    auto* frame = new QFrame(&form);
    frame->setGeometry(5, 5, 200, heightPx);
    auto* group = new QGroupBox(&form);
    group->setGeometry(5, 40, 200, heightPx);
    QVERIFY(CleanControl::Cls_ALL(&form));
    QCOMPARE(frame->height(), expectedPx);
    QCOMPARE(group->height(), expectedPx);
    QCOMPARE(frame->width(), 200);
}

void TestWindowServices::enterMovesToNextTextBoxSelectingIt() {
    EntryWindow w;
    w.show();
    w.code->setFocus();
    int key = 13;
    EnterAsTab(&w.window, key);
    QCOMPARE(w.window.focusWidget(), w.name);
    QCOMPARE(w.name->selectedText(), QStringLiteral("张三"));
    QCOMPARE(key, 0);

    // A disabled text box is passed over, as Tab does.
    w.name->setFocus();
    w.kind->setEnabled(false);
    key = Qt::Key_Return;
    EnterAsTab(&w.window, key);
    QCOMPARE(w.window.focusWidget(), w.price);
    QCOMPARE(w.price->selectedText(), QStringLiteral("12.5"));
}

void TestWindowServices::enterOpensNextComboBox() {
    EntryWindow w;
    w.show();
    w.name->setFocus();
    int key = 13;
    EnterAsTab(&w.window, key);
    QCOMPARE(w.window.focusWidget(), w.kind);
    QTRY_VERIFY(w.kind->view()->isVisible());
    w.kind->hidePopup();

    // From a combo box to the next text box: the combo keeps its text.
    w.kind->setCurrentIndex(1);
    w.kind->setFocus();
    key = 13;
    EnterAsTab(&w.window, key);
    QCOMPARE(w.window.focusWidget(), w.price);
    QCOMPARE(w.kind->currentText(), QStringLiteral("检查"));
}

void TestWindowServices::enterInMultiLineBoxStays() {
    EntryWindow w;
    w.show();
    w.memo->setFocus();
    int key = 13;
    EnterAsTab(&w.window, key);
    QCOMPARE(w.window.focusWidget(), w.memo);
    QCOMPARE(key, 13);

    // With the key preview on, Enter reaches the box and breaks the line.
    EnterAsTabFilter preview(&w.window);
    QTest::keyClicks(w.memo, QStringLiteral("a"));
    QTest::keyClick(w.memo, Qt::Key_Return);
    QTest::keyClicks(w.memo, QStringLiteral("b"));
    QCOMPARE(w.memo->toPlainText(), QStringLiteral("a\nb"));
    QCOMPARE(w.window.focusWidget(), w.memo);
}

void TestWindowServices::enterOnLastControlOnlyTabs() {
    EntryWindow w;
    w.show();
    w.save->setFocus();
    QCOMPARE(w.window.focusWidget(), w.save);
    int key = 13;
    EnterAsTab(&w.window, key);
    // Tab from the last control wraps round to the first; nothing gets selected there.
    QCOMPARE(w.window.focusWidget(), w.code);
    w.code->setText(QStringLiteral("x"));
    QVERIFY(!w.code->hasSelectedText());
}

void TestWindowServices::otherKeysAreLeftAlone() {
    EntryWindow w;
    w.show();
    w.code->setFocus();
    int key = 9;
    EnterAsTab(&w.window, key);
    QCOMPARE(w.window.focusWidget(), w.code);
    QCOMPARE(key, 9);
    key = 13;
    EnterAsTab(nullptr, key);
    QCOMPARE(key, 13);
}

void TestWindowServices::keyPreviewFilterSwallowsEnter() {
    EntryWindow w;
    EnterAsTabFilter preview(&w.window);
    w.show();
    w.code->setFocus();
    int returnPressed = 0;
    QObject::connect(w.code, &QLineEdit::returnPressed, [&] { ++returnPressed; });
    QTest::keyClick(w.code, Qt::Key_Return);
    QCOMPARE(w.window.focusWidget(), w.name);
    QCOMPARE(returnPressed, 0);
    QTest::keyClick(w.name, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(w.window.focusWidget(), w.kind);
    QTRY_VERIFY(w.kind->view()->isVisible());
    w.kind->hidePopup();
    // Shift+Enter is not Enter.
    w.price->setFocus();
    QTest::keyClick(w.price, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(w.window.focusWidget(), w.price);
}

void TestWindowServices::songTiResolvesToChineseFont() {
    const QString family = setupChineseFonts();
    if (family.isEmpty())
        QSKIP("no CJK font installed");
    const QFontInfo songTi(QFont(QStringLiteral("宋体"), 9));
    QCOMPARE(songTi.family(), family);
    QVERIFY(QFontMetrics(QFont(QStringLiteral("宋体"))).inFont(QChar(0x533B))); // 医
    QVERIFY(QApplication::font().families().contains(family));
}

QTEST_MAIN(TestWindowServices)
#include "tst_WindowServices.moc"
