-- Stored procedures of the medical-technology module for Microsoft SQL Server. Kept in step
-- with schema/sqlite/procedures.sql; schema/README.md says what each one means.
-- An item is pending for a department when it is paid, not returned, not executed, and the
-- catalogue names that department as its executor.

-- YJ_List reads either way, whichever is less: the department's pending items (from the
-- catalogue codes it executes), keeping the documents written in the period; or the documents
-- written in the period, keeping those with a pending item of the department. The two are
-- counted in rounds with growing limits (TOP 4,000 items, then 8 times as many), the documents
-- up to one more than the items, until one side is found to be smaller; so choosing reads a few
-- times the smaller side, never the larger, and a department with a backlog of earlier days
-- costs what it has pending on a busy day. The branch not chosen is skipped at run time by its
-- start-up filter.
CREATE PROCEDURE YJ_List @KSMC varchar(50), @KSRQ varchar(30), @JSRQ varchar(30)
AS
SET NOCOUNT ON
DECLARE @Limit int, @Items int, @Docs int, @MzByItems bit = 0, @ZyByItems bit = 0
SET @Limit = 4000
WHILE 1 = 1
BEGIN
    SELECT @Items = COUNT(*) FROM (SELECT TOP (@Limit) B.ID FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
        WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0) T
    SELECT @Docs = COUNT(*) FROM (SELECT TOP (@Items + 1) DH FROM mz_kfdj
        WHERE KDRQ BETWEEN @KSRQ AND @JSRQ) T
    IF @Items < @Limit AND @Items < @Docs
        SET @MzByItems = 1
    IF @Items < @Limit OR @Docs <= @Items OR @Limit >= 2048000
        BREAK
    SET @Limit = @Limit * 8
END
SET @Limit = 4000
WHILE 1 = 1
BEGIN
    SELECT @Items = COUNT(*) FROM (SELECT TOP (@Limit) B.ID FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
        WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0) T
    SELECT @Docs = COUNT(*) FROM (SELECT TOP (@Items + 1) DH FROM ZY_KFDJ
        WHERE KDRQ BETWEEN @KSRQ AND @JSRQ) T
    IF @Items < @Limit AND @Items < @Docs
        SET @ZyByItems = 1
    IF @Items < @Limit OR @Docs <= @Items OR @Limit >= 2048000
        BREAK
    SET @Limit = @Limit * 8
END
SELECT DH, XM, LX, IsPrint FROM (
    SELECT A.DH, A.XM, '门诊' AS LX, A.IsPrint, A.KDRQ
    FROM mz_kfdj A
    WHERE @MzByItems = 1 AND A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND A.DH IN (SELECT B.DH FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
                   WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0)
    UNION ALL
    SELECT A.DH, A.XM, '门诊', A.IsPrint, A.KDRQ
    FROM mz_kfdj A
    WHERE @MzByItems = 0 AND A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
    UNION ALL
    SELECT A.DH, A.XM, '住院', A.IsPrint, A.KDRQ
    FROM ZY_KFDJ A
    WHERE @ZyByItems = 1 AND A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND A.DH IN (SELECT B.DH FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
                   WHERE C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0)
    UNION ALL
    SELECT A.DH, A.XM, '住院', A.IsPrint, A.KDRQ
    FROM ZY_KFDJ A
    WHERE @ZyByItems = 0 AND A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND EXISTS (SELECT 1 FROM ZY_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
) T ORDER BY KDRQ, DH
GO

CREATE PROCEDURE Get_YJMX @KSMC varchar(50), @DH varchar(20)
AS
SET NOCOUNT ON
SELECT B.GroupYP, B.BM, B.PM, B.GG, B.DW, B.SL, B.DJ, B.SSJE, C.KCL, C.LX, C.SFJKC, C.CLB, B.ID
FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
WHERE B.DH = @DH AND C.ZXKS = @KSMC AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
ORDER BY B.ID
GO

CREATE PROCEDURE SP_MZ_CF @DH varchar(20), @KSMC varchar(50)
AS
SET NOCOUNT ON
SELECT A.DH, A.XM, A.KDRQ
FROM mz_kfdj A
WHERE A.DH = @DH
  AND EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
              WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
GO

-- The update locks the rows it marks until the caller commits, so a second workstation waits,
-- then finds nothing left and fails; the caller then rolls its transaction (with the execution
-- record it inserted) back.
CREATE PROCEDURE P_YJZX @DH varchar(20), @KSMC varchar(50)
AS
SET NOCOUNT ON
DECLARE @Done int
UPDATE B SET ZXBZ = 1, ZXSJ = GETDATE()
FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
WHERE B.DH = @DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC
SET @Done = @@ROWCOUNT
UPDATE B SET ZXBZ = 1, ZXSJ = GETDATE()
FROM ZY_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
WHERE B.DH = @DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC
SET @Done = @Done + @@ROWCOUNT
IF @Done = 0
BEGIN
    RAISERROR('单据【%s】在【%s】已没有待执行的项目，可能已经执行过了。', 16, 1, @DH, @KSMC)
    RETURN 1
END
GO

CREATE PROCEDURE P_MZ_YJTDList @KSMC varchar(50), @XM varchar(60), @KSRQ varchar(30), @JSRQ varchar(30)
AS
SET NOCOUNT ON
SELECT A.DH, B.XM
FROM MZ_YJZX A JOIN mz_kfdj B ON B.DH = A.DH
WHERE A.KSMC = @KSMC AND A.SFZF = 0 AND A.ZXSJ BETWEEN @KSRQ AND @JSRQ AND B.XM LIKE @XM
ORDER BY A.ZXSJ, A.DH
GO

CREATE PROCEDURE Get_YJZFMX @KSMC varchar(50), @DH varchar(20)
AS
SET NOCOUNT ON
SELECT B.GroupYP, B.BM, B.PM, B.GG, B.DW, B.SL, B.DJ, B.SSJE
FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
WHERE B.DH = @DH AND C.ZXKS = @KSMC AND B.ZXBZ = 1 AND B.TYBZ = 0
ORDER BY B.ID
GO
