-- Stored procedures of the medical-technology module for PostgreSQL: PL/pgSQL functions with
-- the result columns of the SQL Server procedures. Kept in step with schema/sqlite/procedures.sql
-- and schema/sqlserver/procedures.sql; schema/README.md says what each one means.
-- The client calls "exec P 'a','b'" as SELECT * FROM p('a','b'), every argument as text. The
-- result columns are quoted, so that they come back spelled as on SQL Server.
-- An item is pending for a department when it is paid, not returned, not executed, and the
-- catalogue names that department as its executor.

CREATE OR REPLACE FUNCTION YJ_List(p_ksmc citext, p_ksrq varchar, p_jsrq varchar)
RETURNS TABLE ("DH" citext, "XM" citext, "LX" citext, "IsPrint" smallint)
LANGUAGE plpgsql STABLE AS $$
#variable_conflict use_column
BEGIN
    RETURN QUERY
    SELECT T.DH, T.XM, T.LX, T.IsPrint FROM (
        SELECT A.DH, A.XM, '门诊'::citext AS LX, A.IsPrint, A.KDRQ
        FROM mz_kfdj A
        WHERE A.KDRQ BETWEEN p_ksrq::timestamp AND p_jsrq::timestamp
          AND EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                      WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
                        AND C.ZXKS = p_ksmc)
        UNION ALL
        SELECT A.DH, A.XM, '住院'::citext, A.IsPrint, A.KDRQ
        FROM ZY_KFDJ A
        WHERE A.KDRQ BETWEEN p_ksrq::timestamp AND p_jsrq::timestamp
          AND EXISTS (SELECT 1 FROM ZY_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                      WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
                        AND C.ZXKS = p_ksmc)
    ) T ORDER BY T.KDRQ, T.DH;
END $$;

CREATE OR REPLACE FUNCTION Get_YJMX(p_ksmc citext, p_dh citext)
RETURNS TABLE ("GroupYP" integer, "BM" citext, "PM" citext, "GG" citext, "DW" citext, "SL" numeric, "DJ" numeric,
               "SSJE" numeric, "KCL" numeric, "LX" citext, "SFJKC" smallint, "CLB" integer, "ID" integer)
LANGUAGE plpgsql STABLE AS $$
#variable_conflict use_column
BEGIN
    RETURN QUERY
    SELECT B.GroupYP, B.BM, B.PM, B.GG, B.DW, B.SL::numeric, B.DJ::numeric, B.SSJE::numeric,
           C.KCL::numeric, C.LX, C.SFJKC, C.CLB, B.ID
    FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
    WHERE B.DH = p_dh AND C.ZXKS = p_ksmc AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
    ORDER BY B.ID;
END $$;

CREATE OR REPLACE FUNCTION SP_MZ_CF(p_dh citext, p_ksmc citext)
RETURNS TABLE ("DH" citext, "XM" citext, "KDRQ" timestamp(0))
LANGUAGE plpgsql STABLE AS $$
#variable_conflict use_column
BEGIN
    RETURN QUERY
    SELECT A.DH, A.XM, A.KDRQ
    FROM mz_kfdj A
    WHERE A.DH = p_dh
      AND EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
                    AND C.ZXKS = p_ksmc);
END $$;

-- The updates lock the rows they mark until the caller commits, so a second workstation waits,
-- then finds nothing left (the rows are checked again once the first has committed) and fails;
-- the caller then rolls its transaction (with the execution record it inserted) back.
CREATE OR REPLACE FUNCTION P_YJZX(p_dh citext, p_ksmc citext)
RETURNS void
LANGUAGE plpgsql AS $$
#variable_conflict use_column
DECLARE
    done integer;
    more integer;
BEGIN
    UPDATE MZ_KFDJMX B SET ZXBZ = 1, ZXSJ = getdate()
    WHERE B.DH = p_dh AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
      AND B.BM IN (SELECT C.YPBM FROM YF_YPML C WHERE C.ZXKS = p_ksmc);
    GET DIAGNOSTICS done = ROW_COUNT;
    UPDATE ZY_KFDJMX B SET ZXBZ = 1, ZXSJ = getdate()
    WHERE B.DH = p_dh AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
      AND B.BM IN (SELECT C.YPBM FROM YF_YPML C WHERE C.ZXKS = p_ksmc);
    GET DIAGNOSTICS more = ROW_COUNT;
    IF done + more = 0 THEN
        RAISE EXCEPTION '单据【%】在【%】已没有待执行的项目，可能已经执行过了。', p_dh, p_ksmc;
    END IF;
END $$;

CREATE OR REPLACE FUNCTION P_MZ_YJTDList(p_ksmc citext, p_xm citext, p_ksrq varchar, p_jsrq varchar)
RETURNS TABLE ("DH" citext, "XM" citext)
LANGUAGE plpgsql STABLE AS $$
#variable_conflict use_column
BEGIN
    RETURN QUERY
    SELECT A.DH, B.XM
    FROM MZ_YJZX A JOIN mz_kfdj B ON B.DH = A.DH
    WHERE A.KSMC = p_ksmc AND A.SFZF = 0
      AND A.ZXSJ BETWEEN p_ksrq::timestamp AND p_jsrq::timestamp
      AND B.XM LIKE p_xm
    ORDER BY A.ZXSJ, A.DH;
END $$;

CREATE OR REPLACE FUNCTION Get_YJZFMX(p_ksmc citext, p_dh citext)
RETURNS TABLE ("GroupYP" integer, "BM" citext, "PM" citext, "GG" citext, "DW" citext, "SL" numeric, "DJ" numeric,
               "SSJE" numeric)
LANGUAGE plpgsql STABLE AS $$
#variable_conflict use_column
BEGIN
    RETURN QUERY
    SELECT B.GroupYP, B.BM, B.PM, B.GG, B.DW, B.SL::numeric, B.DJ::numeric, B.SSJE::numeric
    FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
    WHERE B.DH = p_dh AND C.ZXKS = p_ksmc AND B.ZXBZ = 1 AND B.TYBZ = 0
    ORDER BY B.ID;
END $$;
