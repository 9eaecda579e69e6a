-- Stored procedures of the embedded database. Kept in step with schema/sqlserver/procedures.sql;
-- schema/README.md says what each one means.
-- params: the parameter names in call order; every argument arrives as text.
-- body: statements separated by ';'; the rows of the last statement that gives columns are the
-- result. yj_raise(message) fails the call, and the client's transaction rolls back.

-- An item is pending for a department when it is paid, not returned, not executed, and the
-- catalogue names that department as its executor.

-- YJ_List reads either way, whichever is less: the department's pending items (from the
-- catalogue codes it executes), keeping the documents written in the period; or the documents
-- written in the period, keeping those with a pending item of the department. The two are
-- counted in rounds with growing limits (4,000, then 8 times as many), the items first and the
-- documents up to one more than the items, until one side is found to be smaller; so choosing
-- reads a few times the smaller side, never the larger. A department with a backlog of earlier
-- days therefore costs what it has pending on a busy day, and what the day holds on a quiet one.
INSERT OR REPLACE INTO sys_procedures (name, params, body) VALUES ('YJ_List', '@KSMC,@KSRQ,@JSRQ', '
WITH
mzItems1(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT 4000)),
mzDocs1(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM mz_kfdj WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT n + 1 FROM mzItems1))),
mzItems2(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT (SELECT CASE WHEN n > 4000 THEN 32000 ELSE 0 END FROM mzDocs1))),
mzDocs2(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM mz_kfdj WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT CASE WHEN n > 0 THEN n + 1 ELSE 0 END FROM mzItems2))),
mzItems3(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT (SELECT CASE WHEN n > 32000 THEN 256000 ELSE 0 END FROM mzDocs2))),
mzDocs3(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM mz_kfdj WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT CASE WHEN n > 0 THEN n + 1 ELSE 0 END FROM mzItems3))),
mzItems4(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT (SELECT CASE WHEN n > 256000 THEN 2048000 ELSE 0 END FROM mzDocs3))),
mzDocs4(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM mz_kfdj WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT CASE WHEN n > 0 THEN n + 1 ELSE 0 END FROM mzItems4))),
mzByItems(yes) AS MATERIALIZED (SELECT max(items < lim AND items < docs) FROM (
    SELECT I.n AS items, D.n AS docs, 4000 AS lim FROM mzItems1 I, mzDocs1 D
    UNION ALL SELECT I.n, D.n, 32000 FROM mzItems2 I, mzDocs2 D WHERE I.n > 0
    UNION ALL SELECT I.n, D.n, 256000 FROM mzItems3 I, mzDocs3 D WHERE I.n > 0
    UNION ALL SELECT I.n, D.n, 2048000 FROM mzItems4 I, mzDocs4 D WHERE I.n > 0)),
zyItems1(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT 4000)),
zyDocs1(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM ZY_KFDJ WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT n + 1 FROM zyItems1))),
zyItems2(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT (SELECT CASE WHEN n > 4000 THEN 32000 ELSE 0 END FROM zyDocs1))),
zyDocs2(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM ZY_KFDJ WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT CASE WHEN n > 0 THEN n + 1 ELSE 0 END FROM zyItems2))),
zyItems3(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT (SELECT CASE WHEN n > 32000 THEN 256000 ELSE 0 END FROM zyDocs2))),
zyDocs3(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM ZY_KFDJ WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT CASE WHEN n > 0 THEN n + 1 ELSE 0 END FROM zyItems3))),
zyItems4(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
    WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    LIMIT (SELECT CASE WHEN n > 256000 THEN 2048000 ELSE 0 END FROM zyDocs3))),
zyDocs4(n) AS MATERIALIZED (SELECT count(*) FROM (SELECT 1 FROM ZY_KFDJ WHERE KDRQ BETWEEN @KSRQ AND @JSRQ
    LIMIT (SELECT CASE WHEN n > 0 THEN n + 1 ELSE 0 END FROM zyItems4))),
zyByItems(yes) AS MATERIALIZED (SELECT max(items < lim AND items < docs) FROM (
    SELECT I.n AS items, D.n AS docs, 4000 AS lim FROM zyItems1 I, zyDocs1 D
    UNION ALL SELECT I.n, D.n, 32000 FROM zyItems2 I, zyDocs2 D WHERE I.n > 0
    UNION ALL SELECT I.n, D.n, 256000 FROM zyItems3 I, zyDocs3 D WHERE I.n > 0
    UNION ALL SELECT I.n, D.n, 2048000 FROM zyItems4 I, zyDocs4 D WHERE I.n > 0))
SELECT DH, XM, LX, IsPrint FROM (
    SELECT A.DH AS DH, A.XM AS XM, ''门诊'' AS LX, A.IsPrint AS IsPrint, A.KDRQ AS KDRQ
    FROM mzByItems P CROSS JOIN mz_kfdj A
    WHERE P.yes AND +A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND A.DH IN (SELECT B.DH FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
                   WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0)
    UNION ALL
    SELECT A.DH, A.XM, ''门诊'', A.IsPrint, A.KDRQ
    FROM mzByItems P CROSS JOIN mz_kfdj A
    WHERE NOT P.yes AND A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
    UNION ALL
    SELECT A.DH, A.XM, ''住院'', A.IsPrint, A.KDRQ
    FROM zyByItems P CROSS JOIN ZY_KFDJ A
    WHERE P.yes AND +A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND A.DH IN (SELECT B.DH FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
                   WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0)
    UNION ALL
    SELECT A.DH, A.XM, ''住院'', A.IsPrint, A.KDRQ
    FROM zyByItems P CROSS JOIN ZY_KFDJ A
    WHERE NOT P.yes AND A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND EXISTS (SELECT 1 FROM ZY_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
) ORDER BY KDRQ, DH
');

INSERT OR REPLACE INTO sys_procedures (name, params, body) VALUES ('Get_YJMX', '@KSMC,@DH', '
SELECT B.GroupYP AS GroupYP, B.BM AS BM, B.PM AS PM, B.GG AS GG, B.DW AS DW, B.SL AS SL,
       B.DJ AS DJ, B.SSJE AS SSJE, C.KCL AS KCL, C.LX AS LX, C.SFJKC AS SFJKC, C.CLB AS CLB,
       B.ID AS ID
FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
WHERE B.DH = @DH AND C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
ORDER BY B.ID
');

INSERT OR REPLACE INTO sys_procedures (name, params, body) VALUES ('SP_MZ_CF', '@DH,@KSMC', '
SELECT A.DH AS DH, A.XM AS XM, A.KDRQ AS KDRQ
FROM mz_kfdj A
WHERE A.DH = @DH
  AND EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
              WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
');

-- The check and the updates run under the caller's write lock (it has just inserted the
-- execution record), so a second workstation finds nothing left and fails.
INSERT OR REPLACE INTO sys_procedures (name, params, body) VALUES ('P_YJZX', '@DH,@KSMC', '
SELECT yj_raise(''单据【'' || @DH || ''】在【'' || @KSMC || ''】已没有待执行的项目，可能已经执行过了。'')
WHERE NOT EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = @DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
  AND NOT EXISTS (SELECT 1 FROM ZY_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = @DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC);
UPDATE MZ_KFDJMX SET ZXBZ = 1, ZXSJ = getdate()
WHERE DH = @DH AND SFBZ = 1 AND TYBZ = 0 AND ZXBZ = 0
  AND BM IN (SELECT YPBM FROM YF_YPML WHERE ZXKS = @KSMC);
UPDATE ZY_KFDJMX SET ZXBZ = 1, ZXSJ = getdate()
WHERE DH = @DH AND SFBZ = 1 AND TYBZ = 0 AND ZXBZ = 0
  AND BM IN (SELECT YPBM FROM YF_YPML WHERE ZXKS = @KSMC)
');

-- Executed, not voided outpatient documents of the department, by execution time and name.
INSERT OR REPLACE INTO sys_procedures (name, params, body) VALUES ('P_MZ_YJTDList', '@KSMC,@XM,@KSRQ,@JSRQ', '
SELECT A.DH AS DH, B.XM AS XM
FROM MZ_YJZX A JOIN mz_kfdj B ON B.DH = A.DH
WHERE A.KSMC = @KSMC AND A.SFZF = 0 AND A.ZXSJ BETWEEN @KSRQ AND @JSRQ AND B.XM LIKE @XM
ORDER BY A.ZXSJ, A.DH
');

-- Items of an outpatient document that the department has executed and not returned.
INSERT OR REPLACE INTO sys_procedures (name, params, body) VALUES ('Get_YJZFMX', '@KSMC,@DH', '
SELECT B.GroupYP AS GroupYP, B.BM AS BM, B.PM AS PM, B.GG AS GG, B.DW AS DW, B.SL AS SL,
       B.DJ AS DJ, B.SSJE AS SSJE
FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
WHERE B.DH = @DH AND C.ZXKS = @KSMC AND B.ZXBZ = 1 AND B.TYBZ = 0
ORDER BY B.ID
');
