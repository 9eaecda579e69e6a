// The statement texts of the dictionary windows and the input-method preference, pinned once,
// and the rules that need no window.
#include "app/core/ImePreference.h"
#include "dictionary/core/DictionaryRules.h"
#include "dictionary/core/DictionaryStatements.h"

#include <QTest>

using namespace DictionaryRules;

class DictionaryCoreTest : public QObject {
    Q_OBJECT
private slots:
    void statementTexts();
    void codesAreMatchedExactlyAndQuoted();
    void moduleKeys();
    void codeRefusals();
    void searchWrapsRound();
    void saveBatches();
};

void DictionaryCoreTest::statementTexts() {
    QCOMPARE(
        DictionarySql::dictionaries("%", false),
        QString("select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd Where MoudelName Like'%%%' order by xx"));
    QCOMPARE(DictionarySql::dictionaries("门诊", true),
             QString("select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd  order by xx"));
    QCOMPARE(DictionarySql::entries("XB"), QString("Select DMMC,id From CS Where ControlID Like'XB'"));
    QCOMPARE(DictionarySql::deleteEntry("12"), QString("Delete CS Where id Like'12'"));
    QCOMPARE(DictionarySql::insertEntry("XB", "N", "男"),
             QString(" Insert into CS(Controlid,DM,DMMC) Values ('XB','N','男')"));
    QCOMPARE(DictionarySql::updateEntry("女", "N", 7), QString("Update CS Set DMMC='女',DM='N' Where ID=7"));
    QCOMPARE(
        DictionarySql::insertDictionary("XX", "血型", "1", "%", "备注"),
        QString("Insert into DAGL_ZD (DM,DMMC,ZD_TYPE,Moudelname,BZ) Values ('XX','血型','1','%','备注')"));
    QCOMPARE(DictionarySql::windowTree(),
             QString("Select Lavel,Sname,ID,PID,Ename from ZD_Tabel order by lavel "));
    QCOMPARE(
        DictionarySql::links("Frm_GHDJ"),
        QString(
            "Select A.id,A.ControlEname,A.ControlCname,B.DMMC  From ZD_LinkTable A left join DAGL_ZD B ON "
            "A.LINKZD=B.DM Where A.FormName Like'Frm_GHDJ' Order by A.XH"));
    QCOMPARE(DictionarySql::updateLink("", 3), QString("Update ZD_LinkTable SET LinkZD='' Where ID=3"));
    QCOMPARE(ImeSql::save(-534771708, "五笔码", "张护士"),
             QString("Update UserDB set IME='-534771708',SearchType='五笔码' Where UserName='张护士'"));
    QCOMPARE(ImeSql::characterCode(QChar(0x8840)), QString("SELECT PY FROM GY_HZBM WHERE HZ='血'"));
}

// Deleting and renaming name one dictionary only, whatever its code holds.
void DictionaryCoreTest::codesAreMatchedExactlyAndQuoted() {
    QCOMPARE(DictionarySql::deleteDictionary("M_"),
             QString("Delete DAGL_ZD Where DM='M_'\nDelete CS Where ControlID='M_'"));
    QCOMPARE(DictionarySql::updateDictionary("", "X'1", "名", "0"),
             QString("Update DAGL_ZD Set BZ='',DM='X''1',DMMC='名',ZD_TYPE='0' Where DM='X''1'"));
}

void DictionaryCoreTest::moduleKeys() {
    QCOMPARE(ModuleKey("门诊挂号收费管理系统"), QString("门诊"));
    QCOMPARE(ModuleKey("药库管理系统"), QString("药库"));
    QCOMPARE(ModuleKey("出生证明"), QString("出生证明"));
    QCOMPARE(ModuleKey("医技管理"), QString("%"));
}

void DictionaryCoreTest::codeRefusals() {
    for (const char* code : {"A%", "_", "[A", "B]"})
        QVERIFY2(!CodeRefusal(code).isEmpty(), code);
    QVERIFY(CodeRefusal("ZXKS-2").isEmpty());
}

void DictionaryCoreTest::searchWrapsRound() {
    const QStringList names{"执行科室", "性别", "开单科室"};
    QCOMPARE(NextHit(names, 1, "科室"), 3);
    QCOMPARE(NextHit(names, 3, "科室"), 1);
    QCOMPARE(NextHit(names, 0, "性别"), 2);
    QCOMPARE(NextHit(names, 2, "性别"), 2); // the only hit is found again
    QCOMPARE(NextHit(names, 1, "ab"), 0);
    QCOMPARE(NextHit(names, 1, ""), 0);
    QCOMPARE(ExactHit(names, " 性别 "), 2);
    QCOMPARE(ExactHit(names, "性"), 0);
}

void DictionaryCoreTest::saveBatches() {
    const auto letters = [](const QString& text) { return text.left(1); };
    const QList<EntryRow> rows{
        {"新", "", ""}, {"改", "5", ChangedMark}, {"留", "6", ""}, {"坏", "x", ChangedMark}};
    QCOMPARE(EntryBatch("XB", rows, letters), DictionarySql::insertEntry("XB", "新", "新") + "\n" +
                                                  DictionarySql::updateEntry("改", "改", 5) + "\n");
    QVERIFY(EntryBatch("XB", {{"留", "6", ""}}, letters).isEmpty());
    QVERIFY(EntryBatch("XB", {{"", "", ""}, {"  ", "", ""}}, letters).isEmpty()); // blank new rows
    QCOMPARE(LinkBatch({{ChangedMark, "", "9"}, {"", "XB", "10"}}), DictionarySql::updateLink("", 9) + "\n");
}

QTEST_MAIN(DictionaryCoreTest)
#include "tst_dictionary_core.moc"
