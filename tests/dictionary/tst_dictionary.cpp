// The dictionary windows against the demo dictionaries: list, entries, search, the editor,
// exact code matching, and the control links with the picker.
#include "HospitalTestBed.h"
#include "app/core/InputMethods.h"
#include "common/SpreadGrid.h"
#include "common/core/Session.h"
#include "db/SqlTrace.h"
#include "dictionary/DictionaryModal.h"
#include "dictionary/Frm_LinkZD.h"
#include "dictionary/Frm_ZD.h"
#include "dictionary/sjzd.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

class RecordingInputMethods : public IInputMethodService {
public:
    RecordingInputMethods() { InputMethods::install(this); }
    ~RecordingInputMethods() override { InputMethods::install(nullptr); }
    QList<InputMethod> installed() override { return {}; }
    qint32 active() override { return 0; }
    bool activate(qint32 handle) override {
        activated.append(handle);
        return true;
    }
    QList<qint32> activated;
};

SpreadGrid* grid(QWidget* w, const char* name) {
    return w->findChild<SpreadGrid*>(name);
}

QPushButton* button(QWidget* w, const char* name) {
    return w->findChild<QPushButton*>(name);
}

int rowNamed(SpreadGrid* g, int col, const QString& text) {
    for (int r = 1; r <= g->maxRows(); ++r) {
        if (g->text(r, col) == text)
            return r;
    }
    return 0;
}

QStringList column(SpreadGrid* g, int col) {
    QStringList texts;
    for (int r = 1; r <= g->maxRows(); ++r)
        texts.append(g->text(r, col));
    return texts;
}

} // namespace

class DictionaryTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void listsDictionariesAndEntries();
    void systemDictionaryIsRefusedBeforeAnyQuestion();
    void deletingUserDictionaryRemovesOnlyItsEntries();
    void unsavedEntryRowGoesWithoutQuestionOrStatement();
    void savingEntriesWritesCodeLetters();
    void searchStartsAfterFirstRowAndWraps();
    void editorRefusesDuplicateAndWildcardCodes();
    void editorCreatesAndRenamesExactly();
    void nameBoxSwitchesToPreferredInputMethod();
    void linksOfLeafOnly();
    void linkSavingWithoutChangesAndClearedLink();
    void pickerHandsDictionaryToLinkRow();
    void pickerKeepsOpenWhenKeyboardEntersList();

private:
    QStringList traced(const std::function<void()>& steps);
    int count(const QString& fromWhere) { return m_bed->db.count(fromWhere); }

    std::unique_ptr<HospitalTestBed> m_bed;
    QList<QPointer<QWidget>> m_opened; // windows the dictionary windows showed "modally"
};

void DictionaryTest::init() {
    m_bed = std::make_unique<HospitalTestBed>();
    QVERIFY2(m_bed->db.isReady(), qPrintable(m_bed->db.error()));
    DictionaryModal::setRunner([this](QWidget* w) {
        m_opened.append(w);
        w->show();
    });
}

void DictionaryTest::cleanup() {
    for (const QPointer<QWidget>& w : m_opened)
        delete w.data();
    m_opened.clear();
    DictionaryModal::setRunner({});
    m_bed.reset();
}

QStringList DictionaryTest::traced(const std::function<void()>& steps) {
    const QString trace = m_bed->folder.file("trace.log");
    QFile::remove(trace);
    qputenv("YJGL_SQL_TRACE", trace.toLocal8Bit());
    steps();
    qunsetenv("YJGL_SQL_TRACE");
    return SqlTrace::readStatements(trace);
}

void DictionaryTest::listsDictionariesAndEntries() {
    sjzd w;
    SpreadGrid* list = grid(&w, "fpSpread1");
    QCOMPARE(column(list, 2), (QStringList{"ZXKS", "KS", "XB", "MZ", "HYZK", "FYLB"}));
    QCOMPARE(list->text(1, 3), QString("系统"));
    QCOMPARE(list->text(4, 3), QString("用户"));
    QCOMPARE(list->text(1, 5), QString("医技科室执行单据时选择"));

    list->setActiveRow(3);
    SpreadGrid* entries = grid(&w, "fpSpread2");
    QCOMPARE(column(entries, 1), (QStringList{"男", "女"}));
    QCOMPARE(entries->columnHeader(1), QString("【性别】字典内容"));
    QVERIFY(!entries->text(1, 2).isEmpty());
}

void DictionaryTest::systemDictionaryIsRefusedBeforeAnyQuestion() {
    sjzd w;
    grid(&w, "fpSpread1")->setActiveRow(1);
    const QStringList statements = traced([&] { button(&w, "Command6")->click(); });
    QCOMPARE(m_bed->messages.count(), 1);
    QCOMPARE(m_bed->messages.last().title, QString("提示"));
    QCOMPARE(m_bed->messages.last().text, QString("该数据字典为系统字典，不能删除。"));
    QVERIFY(statements.isEmpty());
    QCOMPARE(count("from DAGL_ZD where DM='ZXKS'"), 1);
}

// A code with a LIKE wildcard names only itself.
void DictionaryTest::deletingUserDictionaryRemovesOnlyItsEntries() {
    QVERIFY(m_bed->db.exec(
        "insert into DAGL_ZD (DM, DMMC, ZD_TYPE, Moudelname) values ('M_', '通配', '0', '门诊')"));
    QVERIFY(m_bed->db.exec("insert into CS (ControlID, DM, DMMC) values ('M_', 'X', '项')"));
    const int entriesBefore = count("from CS");
    sjzd w;
    SpreadGrid* list = grid(&w, "fpSpread1");
    list->setActiveRow(rowNamed(list, 2, "M_"));
    m_bed->messages.setNextAnswer(MsgAnswer::Yes);
    button(&w, "Command6")->click();
    QCOMPARE(m_bed->messages.texts(), (QStringList{"你真的要删除字典【M_】吗？", "删除成功"}));
    QCOMPARE(count("from DAGL_ZD where DM='M_'"), 0);
    QCOMPARE(count("from CS"), entriesBefore - 1);
    QCOMPARE(count("from DAGL_ZD"), 6);
    QCOMPARE(rowNamed(list, 2, "M_"), 0);

    list->setActiveRow(rowNamed(list, 2, "MZ"));
    const int nations = count("from CS where ControlID='MZ'");
    QVERIFY(nations > 0);
    m_bed->messages.setNextAnswer(MsgAnswer::No);
    button(&w, "Command6")->click();
    QCOMPARE(count("from CS where ControlID='MZ'"), nations);
    m_bed->messages.setNextAnswer(MsgAnswer::Yes);
    button(&w, "Command6")->click();
    QCOMPARE(count("from DAGL_ZD where DM='MZ'"), 0);
    QCOMPARE(count("from CS where ControlID='MZ'"), 0);
    QCOMPARE(count("from CS"), entriesBefore - 1 - nations);
}

void DictionaryTest::unsavedEntryRowGoesWithoutQuestionOrStatement() {
    sjzd w;
    grid(&w, "fpSpread1")->setActiveRow(3);
    SpreadGrid* entries = grid(&w, "fpSpread2");
    const QStringList statements = traced([&] {
        button(&w, "Command2")->click();
        QCOMPARE(entries->maxRows(), 3);
        entries->setActiveRow(3);
        button(&w, "Command9")->click();
    });
    QCOMPARE(entries->maxRows(), 2);
    QVERIFY(statements.isEmpty());
    QCOMPARE(m_bed->messages.count(), 0);

    // A saved entry asks first, and goes from the database too.
    entries->setActiveRow(2);
    m_bed->messages.setNextAnswer(MsgAnswer::Yes);
    button(&w, "Command9")->click();
    QCOMPARE(m_bed->messages.texts(), (QStringList{"你真的要删除第2行吗?", "删除成功"}));
    QCOMPARE(column(entries, 1), QStringList{"男"});
    QCOMPARE(count("from CS where ControlID='XB'"), 1);
}

void DictionaryTest::savingEntriesWritesCodeLetters() {
    sjzd w;
    grid(&w, "fpSpread1")->setActiveRow(3);
    SpreadGrid* entries = grid(&w, "fpSpread2");
    QVERIFY(traced([&] { button(&w, "Command8")->click(); }).isEmpty());
    QCOMPARE(m_bed->messages.count(), 0);

    button(&w, "Command2")->click();
    entries->model()->setData(entries->model()->index(2, 0), "未 知", Qt::EditRole);
    entries->model()->setData(entries->model()->index(1, 0), "女性", Qt::EditRole);
    QCOMPARE(entries->text(2, 3), QString("修改"));
    QVERIFY(entries->text(3, 3).isEmpty());
    button(&w, "Command8")->click();
    QCOMPARE(m_bed->messages.texts(), QStringList{"保存成功"});
    QCOMPARE(m_bed->db.scalar("select DM from CS where ControlID='XB' and DMMC='未 知'").toString(),
             QString("WZ"));
    QCOMPARE(m_bed->db.scalar("select DM from CS where ControlID='XB' and DMMC='女性'").toString(),
             QString("NX"));
    QCOMPARE(column(entries, 1), (QStringList{"男", "女性", "未 知"}));
    QVERIFY(entries->text(2, 3).isEmpty()); // reloaded: nothing changed any more
    QCOMPARE(m_bed->db.scalar("select XQ from YJGL_LOG where CZ='字典修改'").toString(),
             QString("字典【XB】内容：新增1条，修改1条"));
}

void DictionaryTest::searchStartsAfterFirstRowAndWraps() {
    sjzd w;
    SpreadGrid* list = grid(&w, "fpSpread1");
    auto* find = button(&w, "Com_Find");
    auto* text = w.findChild<QLineEdit*>("ZDMC");
    QVERIFY(!find->isEnabled());
    text->setText("科室"); // rows 1 and 2
    QVERIFY(find->isEnabled());
    QList<int> hits;
    for (int i = 0; i < 3; ++i) {
        find->click();
        hits.append(list->activeRow());
    }
    QCOMPARE(hits, (QList<int>{2, 1, 2}));
    QCOMPARE(grid(&w, "fpSpread2")->columnHeader(1), QString("【开单科室】字典内容"));
    QCOMPARE(m_bed->messages.count(), 0);
    text->setText("没有");
    find->click();
    QCOMPARE(m_bed->messages.last().text, QString("未找到搜索的字典"));
    QCOMPARE(list->activeRow(), 2);
}

void DictionaryTest::editorRefusesDuplicateAndWildcardCodes() {
    sjzd w;
    button(&w, "Command7")->click();
    QCOMPARE(m_opened.size(), 1);
    auto* editor = qobject_cast<Frm_ZD*>(m_opened.first().data());
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), QString("新建字典"));
    editor->findChild<QLineEdit*>("ZDMC")->setText("性别二");
    for (const char* code : {"XB", "A%", "A_B", "[A]"}) {
        m_bed->messages.clear();
        editor->findChild<QLineEdit*>("ZDDM")->setText(code);
        button(editor, "Command1")->click();
        QCOMPARE(m_bed->messages.count(), 1);
        QCOMPARE(m_bed->messages.last().title, QString("错误"));
    }
    editor->findChild<QLineEdit*>("ZDDM")->setText("XB");
    button(editor, "Command1")->click();
    QCOMPARE(m_bed->messages.last().text, QString("该代码已存在，请输入其它代码。"));
    QCOMPARE(count("from DAGL_ZD"), 6);
    QVERIFY(editor->isVisible());
}

void DictionaryTest::editorCreatesAndRenamesExactly() {
    QVERIFY(m_bed->db.exec(
        "insert into DAGL_ZD (DM, DMMC, ZD_TYPE, Moudelname, BZ) values ('X_', '通配', '0', '门诊', "
        "'旧备注')"));
    sjzd w;
    SpreadGrid* list = grid(&w, "fpSpread1");
    button(&w, "Command7")->click();
    auto* creator = qobject_cast<Frm_ZD*>(m_opened.last().data());
    QApplication::setActiveWindow(creator);
    creator->findChild<QLineEdit*>("ZDMC")->setText(" 血型 ");
    creator->findChild<QLineEdit*>("ZDDM")->setFocus(); // the code follows the name
    QCOMPARE(creator->findChild<QLineEdit*>("ZDDM")->text(), QString("XX"));
    creator->findChild<QCheckBox*>("Check1")->setChecked(true);
    button(creator, "Command1")->click(); // "continue?" answered with its default, No
    QCOMPARE(m_bed->messages.texts(), QStringList{"新建成功,是否继续新建新的字典？"});
    QCOMPARE(m_bed->db.scalar("select DMMC || ZD_TYPE from DAGL_ZD where DM='XX'").toString(),
             QString("血型1"));
    QVERIFY(!creator->isVisible());
    QVERIFY(rowNamed(list, 2, "XX") > 0);

    // Renaming "X_" leaves "XB" alone and keeps the remark it does not show.
    m_bed->messages.clear();
    list->setActiveRow(rowNamed(list, 2, "X_"));
    QVERIFY(list->activeRow() > 0);
    button(&w, "Command5")->click();
    auto* editor = qobject_cast<Frm_ZD*>(m_opened.last().data());
    QVERIFY(!editor->findChild<QLineEdit*>("ZDDM")->isEnabled());
    QVERIFY(!editor->findChild<QCheckBox*>("Check1")->isChecked());
    editor->findChild<QLineEdit*>("ZDMC")->setText("通配(新)");
    button(editor, "Command1")->click();
    QCOMPARE(m_bed->messages.texts(), QStringList{"修改成功"});
    QCOMPARE(m_bed->db.scalar("select DMMC || BZ from DAGL_ZD where DM='X_'").toString(),
             QString("通配(新)旧备注"));
    QCOMPARE(m_bed->db.scalar("select DMMC from DAGL_ZD where DM='XB'").toString(), QString("性别"));
    QVERIFY(rowNamed(list, 1, "通配(新)") > 0);
}

void DictionaryTest::nameBoxSwitchesToPreferredInputMethod() {
    RecordingInputMethods methods;
    gIme = qint32(0xE0200804);
    sjzd w;
    w.show();
    QApplication::setActiveWindow(&w);
    w.findChild<QLineEdit*>("ZDMC")->setFocus();
    QCOMPARE(methods.activated, QList<qint32>{gIme});
    gIme = 0;
}

void DictionaryTest::linksOfLeafOnly() {
    Frm_LinkZD w;
    auto* tree = w.findChild<QTreeWidget*>("TreeView1");
    QCOMPARE(tree->topLevelItemCount(), 3);
    QVERIFY(tree->topLevelItem(0)->isExpanded());
    QTreeWidgetItem* system = tree->topLevelItem(1); // 医技管理
    QCOMPARE(system->childCount(), 2);
    const QStringList parentLoads = traced([&] { emit tree->itemClicked(system, 0); });
    QVERIFY(parentLoads.isEmpty());

    emit tree->itemClicked(tree->topLevelItem(0)->child(0), 0); // 挂号登记
    SpreadGrid* links = grid(&w, "fpSpread1");
    QCOMPARE(column(links, 1), (QStringList{"Combo1", "Combo2", "Combo3"}));
    QCOMPARE(column(links, 3), (QStringList{"性别", "开单科室", "费用类别"}));
    QCOMPARE(column(links, 4), (QStringList{"关联...", "关联...", "关联..."}));
    QVERIFY(!links->text(1, 8).isEmpty());
}

void DictionaryTest::linkSavingWithoutChangesAndClearedLink() {
    Frm_LinkZD w;
    auto* tree = w.findChild<QTreeWidget*>("TreeView1");
    emit tree->itemClicked(tree->topLevelItem(0)->child(0), 0);
    button(&w, "Command1")->click();
    QCOMPARE(m_bed->messages.last().text, QString("没有可以被保存的数据"));
    QCOMPARE(m_bed->messages.last().title, QString("提示"));

    SpreadGrid* links = grid(&w, "fpSpread1");
    links->setActiveRow(2);
    emit links->cellClicked(2, 6);
    QVERIFY(links->text(2, 3).isEmpty());
    button(&w, "Command1")->click();
    QCOMPARE(m_bed->messages.last().text, QString("保存成功"));
    QCOMPARE(m_bed->db.scalar(
                 "select LinkZD from ZD_LinkTable where FormName='Frm_GHDJ' and ControlEname='Combo2'"),
             QVariant(QString()));
    QCOMPARE(count("from ZD_LinkTable where LinkZD=''"), 2); // with the one that was empty before
    QCOMPARE(count("from YJGL_LOG where CZ='字典关联修改'"), 1);
}

void DictionaryTest::pickerHandsDictionaryToLinkRow() {
    Frm_LinkZD w;
    auto* tree = w.findChild<QTreeWidget*>("TreeView1");
    emit tree->itemClicked(tree->topLevelItem(2)->child(0)->child(0), 0); // 个人基本信息
    SpreadGrid* links = grid(&w, "fpSpread1");
    QCOMPARE(links->text(3, 2), QString("婚姻状况"));
    links->setActiveRow(3);
    emit links->cellClicked(3, 4);
    QCOMPARE(m_opened.size(), 1);
    QPointer<sjzd> picker = qobject_cast<sjzd*>(m_opened.first().data());
    QVERIFY(picker);
    SpreadGrid* list = grid(picker, "fpSpread1");
    QCOMPARE(list->text(list->activeRow(), 1), QString("婚姻状况")); // preselected by the control's name
    QCOMPARE(picker->windowTitle(), QString("请选择关联到【婚姻状况】的字典  当前选择字典【婚姻状况】"));
    QVERIFY(button(picker, "Command4")->isEnabled());
    QVERIFY(!button(picker, "Command3")->isEnabled());

    button(picker, "Command4")->click();
    QTRY_VERIFY(!picker);
    QCOMPARE(links->text(3, 3), QString("婚姻状况"));
    QCOMPARE(links->text(3, 5), QString("HYZK"));
    button(&w, "Command1")->click();
    QCOMPARE(
        m_bed->db
            .scalar("select LinkZD from ZD_LinkTable where FormName='Frm_GRJBXX' and ControlEname='Combo3'")
            .toString(),
        QString("HYZK"));
}

void DictionaryTest::pickerKeepsOpenWhenKeyboardEntersList() {
    sjzd picker;
    QStringList picked;
    picker.setPicker("请选择", [&](const QString& name, const QString&) { picked.append(name); });
    picker.show();
    QApplication::setActiveWindow(&picker);
    SpreadGrid* list = grid(&picker, "fpSpread1");
    list->setFocus(Qt::TabFocusReason);
    QVERIFY(list->hasFocus());
    QVERIFY(picked.isEmpty());
    QTest::keyClick(list, Qt::Key_Down); // moving the active row picks
    QCOMPARE(picked, QStringList{"开单科室"});
}

QTEST_MAIN(DictionaryTest)
#include "tst_dictionary.moc"
