-- Stored procedures of the medical-technology module for PostgreSQL: PL/pgSQL functions with
-- the result columns of the SQL Server procedures. Kept in step with schema/sqlite/procedures.sql
-- and schema/sqlserver/procedures.sql; schema/README.md says what each one means.
-- The client calls "exec P 'a','b'" as SELECT * FROM p('a','b'), every argument as text. The
-- result columns are quoted, so that they come back spelled as on SQL Server.
-- An item is pending for a department when it is paid, not returned, not executed, and the
-- catalogue names that department as its executor.

-- YJ_List reads either way, whichever is less: the department's pending items (from the
-- catalogue codes it executes), looking each of their documents up by its number and keeping
-- those written in the period; or the documents written in the period, keeping those with a
-- pending item of the department. Here a look-up by number (a case-insensitive text compared
-- down the index) costs about as much as twenty of the period's documents read in a row, so
-- the first way is taken while the items are fewer than a twentieth of those documents. The two
-- are counted in rounds with growing limits (4,000 items, then 8 times as many), the documents
-- up to one more than twenty times the items, until one side is found to be the cheaper; so
-- choosing reads a few times the cheaper side, never the other (the documents in the order of
-- the index on the time written, whatever share of the table the period holds). A department
-- with a backlog of earlier days therefore costs what it has pending on a busy day.
-- The counts are planned with each call's limits (plan_cache_mode): a plan kept for any limit
-- sorts the period's documents instead of reading the first ones along the index.
-- The list is put together from the two ways chosen and planned on every call with the call's
-- values (EXECUTE): a plan kept for any department and period may read every pending item.
-- OFFSET 0 keeps the look-ups by number from being turned back into a join of all the
-- period's documents.
-- Items counted in full in the first round (fewer than 4,000) but too many to look up one by
-- one are read another way: their documents' numbers are collected first, and the period's
-- documents read in a row keep those among them (a look-up in memory, never one down an index).
-- The list is read by one process: starting a parallel worker for the few thousand documents
-- of a day costs more than reading them (tens of milliseconds on a busy server, at every
-- workstation's refresh).
CREATE OR REPLACE FUNCTION YJ_List(p_ksmc citext, p_ksrq varchar, p_jsrq varchar)
RETURNS TABLE ("DH" citext, "XM" citext, "LX" citext, "IsPrint" smallint)
LANGUAGE plpgsql STABLE SET plan_cache_mode = force_custom_plan SET max_parallel_workers_per_gather = 0
AS $$
#variable_conflict use_column
DECLARE
    v_from timestamp := p_ksrq::timestamp;
    v_to timestamp := p_jsrq::timestamp;
    -- %1$L document type, %2$s document table, %3$s item table, %4$s the parameter with the
    -- numbers; $1 department, $2 and $3 the period, $4 and $5 the outpatient and inpatient
    -- numbers.
    by_items constant text := $q$
        SELECT A.DH, A.XM, %1$L::citext AS LX, A.IsPrint, A.KDRQ
        FROM (SELECT DISTINCT B.DH FROM YF_YPML C JOIN %3$s B ON B.BM = C.YPBM
              WHERE C.ZXKS = $1 AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0) P
        CROSS JOIN LATERAL (SELECT A.DH, A.XM, A.IsPrint, A.KDRQ FROM %2$s A
                            WHERE A.DH = P.DH AND A.KDRQ BETWEEN $2 AND $3 OFFSET 0) A$q$;
    by_documents constant text := $q$
        SELECT A.DH, A.XM, %1$L::citext AS LX, A.IsPrint, A.KDRQ
        FROM %2$s A
        WHERE A.KDRQ BETWEEN $2 AND $3
          AND EXISTS (SELECT 1 FROM %3$s B JOIN YF_YPML C ON C.YPBM = B.BM
                      WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0
                        AND C.ZXKS = $1)$q$;
    by_numbers constant text := $q$
        SELECT A.DH, A.XM, %1$L::citext AS LX, A.IsPrint, A.KDRQ
        FROM %2$s A
        WHERE A.KDRQ BETWEEN $2 AND $3 AND A.DH = ANY (%4$s)$q$;
    items integer;
    docs integer;
    lim integer;
    outpatient text := by_documents;
    inpatient text := by_documents;
    outpatient_numbers citext[];
    inpatient_numbers citext[];
BEGIN
    lim := 4000;
    LOOP
        SELECT count(*) INTO items FROM (SELECT 1 FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
            WHERE C.ZXKS = p_ksmc AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 LIMIT lim) T;
        SELECT count(*) INTO docs FROM (SELECT 1 FROM mz_kfdj
            WHERE KDRQ BETWEEN v_from AND v_to ORDER BY KDRQ LIMIT items * 20 + 1) T;
        IF items < lim AND items * 20 < docs THEN
            outpatient := by_items;
        ELSIF items < lim AND lim = 4000 THEN
            outpatient := by_numbers;
            outpatient_numbers := ARRAY(SELECT DISTINCT B.DH FROM YF_YPML C JOIN MZ_KFDJMX B ON B.BM = C.YPBM
                WHERE C.ZXKS = p_ksmc AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0);
        END IF;
        EXIT WHEN items < lim OR docs <= items * 20 OR lim >= 2048000;
        lim := lim * 8;
    END LOOP;
    lim := 4000;
    LOOP
        SELECT count(*) INTO items FROM (SELECT 1 FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
            WHERE C.ZXKS = p_ksmc AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 LIMIT lim) T;
        SELECT count(*) INTO docs FROM (SELECT 1 FROM ZY_KFDJ
            WHERE KDRQ BETWEEN v_from AND v_to ORDER BY KDRQ LIMIT items * 20 + 1) T;
        IF items < lim AND items * 20 < docs THEN
            inpatient := by_items;
        ELSIF items < lim AND lim = 4000 THEN
            inpatient := by_numbers;
            inpatient_numbers := ARRAY(SELECT DISTINCT B.DH FROM YF_YPML C JOIN ZY_KFDJMX B ON B.BM = C.YPBM
                WHERE C.ZXKS = p_ksmc AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0);
        END IF;
        EXIT WHEN items < lim OR docs <= items * 20 OR lim >= 2048000;
        lim := lim * 8;
    END LOOP;
    RETURN QUERY EXECUTE
        'SELECT T.DH, T.XM, T.LX, T.IsPrint FROM ('
        || format(outpatient, '门诊', 'mz_kfdj', 'MZ_KFDJMX', '$4') || ' UNION ALL '
        || format(inpatient, '住院', 'ZY_KFDJ', 'ZY_KFDJMX', '$5') || ') T ORDER BY T.KDRQ, T.DH'
    USING p_ksmc, v_from, v_to, outpatient_numbers, inpatient_numbers;
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
      AND B.XM LIKE p_xm ESCAPE ''
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
