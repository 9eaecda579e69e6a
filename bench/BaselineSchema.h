#pragma once

// The pending list as it was before the pending-item indexes: the benchmarks measure the
// current list against it, and the list's test checks that the current procedure returns
// exactly what this one returns.
namespace BaselineSchema {

inline constexpr const char* kYjListParams = "@KSMC,@KSRQ,@JSRQ";

inline constexpr const char* kYjListBody = R"(
SELECT DH, XM, LX, IsPrint FROM (
    SELECT A.DH AS DH, A.XM AS XM, '门诊' AS LX, A.IsPrint AS IsPrint, A.KDRQ AS KDRQ
    FROM mz_kfdj A
    WHERE A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND EXISTS (SELECT 1 FROM MZ_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
    UNION ALL
    SELECT A.DH, A.XM, '住院', A.IsPrint, A.KDRQ
    FROM ZY_KFDJ A
    WHERE A.KDRQ BETWEEN @KSRQ AND @JSRQ
      AND EXISTS (SELECT 1 FROM ZY_KFDJMX B JOIN YF_YPML C ON C.YPBM = B.BM
                  WHERE B.DH = A.DH AND B.SFBZ = 1 AND B.TYBZ = 0 AND B.ZXBZ = 0 AND C.ZXKS = @KSMC)
) ORDER BY KDRQ, DH
)";

// The same list in the PostgreSQL form, as that schema created it.
inline constexpr const char* kPostgresYjList = R"(
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
)";

// Every index of that schema, as created (the same text in both forms).
inline constexpr const char* kIndexes[] = {
    "CREATE UNIQUE INDEX userdb_username ON userdb (username)",
    "CREATE INDEX Yf_sq_username ON Yf_sq (username)",
    "CREATE INDEX QX_Temp2_key ON QX_Temp2 (MoudelKey, Groupname)",
    "CREATE INDEX CS_ControlID ON CS (ControlID)",
    "CREATE INDEX ZD_Tabel_Lavel ON ZD_Tabel (Lavel)",
    "CREATE INDEX ZD_LinkTable_FormName ON ZD_LinkTable (FormName, XH)",
    "CREATE INDEX YF_YPML_ZXKS ON YF_YPML (ZXKS)",
    "CREATE INDEX mz_kfdj_KDRQ ON mz_kfdj (KDRQ)",
    "CREATE INDEX MZ_KFDJMX_DH ON MZ_KFDJMX (DH)",
    "CREATE INDEX ZY_KFDJ_KDRQ ON ZY_KFDJ (KDRQ)",
    "CREATE INDEX ZY_KFDJMX_DH ON ZY_KFDJMX (DH)",
    "CREATE UNIQUE INDEX MZ_YJZX_ZXDH ON MZ_YJZX (ZXDH)",
    "CREATE INDEX MZ_YJZX_DH ON MZ_YJZX (DH)",
    "CREATE INDEX MZ_YJZX_ZXSJ ON MZ_YJZX (KSMC, SFZF, ZXSJ)",
    "CREATE INDEX MZ_YJZX_ZFRQ ON MZ_YJZX (KSMC, SFZF, ZFRQ)",
    "CREATE INDEX MZ_FYDJ_FYRQ ON MZ_FYDJ (FYRQ)",
};

} // namespace BaselineSchema
