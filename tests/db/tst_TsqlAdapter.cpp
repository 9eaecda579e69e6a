#include "db/SqlTokenizer.h"
#include "db/TsqlAdapter.h"

#include <QtTest>

namespace {

// Adapts a text that must give exactly one plain statement and returns its SQLite (or
// PostgreSQL) text.
QString adaptOne(const QString& tsql, TsqlAdapter::Dialect dialect = TsqlAdapter::Dialect::SQLite) {
    QVector<AdaptedStatement> out;
    QString error;
    if (!TsqlAdapter::adapt(tsql, &out, &error, dialect))
        return QStringLiteral("ERROR: ") + error;
    if (out.size() != 1)
        return QStringLiteral("COUNT: %1").arg(out.size());
    return out.first().kind == AdaptedStatement::Kind::Sql ? out.first().sql : QStringLiteral("EXEC");
}

QString adaptForPostgres(const QString& tsql) {
    return adaptOne(tsql, TsqlAdapter::Dialect::PostgreSQL);
}

} // namespace

class TstTsqlAdapter : public QObject {
    Q_OBJECT

private slots:
    void tokenizerKnowsLiteralsNamesAndComments();
    void tokenizerRunsUnterminatedLiteralToTheEnd();
    void splitOnSemicolonsKeepsQuotedSemicolons();

    void unchangedStatements_data();
    void unchangedStatements();
    void topBecomesLimit_data();
    void topBecomesLimit();
    void topWithPercentIsRefused();
    void functionsGetSqliteSpellings();
    void updateWithTargetRepeatedInFromList();
    void updateFromWithAliasAndQualifiedAssignment();
    void updateFromOtherTableStaysNative();
    void deleteWithoutFrom();
    void deleteWithFromList();

    void execWithQuotedArguments();
    void execStatementsOfTheWindows_data();
    void execStatementsOfTheWindows();
    void execArgumentKinds();
    void execWithoutArguments();
    void execSyntaxErrors();
    void unterminatedLiteralIsRefused();
    void adjacentLiteralsStayApart();

    void batchJoinedByLineFeeds();
    void batchSplitsNotInsideSubqueriesOrInsertSelect();
    void valuesCannotChangeTheStatement();
    void createTriggerIsOneStatement();

    void postgresUnchangedStatements();
    void postgresKeepsTheSpellingOfPlainColumns();
    void postgresSpellingsAndNames();
    void postgresLikeKnowsNoEscapeCharacter();
    void postgresUpdateFromLeavesTheTargetOutOfTheList();
    void postgresUpdateFromWithJoinPicksRowsByAddress();
    void postgresDelete();
    void postgresFunctionBodyIsOneLiteral();

    void aShapeAdaptedBeforeGivesWhatAFreshAdaptationGives();
};

void TstTsqlAdapter::tokenizerKnowsLiteralsNamesAndComments() {
    const SqlTokens tokens =
        SqlTokenizer::tokenize(u"select [a b],\"c\"\"d\",'it''s'where x>=1.5e3 -- done;\n/* x; */@p N'汉'");
    QStringList significant;
    for (const SqlToken& t : tokens)
        if (t.isSignificant())
            significant << t.text;
    QCOMPARE(significant, (QStringList{"select", "[a b]", ",", "\"c\"\"d\"", ",", "'it''s'", "where", "x",
                                       ">=", "1.5e3", "@p", "N'汉'"}));
    QCOMPARE(tokens.at(2).nameValue(), QStringLiteral("a b"));
    QCOMPARE(tokens.at(4).nameValue(), QStringLiteral("c\"d"));
    QCOMPARE(tokens.at(6).kind, SqlToken::Kind::String);
    QCOMPARE(tokens.at(6).stringValue(), QStringLiteral("it's"));
    QCOMPARE(tokens.last().stringValue(), QStringLiteral("汉"));
    // Joining gives back the text exactly.
    const QString text = QStringLiteral("Update  x set a='1'\r\n  where b like'%;%' -- c\n");
    QCOMPARE(SqlTokenizer::join(SqlTokenizer::tokenize(text)), text);
}

void TstTsqlAdapter::tokenizerRunsUnterminatedLiteralToTheEnd() {
    const SqlTokens tokens = SqlTokenizer::tokenize(u"select 'abc; delete x");
    QCOMPARE(tokens.last().kind, SqlToken::Kind::String);
    QCOMPARE(tokens.last().text, QStringLiteral("'abc; delete x"));
    QCOMPARE(SqlTokenizer::tokenize(u"a /* open").last().kind, SqlToken::Kind::Comment);
}

void TstTsqlAdapter::splitOnSemicolonsKeepsQuotedSemicolons() {
    QCOMPARE(
        SqlTokenizer::splitOnSemicolons(u"UPDATE t SET a='x;y' WHERE b=@B; ;\n SELECT \"c;\" FROM t -- ;\n"),
        (QStringList{"UPDATE t SET a='x;y' WHERE b=@B", "SELECT \"c;\" FROM t -- ;"}));
    QVERIFY(SqlTokenizer::splitOnSemicolons(u" ; -- nothing\n ;").isEmpty());
}

void TstTsqlAdapter::unchangedStatements_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("userdb trailing blank") << "select * from userdb ";
    QTest::newRow("login") << "select * from userdb where username like 'admin' and password like '1'";
    QTest::newRow("like no blank") << "select SQBH from Yf_sq where username like'admin'";
    QTest::newRow("rights") << "Select QX From QX_Temp2 Where MoudelKey='YJXT_IN' and Groupname='管理员'";
    QTest::newRow("password") << "update  userdb set password='abc'where username like'张三'";
    QTest::newRow("ime") << "Update UserDB set IME=' 1',SearchType='拼音' Where UserName='张三'";
    QTest::newRow("pinyin") << "SELECT PY FROM GY_HZBM WHERE HZ='张'";
    QTest::newRow("departments") << "Select DMMC FROM CS WHERE ControlID Like'ZXKS'";
    QTest::newRow("config") << "select Item_Value from QKZL_CONFIG Where Item_Name Like'ZDFY'";
    QTest::newRow("isprint") << "Update ZY_KFDJ SET Isprint=1 Where DH Like'Z0001'";
    QTest::newRow("header") << "select TS,NL,XM,XB,KDYS,KDRQ from mz_kfdj Where DH like'1202612070001'";
    QTest::newRow("insert") << "Insert Into MZ_YJZX(ZXDH,DH,ZXR,FHR,KSMC,XM) "
                               "Values('202612070001','1202612070001','张三','李四','检验科','王五')";
    QTest::newRow("executed")
        << "Select * FROM MZ_YJZX Where SFZF=0 AND  KSMC Like'检验科' AND ZXR Like'%' AND "
           "FHR Like'%' AND ZXSJ Between '2026-12-01 00:00:00' And '2026-12-07 23:59:59'";
    QTest::newRow("items") << "Select A.BM,A.PM,A.GG,A.DW,A.SL,A.DJ,A.SSJE From MZ_KFDJMX A ,YF_YPML B Where "
                              "A.BM=B.YPBM AND B.ZXKS='检验科' AND A.DH='1202612070001'";
    QTest::newRow("dict") << "select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd  order by xx";
    QTest::newRow("tree") << "Select Lavel,Sname,ID,PID,Ename from ZD_Tabel order by lavel";
    QTest::newRow("left join")
        << "Select A.id,A.ControlEname,A.ControlCname,B.DMMC  From ZD_LinkTable A left join "
           "DAGL_ZD B ON A.LINKZD=B.DM Where A.FormName Like'Mz_CKFY' Order by A.XH";
    QTest::newRow("update cs") << "Update CS Set DMMC='检验科',DM='JYK' Where ID=12";
    QTest::newRow("native update from") << "UPDATE t SET a = u.a FROM u WHERE u.id = t.id";
    QTest::newRow("outpatient isprint") << "Update Mz_KFDJ SET Isprint=1 Where DH Like'1202612070001'";
    QTest::newRow("inpatient header") << "Select XM,XB,KDYS,KDRQ,ZYH,CWH from ZY_KFDJ Where DH Like'Z0001'";
    QTest::newRow("user names") << "select username from userdb";
    QTest::newRow("voided")
        << "Select * FROM MZ_YJZX Where SFZF=1 AND  KSMC Like'检验科' AND ZFR Like'%' AND "
           "ZFRQ Between '2026-12-01 00:00:00' And '2026-12-07 23:59:59'";
    QTest::newRow("new dictionary") << "Insert into DAGL_ZD (DM,DMMC,ZD_TYPE,Moudelname,BZ) Values "
                                       "('ZXKS','执行科室','1','YJGL','')";
    QTest::newRow("edit dictionary")
        << "Update DAGL_ZD Set BZ='',DM='ZXKS',DMMC='执行科室',ZD_TYPE='1' Where DM "
           "Like'ZXKS'";
    QTest::newRow("module dictionaries")
        << "select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd Where MoudelName "
           "Like'%YJGL%' order by xx";
    QTest::newRow("entries") << "Select DMMC,id From CS Where ControlID Like'ZXKS'";
}

void TstTsqlAdapter::unchangedStatements() {
    QFETCH(QString, sql);
    QCOMPARE(adaptOne(sql), sql.trimmed());
}

void TstTsqlAdapter::topBecomesLimit_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    QTest::newRow("server time") << "SELECT top 1 GETDATE() FROM sysobjects"
                                 << "SELECT getdate() FROM sysobjects LIMIT 1";
    QTest::newRow("next number")
        << "select top 1 FYDH From MZ_FYDJ Where FYRQ Between '2026-12-07 00:00:00' and '2026-12-07 "
           "23:59:59' "
           "order by id desc"
        << "select FYDH From MZ_FYDJ Where FYRQ Between '2026-12-07 00:00:00' and '2026-12-07 23:59:59' "
           "order by id desc LIMIT 1";
    QTest::newRow("record exists") << "Select top 1 DM From DAGL_ZD Where DM  Like'ZXKS'"
                                   << "Select DM From DAGL_ZD Where DM  Like'ZXKS' LIMIT 1";
    QTest::newRow("with extra") << "Select top 1 DM From DAGL_ZD Where DM  Like'ZXKS' And ZD_TYPE='1'"
                                << "Select DM From DAGL_ZD Where DM  Like'ZXKS' And ZD_TYPE='1' LIMIT 1";
    QTest::newRow("parenthesised count") << "select distinct TOP (5) a from t"
                                         << "select distinct a from t LIMIT 5";
    QTest::newRow("subquery") << "select a from t where b = (select top 1 b from u order by c) and d=1"
                              << "select a from t where b = (select b from u order by c LIMIT 1) and d=1";
    QTest::newRow("trailing comment") << "select top 3 a from t -- newest\n"
                                      << "select a from t LIMIT 3 -- newest";
    QTest::newRow("top in literal") << "select 'top 1' from t"
                                    << "select 'top 1' from t";
}

void TstTsqlAdapter::topBecomesLimit() {
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    QCOMPARE(adaptOne(sql), expected);
}

void TstTsqlAdapter::topWithPercentIsRefused() {
    QVERIFY(adaptOne("select top 10 percent a from t").startsWith("ERROR: "));
    QVERIFY(adaptOne("select top x a from t").startsWith("ERROR: "));
}

void TstTsqlAdapter::functionsGetSqliteSpellings() {
    QCOMPARE(adaptOne("Update MZ_YJZX Set SFZF=1,ZFR='张三',ZFRQ=Getdate() Where DH='1202612070001'"),
             QStringLiteral("Update MZ_YJZX Set SFZF=1,ZFR='张三',ZFRQ=getdate() Where DH='1202612070001'"));
    QCOMPARE(adaptOne("select isnull(a,'') , LEN(b), N'汉字' from t where c='isnull(x)'"),
             QStringLiteral("select ifnull(a,'') , length(b), '汉字' from t where c='isnull(x)'"));
    // A column named like a function stays as it is.
    QCOMPARE(adaptOne("select len from t"), QStringLiteral("select len from t"));
}

void TstTsqlAdapter::updateWithTargetRepeatedInFromList() {
    QCOMPARE(
        adaptOne("Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where MZ_KFDJMX.BM=YF_YPML.YPBM AND  "
                 "MZ_KFDJMX.DH='1202612070001' And YF_YPML.ZXKS='检验科'"),
        QStringLiteral("UPDATE \"MZ_KFDJMX\" SET TYBZ=1 WHERE rowid IN (SELECT \"MZ_KFDJMX\".rowid FROM "
                       "MZ_KFDJMX,YF_YPML WHERE MZ_KFDJMX.BM=YF_YPML.YPBM AND  MZ_KFDJMX.DH='1202612070001' "
                       "And YF_YPML.ZXKS='检验科')"));
}

void TstTsqlAdapter::updateFromWithAliasAndQualifiedAssignment() {
    QCOMPARE(
        adaptOne("update A set A.x=1, y = 'from' from T A inner join U B on A.id=B.id where B.z='where'"),
        QStringLiteral(
            "UPDATE \"T\" SET x=1, y = 'from' WHERE rowid IN (SELECT \"A\".rowid FROM T A inner join "
            "U B on A.id=B.id WHERE B.z='where')"));
    QCOMPARE(adaptOne("update T set x=1 from T, U"),
             QStringLiteral("UPDATE \"T\" SET x=1 WHERE rowid IN (SELECT \"T\".rowid FROM T, U)"));
}

void TstTsqlAdapter::updateFromOtherTableStaysNative() {
    QCOMPARE(adaptOne("update T set x=U.y from U where U.id=T.id"),
             QStringLiteral("update T set x=U.y from U where U.id=T.id"));
    // A FROM inside a subquery of the assignment is no FROM clause of the update.
    QCOMPARE(adaptOne("update T set x=(select max(y) from U) where id=1"),
             QStringLiteral("update T set x=(select max(y) from U) where id=1"));
}

void TstTsqlAdapter::deleteWithoutFrom() {
    QCOMPARE(adaptOne("Delete CS Where id Like'12'"), QStringLiteral("Delete FROM CS Where id Like'12'"));
    QCOMPARE(adaptOne("Delete DAGL_ZD Where DM Like'from'"),
             QStringLiteral("Delete FROM DAGL_ZD Where DM Like'from'"));
    QCOMPARE(adaptOne("delete from CS where id=1"), QStringLiteral("delete from CS where id=1"));
}

void TstTsqlAdapter::deleteWithFromList() {
    QCOMPARE(adaptOne("Delete CS From CS, DAGL_ZD Where CS.ControlID=DAGL_ZD.DM"),
             QStringLiteral("DELETE FROM \"CS\" WHERE rowid IN (SELECT \"CS\".rowid FROM CS, DAGL_ZD WHERE "
                            "CS.ControlID=DAGL_ZD.DM)"));
}

void TstTsqlAdapter::execWithQuotedArguments() {
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY(TsqlAdapter::adapt("exec YJ_List '检验科','2026-12-07 00:00:00','2026-12-07 23:59:59'", &out,
                               &error));
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].kind, AdaptedStatement::Kind::Exec);
    QCOMPARE(out[0].procedure, QStringLiteral("YJ_List"));
    QCOMPARE(out[0].arguments, (QVariantList{QStringLiteral("检验科"), QStringLiteral("2026-12-07 00:00:00"),
                                             QStringLiteral("2026-12-07 23:59:59")}));

    QVERIFY(TsqlAdapter::adapt("Exec P_MZ_YJTDList '检验科','O''Brien%','a','b'", &out, &error));
    QCOMPARE(out[0].procedure, QStringLiteral("P_MZ_YJTDList"));
    QCOMPARE(out[0].arguments.at(1).toString(), QStringLiteral("O'Brien%"));

    QVERIFY(TsqlAdapter::adapt("EXEC dbo.[Get_YJMX] '检验科' , '1'", &out, &error));
    QCOMPARE(out[0].procedure, QStringLiteral("Get_YJMX"));
    QCOMPARE(out[0].arguments.size(), 2);
}

void TstTsqlAdapter::execStatementsOfTheWindows_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<int>("arguments");
    QTest::newRow("detail") << "Exec Get_YJMX '检验科','1202612070001'"
                            << "Get_YJMX" << 2;
    QTest::newRow("number typed") << "Exec SP_MZ_CF '1202612070001','检验科'"
                                  << "SP_MZ_CF" << 2;
    QTest::newRow("execute") << "Exec P_YJZX '1202612070001','检验科'"
                             << "P_YJZX" << 2;
    QTest::newRow("void list")
        << "Exec P_MZ_YJTDList '检验科','%','2026-12-07 00:00:00','2026-12-07 23:59:59'"
        << "P_MZ_YJTDList" << 4;
    QTest::newRow("void items") << "Exec Get_YJZFMX '检验科','1202612070001'"
                                << "Get_YJZFMX" << 2;
}

void TstTsqlAdapter::execStatementsOfTheWindows() {
    QFETCH(QString, sql);
    QFETCH(QString, procedure);
    QFETCH(int, arguments);
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY2(TsqlAdapter::adapt(sql, &out, &error), qPrintable(error));
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].kind, AdaptedStatement::Kind::Exec);
    QCOMPARE(out[0].procedure, procedure);
    QCOMPARE(out[0].arguments.size(), arguments);
    QCOMPARE(out[0].arguments.first().toString(), sql.section('\'', 1, 1));
}

void TstTsqlAdapter::execArgumentKinds() {
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY(TsqlAdapter::adapt("execute P 12, -3.5, NULL, N'汉', bare", &out, &error));
    const QVariantList args = out[0].arguments;
    QCOMPARE(args.size(), 5);
    QCOMPARE(args[0].typeId(), QMetaType::LongLong);
    QCOMPARE(args[0].toLongLong(), 12);
    QCOMPARE(args[1].toDouble(), -3.5);
    QVERIFY(!args[2].isValid());
    QCOMPARE(args[3].toString(), QStringLiteral("汉"));
    QCOMPARE(args[4].toString(), QStringLiteral("bare"));
}

void TstTsqlAdapter::execWithoutArguments() {
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY(TsqlAdapter::adapt("exec P;", &out, &error));
    QCOMPARE(out.size(), 1);
    QVERIFY(out[0].arguments.isEmpty());
}

void TstTsqlAdapter::execSyntaxErrors() {
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY(!TsqlAdapter::adapt("exec", &out, &error));
    QVERIFY(error.contains("exec"));
    QVERIFY(!TsqlAdapter::adapt("exec P 'a' 'b'", &out, &error));
    QVERIFY(error.contains("'b'"));
    QVERIFY(!TsqlAdapter::adapt("exec P 'a',", &out, &error));
    QVERIFY(!TsqlAdapter::adapt("exec P @x='a'", &out, &error));
}

void TstTsqlAdapter::unterminatedLiteralIsRefused() {
    // Without its closing quote a literal would take in the LIMIT appended to the statement.
    for (const auto dialect : {TsqlAdapter::Dialect::SQLite, TsqlAdapter::Dialect::PostgreSQL}) {
        QCOMPARE(adaptOne("select top 1 DH from MZ_CF where XM like N'ab''c", dialect),
                 QStringLiteral("ERROR: 字符串 'ab'c' 后的引号不完整。"));
        QVERIFY(adaptOne("exec P 'a''", dialect).startsWith("ERROR: "));
        QVERIFY(adaptOne("select $t$a$t", dialect).startsWith("ERROR: "));
    }
    QCOMPARE(adaptOne("select 'it''s', N'', $t$x$t$ -- '"),
             QStringLiteral("select 'it''s', '', $t$x$t$ -- '"));
}

void TstTsqlAdapter::adjacentLiteralsStayApart() {
    // Without the N the two literals would read as one value with a quote inside.
    QCOMPARE(adaptOne("select 'a'N'b'"), QStringLiteral("select 'a' 'b'"));
    QCOMPARE(adaptForPostgres("select [a]\"b\", N'c'"), QStringLiteral("select \"a\" \"b\", 'c'"));
}

void TstTsqlAdapter::batchJoinedByLineFeeds() {
    // The dictionary window sends its statements joined by line feeds, no semicolons.
    const QString batch = " Insert into CS(Controlid,DM,DMMC) Values ('ZXKS','JYK','检验科')\n"
                          "Update CS Set DMMC='放射科',DM='FSK' Where ID=3\n"
                          "Delete DAGL_ZD Where DM Like'X'\nDelete CS Where ControlID Like'X'\n";
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY(TsqlAdapter::adapt(batch, &out, &error));
    QCOMPARE(out.size(), 4);
    QCOMPARE(out[0].sql, QStringLiteral("Insert into CS(Controlid,DM,DMMC) Values ('ZXKS','JYK','检验科')"));
    QCOMPARE(out[1].sql, QStringLiteral("Update CS Set DMMC='放射科',DM='FSK' Where ID=3"));
    QCOMPARE(out[2].sql, QStringLiteral("Delete FROM DAGL_ZD Where DM Like'X'"));
    QCOMPARE(out[3].sql, QStringLiteral("Delete FROM CS Where ControlID Like'X'"));

    QCOMPARE(TsqlAdapter::splitStatements("select 1;select 2\nexec P 'a'\r\nupdate t set a=1;"),
             (QStringList{"select 1", "select 2", "exec P 'a'", "update t set a=1"}));
    // The control links are saved as updates each followed by a line feed.
    QCOMPARE(TsqlAdapter::splitStatements("Update ZD_LinkTable SET LinkZD='ZXKS' Where ID=3\n"
                                          "Update ZD_LinkTable SET LinkZD='' Where ID=4\n"),
             (QStringList{"Update ZD_LinkTable SET LinkZD='ZXKS' Where ID=3",
                          "Update ZD_LinkTable SET LinkZD='' Where ID=4"}));
}

void TstTsqlAdapter::batchSplitsNotInsideSubqueriesOrInsertSelect() {
    QCOMPARE(TsqlAdapter::splitStatements("insert into t(a) select b from u where c in (select d from v)\n"
                                          "select 1 union select 2 union all select 3"),
             (QStringList{"insert into t(a) select b from u where c in (select d from v)",
                          "select 1 union select 2 union all select 3"}));
    QCOMPARE(TsqlAdapter::splitStatements("insert into t values(1) select 2"),
             (QStringList{"insert into t values(1)", "select 2"}));
    QCOMPARE(TsqlAdapter::splitStatements(
                 "create table t(a int references u on delete cascade on update cascade)"),
             (QStringList{"create table t(a int references u on delete cascade on update cascade)"}));
}

void TstTsqlAdapter::valuesCannotChangeTheStatement() {
    // Keywords, line feeds, semicolons and quotes inside values stay values.
    const QString sql = "Update CS Set DMMC='a\nDelete CS; select top 1 exec from',DM='O''Brien' Where ID=1";
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY(TsqlAdapter::adapt(sql, &out, &error));
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].sql, sql);
    QVERIFY(TsqlAdapter::adapt("exec P 'x''\nexec Q', 'a;b'", &out, &error));
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].arguments, (QVariantList{QStringLiteral("x'\nexec Q"), QStringLiteral("a;b")}));
    // A literal directly followed by a keyword still ends where its quote ends.
    QCOMPARE(adaptOne("select a from t where b='x'and c like'y'order by a"),
             QStringLiteral("select a from t where b='x'and c like'y'order by a"));
}

void TstTsqlAdapter::createTriggerIsOneStatement() {
    const QString trigger =
        "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE u SET n = CASE WHEN n > 0 THEN n END; "
        "DELETE FROM v; END";
    QCOMPARE(TsqlAdapter::splitStatements(trigger + ";\nselect 1"), (QStringList{trigger, "select 1"}));
}

// The statements the windows send go to PostgreSQL as they are once top, functions and
// names are taken care of.
void TstTsqlAdapter::postgresUnchangedStatements() {
    for (const QString& sql :
         {QStringLiteral("select * from userdb where username = 'admin' and password='1'"),
          QStringLiteral("Update Mz_KFDJ SET Isprint=1 Where DH='1202612070001'")})
        QCOMPARE(adaptForPostgres(sql), sql);
    QCOMPARE(adaptForPostgres("SELECT top 1 GETDATE() FROM sysobjects"),
             QStringLiteral("SELECT getdate() FROM sysobjects LIMIT 1"));
}

// The server would name the columns in lower case: plain columns keep their spelling.
void TstTsqlAdapter::postgresKeepsTheSpellingOfPlainColumns() {
    QCOMPARE(adaptForPostgres("Select DMMC FROM CS WHERE ControlID='ZXKS'"),
             QStringLiteral("Select DMMC AS \"DMMC\" FROM CS WHERE ControlID='ZXKS'"));
    QCOMPARE(adaptForPostgres(
                 "select top 1 A.BM,count(*),B.PM x, C.DW as Unit, 'k' from T A where A.id=(select ID "
                 "from U)"),
             QStringLiteral("select A.BM AS \"BM\",count(*),B.PM x, C.DW as Unit, 'k' from T A where "
                            "A.id=(select ID from U) LIMIT 1"));
    QCOMPARE(adaptForPostgres("select distinct ZXDH From MZ_YJZX"),
             QStringLiteral("select distinct ZXDH AS \"ZXDH\" From MZ_YJZX"));
}

void TstTsqlAdapter::postgresLikeKnowsNoEscapeCharacter() {
    QCOMPARE(adaptForPostgres("Update Mz_KFDJ SET Isprint=1 Where DH Like'D\\1' and ZXBZ=0"),
             QStringLiteral("Update Mz_KFDJ SET Isprint=1 Where DH Like'D\\1' ESCAPE '' and ZXBZ=0"));
    QCOMPARE(adaptForPostgres("select top 1 DH From T Where (DH like '%'+@a+'%') order by id"),
             QStringLiteral(
                 "select DH AS \"DH\" From T Where (DH like '%'+@a+'%' ESCAPE '') order by id LIMIT 1"));
    QCOMPARE(adaptForPostgres("delete from T where A not like N'x\\'"),
             QStringLiteral("delete from T where A not like 'x\\' ESCAPE ''"));
    // A pattern with an escape of its own keeps it.
    const QString own = QStringLiteral("select * from T where A like 'a!%' escape '!'");
    QCOMPARE(adaptForPostgres(own), own);
    // The embedded engine knows no escape character: nothing to add there.
    QVector<AdaptedStatement> out;
    QString error;
    QVERIFY(TsqlAdapter::adapt("select * from T where A like 'x\\'", &out, &error));
    QCOMPARE(out.first().sql, QStringLiteral("select * from T where A like 'x\\'"));
}

void TstTsqlAdapter::postgresSpellingsAndNames() {
    QCOMPARE(
        adaptForPostgres("select isnull([User Name],'') , LEN(\"XM\"), N'汉字' from t where c='[A]'"),
        QStringLiteral("select coalesce(\"user name\",'') , length(\"xm\"), '汉字' from t where c='[A]'"));
}

void TstTsqlAdapter::postgresUpdateFromLeavesTheTargetOutOfTheList() {
    QCOMPARE(
        adaptForPostgres("Update MZ_KFDJMX Set TYBZ=1 From MZ_KFDJMX,YF_YPML Where "
                         "MZ_KFDJMX.BM=YF_YPML.YPBM AND  MZ_KFDJMX.DH='1202612070001' And "
                         "YF_YPML.ZXKS='检验科'"),
        QStringLiteral("UPDATE \"mz_kfdjmx\" SET TYBZ=1 FROM YF_YPML WHERE MZ_KFDJMX.BM=YF_YPML.YPBM AND  "
                       "MZ_KFDJMX.DH='1202612070001' And YF_YPML.ZXKS='检验科'"));
    QCOMPARE(adaptForPostgres("update A set A.x=1 from U B, T A where A.id=B.id"),
             QStringLiteral("UPDATE \"t\" AS \"a\" SET x=1 FROM U B WHERE A.id=B.id"));
    QCOMPARE(adaptForPostgres("update T set x=1 from T"), QStringLiteral("UPDATE \"t\" SET x=1"));
}

void TstTsqlAdapter::postgresUpdateFromWithJoinPicksRowsByAddress() {
    QCOMPARE(
        adaptForPostgres("update A set A.x=1 from T A inner join U B on A.id=B.id where B.z='y'"),
        QStringLiteral("UPDATE \"t\" SET x=1 WHERE ctid IN (SELECT \"a\".ctid FROM T A inner join U B on "
                       "A.id=B.id WHERE B.z='y')"));
    // A list with an empty item is passed on as written for the server to refuse.
    QCOMPARE(adaptForPostgres("update A set x=1 from T A,"),
             QStringLiteral("UPDATE \"t\" SET x=1 WHERE ctid IN (SELECT \"a\".ctid FROM T A,)"));
    QCOMPARE(
        adaptForPostgres("update A set x=1 from T A, , U where U.a=A.a"),
        QStringLiteral("UPDATE \"t\" SET x=1 WHERE ctid IN (SELECT \"a\".ctid FROM T A, , U WHERE U.a=A.a)"));
}

void TstTsqlAdapter::postgresDelete() {
    QCOMPARE(adaptForPostgres("Delete CS Where id Like'12'"),
             QStringLiteral("Delete FROM CS Where id Like'12' ESCAPE ''"));
    QCOMPARE(adaptForPostgres("Delete CS From CS, DAGL_ZD Where CS.ControlID=DAGL_ZD.DM"),
             QStringLiteral("DELETE FROM \"cs\" WHERE ctid IN (SELECT \"cs\".ctid FROM CS, DAGL_ZD WHERE "
                            "CS.ControlID=DAGL_ZD.DM)"));
}

void TstTsqlAdapter::postgresFunctionBodyIsOneLiteral() {
    const QString function = "CREATE FUNCTION f() RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN "
                             "INSERT INTO t VALUES (1); RETURN NEW; END $body$";
    QCOMPARE(TsqlAdapter::splitStatements(function + ";\nselect $1, $$a;b$$"),
             (QStringList{function, "select $1, $$a;b$$"}));
}

// A statement that comes again with other values takes the shape adapted the first time; its
// statements are those a fresh adaptation of its own text gives, on both engines.
void TstTsqlAdapter::aShapeAdaptedBeforeGivesWhatAFreshAdaptationGives() {
    const QString shapes[] = {
        "select top 1 XM from mz_kfdj Where DH like'%1' and XM=N'%2'",
        "Update ZY_KFDJ SET Isprint=1 From ZY_KFDJ A, MZ_YJZX B Where A.DH=B.DH and B.ZXDH Like'%1' and "
        "B.XM<>N'%2'",
        "Delete MZ_YJZX Where ZXDH Like'%1' or XM=N'%2'",
        "Insert Into MZ_YJZX(ZXDH,DH,XM) Values('%1','%2',N'%2')\nExec P_YJZX '%1',N'%2', 12, NULL",
        "select isnull(XM,'%1') AS '%2', len('%2') from t where a='%1''%2' and b='%2'",
        // Numbers of a VALUES list come again with other values too; others stay as written.
        "Insert Into YJGL_LOG(XH,CZY,QZY) Values(%3,'%1', %3 )\nExec P_YJZX %3,'%2'",
        "Insert Into T(a,b,c) Values(-%3,%3+1,(%3)) select top 2 a from T where b=%3 and c='%1%2'",
        "select a from T where b in (%3,%3) and c=N'%1' and d='%2'",
    };
    const QStringList first = {QStringLiteral("20100105"), QStringLiteral("张三"), QStringLiteral("7")};
    const QStringList again = {QStringLiteral("O''Brien"), QStringLiteral("%_\\x"), QStringLiteral("12.5")};
    const auto fill = [](QString shape, const QStringList& values) {
        return shape.replace(QStringLiteral("%3"), values.at(2)).arg(values.at(0), values.at(1));
    };
    for (const auto dialect : {TsqlAdapter::Dialect::SQLite, TsqlAdapter::Dialect::PostgreSQL}) {
        for (const QString& shape : shapes) {
            TsqlAdapter::clearShapes();
            const QString text = fill(shape, again);
            QVector<AdaptedStatement> fresh, cached;
            QString error;
            QVERIFY2(TsqlAdapter::adaptAsWritten(text, &fresh, &error, dialect), qPrintable(error));
            QVERIFY(TsqlAdapter::adapt(fill(shape, first), &cached, &error, dialect));
            QVERIFY(TsqlAdapter::adapt(text, &cached, &error, dialect));
            QCOMPARE(cached.size(), fresh.size());
            for (qsizetype i = 0; i < fresh.size(); ++i) {
                QCOMPARE(cached.at(i).sql, fresh.at(i).sql);
                QCOMPARE(cached.at(i).procedure, fresh.at(i).procedure);
                QCOMPARE(cached.at(i).arguments, fresh.at(i).arguments);
                // The embedded engine's parameters, found with the shape, are those of the text.
                if (dialect == TsqlAdapter::Dialect::SQLite &&
                    fresh.at(i).kind == AdaptedStatement::Kind::Sql) {
                    QVariantList values;
                    QVERIFY(cached.at(i).parametersKnown);
                    QCOMPARE(cached.at(i).parameterized, TsqlAdapter::parameterize(fresh.at(i).sql, &values));
                    QCOMPARE(cached.at(i).values, values);
                }
            }
        }
    }
}

QTEST_APPLESS_MAIN(TstTsqlAdapter)
#include "tst_TsqlAdapter.moc"
