-- Hospital database for Microsoft SQL Server: the tables and indexes that the medical-technology
-- module reads and writes. Kept in step with schema/sqlite/schema.sql. Run it in an empty
-- database (Chinese_PRC_CI_AS collation), then procedures.sql.

CREATE TABLE userdb (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    username varchar(50) NOT NULL,
    password varchar(50) NULL DEFAULT '',
    group_name varchar(50) NULL,
    IME varchar(20) NULL DEFAULT ' 0',
    SearchType varchar(20) NULL DEFAULT '拼音码',
    ZSXM varchar(50) NULL,
    SFTY bit NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX userdb_username ON userdb (username);

CREATE TABLE Yf_sq (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    username varchar(50) NOT NULL,
    SQBH varchar(20) NULL
);
CREATE INDEX Yf_sq_username ON Yf_sq (username);

CREATE TABLE QX_Temp2 (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Groupname varchar(50) NOT NULL,
    MoudelKey varchar(50) NOT NULL,
    QX bit NOT NULL DEFAULT 0,
    BZ varchar(100) NULL
);
CREATE INDEX QX_Temp2_key ON QX_Temp2 (MoudelKey, Groupname);

-- The unit name, enciphered with AddMiMa and the default pass phrase.
CREATE TABLE HosPitalInfo (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    DWMC varchar(1000) NULL
);

CREATE TABLE QKZL_CONFIG (
    Item_Name varchar(50) NOT NULL PRIMARY KEY,
    Item_Value varchar(200) NULL,
    BZ varchar(200) NULL
);

CREATE TABLE GY_HZBM (
    HZ nvarchar(1) NOT NULL PRIMARY KEY,
    PY varchar(10) NULL
);

CREATE TABLE DAGL_ZD (
    DM varchar(20) NOT NULL PRIMARY KEY,
    DMMC varchar(50) NULL,
    ZD_TYPE varchar(1) NULL DEFAULT '0',
    Moudelname varchar(50) NULL,
    BZ varchar(200) NULL,
    xx int IDENTITY(1,1) NOT NULL
);

CREATE TABLE CS (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    ControlID varchar(20) NULL,
    DM varchar(20) NULL,
    DMMC varchar(100) NULL
);
CREATE INDEX CS_ControlID ON CS (ControlID);

CREATE TABLE ZD_Tabel (
    ID int NOT NULL PRIMARY KEY,
    PID int NOT NULL DEFAULT 0,
    Lavel int NOT NULL DEFAULT 0,
    Sname varchar(100) NULL,
    Ename varchar(100) NULL
);
CREATE INDEX ZD_Tabel_Lavel ON ZD_Tabel (Lavel);

CREATE TABLE ZD_LinkTable (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    FormName varchar(100) NULL,
    ControlEname varchar(100) NULL,
    ControlCname varchar(100) NULL,
    LinkZD varchar(20) NULL DEFAULT '',
    XH int NOT NULL DEFAULT 0
);
CREATE INDEX ZD_LinkTable_FormName ON ZD_LinkTable (FormName, XH);

-- Catalogue of drugs and examination items; ZXKS names the department that executes an item.
CREATE TABLE YF_YPML (
    YPBM varchar(20) NOT NULL PRIMARY KEY,
    YPMC varchar(100) NULL,
    PYM varchar(50) NULL,
    GG varchar(50) NULL,
    DW varchar(10) NULL,
    DJ decimal(18, 4) NOT NULL DEFAULT 0,
    LX varchar(20) NULL,
    ZXKS varchar(50) NULL,
    KCL decimal(18, 2) NOT NULL DEFAULT 0,
    SFJKC bit NOT NULL DEFAULT 0,
    CLB int NOT NULL DEFAULT 1,
    TYBZ bit NOT NULL DEFAULT 0
);
CREATE INDEX YF_YPML_ZXKS ON YF_YPML (ZXKS, YPBM);

CREATE TABLE mz_kfdj (
    DH varchar(20) NOT NULL PRIMARY KEY,
    MZH varchar(20) NULL,
    XM varchar(50) NULL,
    XB varchar(4) NULL,
    NL varchar(20) NULL,
    TS int NOT NULL DEFAULT 1,
    KDYS varchar(50) NULL,
    KDKS varchar(50) NULL,
    KDRQ datetime NULL,
    ZJE decimal(18, 2) NOT NULL DEFAULT 0,
    SFBZ bit NOT NULL DEFAULT 0,
    SFRQ datetime NULL,
    IsPrint bit NULL
);
CREATE INDEX mz_kfdj_KDRQ ON mz_kfdj (KDRQ, DH, XM, IsPrint);

-- SFBZ: paid; ZXBZ/ZXSJ: executed by the item's department, and when; TYBZ: returned.
CREATE TABLE MZ_KFDJMX (
    ID int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    DH varchar(20) NOT NULL,
    GroupYP int NULL,
    BM varchar(20) NULL,
    PM varchar(100) NULL,
    GG varchar(50) NULL,
    DW varchar(10) NULL,
    SL decimal(18, 2) NOT NULL DEFAULT 1,
    DJ decimal(18, 4) NOT NULL DEFAULT 0,
    SSJE decimal(18, 2) NOT NULL DEFAULT 0,
    SFBZ bit NOT NULL DEFAULT 0,
    ZXBZ bit NOT NULL DEFAULT 0,
    ZXSJ datetime NULL,
    TYBZ bit NOT NULL DEFAULT 0
);
CREATE INDEX MZ_KFDJMX_DH ON MZ_KFDJMX (DH);
-- Pending items only: by catalogue code (what a department has pending) and by document.
CREATE INDEX MZ_KFDJMX_pending_BM ON MZ_KFDJMX (BM, DH, SFBZ, TYBZ, ZXBZ) WHERE SFBZ = 1 AND TYBZ = 0 AND ZXBZ = 0;
CREATE INDEX MZ_KFDJMX_pending_DH ON MZ_KFDJMX (DH, BM, SFBZ, TYBZ, ZXBZ) WHERE SFBZ = 1 AND TYBZ = 0 AND ZXBZ = 0;

CREATE TABLE ZY_KFDJ (
    DH varchar(20) NOT NULL PRIMARY KEY,
    ZYH varchar(20) NULL,
    CWH varchar(20) NULL,
    XM varchar(50) NULL,
    XB varchar(4) NULL,
    NL varchar(20) NULL,
    KDYS varchar(50) NULL,
    KDKS varchar(50) NULL,
    KDRQ datetime NULL,
    ZJE decimal(18, 2) NOT NULL DEFAULT 0,
    IsPrint bit NULL
);
CREATE INDEX ZY_KFDJ_KDRQ ON ZY_KFDJ (KDRQ, DH, XM, IsPrint);

CREATE TABLE ZY_KFDJMX (
    ID int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    DH varchar(20) NOT NULL,
    GroupYP int NULL,
    BM varchar(20) NULL,
    PM varchar(100) NULL,
    GG varchar(50) NULL,
    DW varchar(10) NULL,
    SL decimal(18, 2) NOT NULL DEFAULT 1,
    DJ decimal(18, 4) NOT NULL DEFAULT 0,
    SSJE decimal(18, 2) NOT NULL DEFAULT 0,
    SFBZ bit NOT NULL DEFAULT 0,
    ZXBZ bit NOT NULL DEFAULT 0,
    ZXSJ datetime NULL,
    TYBZ bit NOT NULL DEFAULT 0
);
CREATE INDEX ZY_KFDJMX_DH ON ZY_KFDJMX (DH);
-- Pending items only: by catalogue code (what a department has pending) and by document.
CREATE INDEX ZY_KFDJMX_pending_BM ON ZY_KFDJMX (BM, DH, SFBZ, TYBZ, ZXBZ) WHERE SFBZ = 1 AND TYBZ = 0 AND ZXBZ = 0;
CREATE INDEX ZY_KFDJMX_pending_DH ON ZY_KFDJMX (DH, BM, SFBZ, TYBZ, ZXBZ) WHERE SFBZ = 1 AND TYBZ = 0 AND ZXBZ = 0;

CREATE TABLE MZ_YJZX (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    ZXDH varchar(20) NULL,
    DH varchar(20) NULL,
    ZXR varchar(50) NULL,
    FHR varchar(50) NULL,
    KSMC varchar(50) NULL,
    XM varchar(50) NULL,
    ZXSJ datetime NULL DEFAULT GETDATE(),
    SFZF bit NOT NULL DEFAULT 0,
    ZFR varchar(50) NULL,
    ZFRQ datetime NULL
);
CREATE UNIQUE INDEX MZ_YJZX_ZXDH ON MZ_YJZX (ZXDH);
CREATE INDEX MZ_YJZX_DH ON MZ_YJZX (DH);
CREATE INDEX MZ_YJZX_ZXSJ ON MZ_YJZX (KSMC, SFZF, ZXSJ);
CREATE INDEX MZ_YJZX_ZFRQ ON MZ_YJZX (KSMC, SFZF, ZFRQ);

CREATE TABLE MZ_FYDJ (
    id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    FYDH varchar(20) NULL,
    DH varchar(20) NULL,
    FYR varchar(50) NULL,
    PYR varchar(50) NULL,
    FYRQ datetime NULL DEFAULT GETDATE()
);
CREATE INDEX MZ_FYDJ_FYRQ ON MZ_FYDJ (FYRQ);

-- @audit (yjgl-admin audit install adds what follows to an existing database)
-- The audit trail: one row per action, appended in the action's own transaction. XH numbers
-- the rows without gaps; ZY is the SHA-256 of the row's content and of QZY, the ZY of the row
-- before. Rows are never changed or removed: the trigger answers UPDATE and DELETE with an
-- error and does nothing in their place. (TRUNCATE TABLE fires no trigger: grant it to nobody.)
GO
CREATE TABLE YJGL_LOG (
    XH bigint NOT NULL PRIMARY KEY,
    CZSJ datetime NOT NULL,
    CZY nvarchar(50) NULL,
    KSMC nvarchar(50) NULL,
    GZZ nvarchar(100) NULL,
    CZ nvarchar(20) NOT NULL,
    DH nvarchar(20) NULL,
    XQ nvarchar(400) NULL,
    QZY char(64) NOT NULL,
    ZY char(64) NOT NULL
);
CREATE INDEX YJGL_LOG_CZSJ ON YJGL_LOG (CZSJ);
GO
CREATE TRIGGER YJGL_LOG_APPEND_ONLY ON YJGL_LOG INSTEAD OF UPDATE, DELETE AS
BEGIN
    RAISERROR(N'操作日志只能追加，不能修改或删除', 16, 1);
END
GO
