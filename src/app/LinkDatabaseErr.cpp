#include "app/LinkDatabaseErr.h"

#include "app/SettingsMessages.h"
#include "app/core/ProcessExit.h"
#include "app/core/ServerList.h"
#include "common/CleanControl.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>

namespace {

int px(int twips) {
    return CleanControl::twipsToPixels(twips);
}

// Height before and after "设置(&S)" opens the settings frame; collapsed, the client area
// ends between the buttons and the frame.
constexpr int CollapsedHeightTwips = 3000;
constexpr int ExpandedHeightTwips = 5475;
constexpr int WidthTwips = 6870;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect twips) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
    b->setAutoDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QRect twips) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
    return l;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, QRect twips) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
    return e;
}

void paintBackground(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, color);
    p.setColor(QPalette::Base, color);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

QString LinkDatabaseErr::titleText() {
    return QStringLiteral("      由于以下数据库错误，数据库连接无法完成。请选择‘退出’按钮中止本次连接，"
                          "或选择‘设置’按钮修改配置信息后选择‘重试’按钮重新连接。");
}

LinkDatabaseErr::LinkDatabaseErr(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LinkDatabaseErr"));
    setWindowTitle(QStringLiteral("数据库连接错误"));
    buildControls();
    loadFields();
    paintBackground(this, backgroundColor());
    paintBackground(m_frame, backgroundColor());
    paintBackground(m_errInfo, backgroundColor());
    QPalette red = m_errInfo->palette();
    red.setColor(QPalette::Text, QColor(255, 0, 0));
    m_errInfo->setPalette(red);
    listServers();
}

void LinkDatabaseErr::buildControls() {
    setFixedSize(px(WidthTwips), px(CollapsedHeightTwips));

    m_showTitle = makeLabel(this, "ShowTitle", titleText(), {120, 120, 6600, 615});
    m_showTitle->setWordWrap(true);

    m_errInfo = new QPlainTextEdit(this);
    m_errInfo->setObjectName(QStringLiteral("ErrInfoShow"));
    m_errInfo->setReadOnly(true);
    m_errInfo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_errInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_errInfo->setGeometry(px(120), px(795), px(6600), px(1575));

    const int buttonTop = 2520;
    makeButton(this, "Command4", QStringLiteral("恢复默认值"), {120, buttonTop, 1215, 375});
    makeButton(this, "ButSet", QStringLiteral("设置(&S)"), {1470, buttonTop, 1215, 375});
    makeButton(this, "ButRec", QStringLiteral("重试(&R)"), {2820, buttonTop, 1215, 375});
    makeButton(this, "ButExit", QStringLiteral("退出(&X)"), {4170, buttonTop, 1215, 375});
    makeButton(this, "Command1", QStringLiteral("帮助(&H)"), {5520, buttonTop, 1215, 375});

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("Xp_Frame1"));
    m_frame->setFrameShape(QFrame::StyledPanel);
    m_frame->setGeometry(px(120), px(3060), px(6600), px(1905));

    // The engine first; the rows below are those it needs. Five rows of 360 twips fill the frame.
    makeLabel(m_frame, "Label5", QStringLiteral("数据库类型："), {240, 90, 1215, 300});
    m_engine = new QComboBox(m_frame);
    m_engine->setObjectName(QStringLiteral("CboEngine"));
    m_engine->addItem(QStringLiteral("SQL Server"), int(ConnectionString::Kind::SqlServer));
    m_engine->addItem(QStringLiteral("PostgreSQL"), int(ConnectionString::Kind::PostgreSQL));
    m_engine->addItem(QStringLiteral("本机数据库文件"), int(ConnectionString::Kind::SQLite));
    m_engine->addItem(QStringLiteral("ODBC 数据源"), int(ConnectionString::Kind::Odbc));
    m_engine->setGeometry(px(1560), px(60), px(4800), px(330));

    m_serverLabel = makeLabel(m_frame, "Label1", QStringLiteral("服务器名："), {240, 450, 1215, 300});
    m_server = new QComboBox(m_frame);
    m_server->setObjectName(QStringLiteral("TxtServerName"));
    m_server->setEditable(true);
    m_server->setGeometry(px(1560), px(420), px(4800), px(330));
    m_fileLabel = makeLabel(m_frame, "Label6", QStringLiteral("数据库文件："), {240, 450, 1215, 300});
    m_file = makeEdit(m_frame, "TxtDatabaseFile", {1560, 420, 4800, 330});
    m_serverRows << makeLabel(m_frame, "Label2", QStringLiteral("数据库名称"), {240, 810, 1215, 300});
    m_database = makeEdit(m_frame, "TxtDatabaseName", {1560, 780, 4800, 330});
    m_serverRows << makeLabel(m_frame, "Label3", QStringLiteral("用户名："), {240, 1170, 1215, 300});
    m_user = makeEdit(m_frame, "TxtUser", {1560, 1140, 4800, 330});
    m_serverRows << makeLabel(m_frame, "Label4", QStringLiteral("登陆密码："), {240, 1530, 1215, 300});
    m_password = makeEdit(m_frame, "TxtPassword", {1560, 1500, 4800, 330});
    m_password->setEchoMode(QLineEdit::Password);
    m_serverRows << m_serverLabel << m_server << m_database << m_user << m_password;
    showEngineFields();

    connect(m_engine, &QComboBox::currentIndexChanged, this, &LinkDatabaseErr::showEngineFields);
    connect(findChild<QPushButton*>(QStringLiteral("Command4")), &QPushButton::clicked, this,
            &LinkDatabaseErr::restoreDefaults);
    connect(findChild<QPushButton*>(QStringLiteral("ButSet")), &QPushButton::clicked, this,
            &LinkDatabaseErr::showSettings);
    connect(findChild<QPushButton*>(QStringLiteral("ButRec")), &QPushButton::clicked, this,
            &LinkDatabaseErr::retry);
    connect(findChild<QPushButton*>(QStringLiteral("ButExit")), &QPushButton::clicked, this,
            &LinkDatabaseErr::exitProgram);
    connect(findChild<QPushButton*>(QStringLiteral("Command1")), &QPushButton::clicked, this,
            &LinkDatabaseErr::showHelp);
}

void LinkDatabaseErr::loadFields() {
    ConnectionSettings s;
    if (!LoadSettings(&s))
        return;
    m_loaded = s;
    // Settings of no known engine are those of a SQL Server, as the file always held them.
    const int engine = m_engine->findData(int(s.engine));
    m_engine->setCurrentIndex(engine >= 0 ? engine : 0);
    if (s.engine == ConnectionString::Kind::SQLite) {
        m_file->setText(s.server);
        return;
    }
    m_server->setEditText(s.server);
    m_database->setText(s.database);
    m_user->setText(s.user);
    m_password->setText(s.password);
}

ConnectionString::Kind LinkDatabaseErr::chosenEngine() const {
    return ConnectionString::Kind(m_engine->currentData().toInt());
}

void LinkDatabaseErr::showEngineFields() {
    const bool file = chosenEngine() == ConnectionString::Kind::SQLite;
    for (QWidget* w : std::as_const(m_serverRows))
        w->setVisible(!file);
    m_fileLabel->setVisible(file);
    m_file->setVisible(file);
    // A data source of odbc.ini is named where the server is.
    m_serverLabel->setText(chosenEngine() == ConnectionString::Kind::Odbc ? QStringLiteral("数据源名：")
                                                                          : QStringLiteral("服务器名："));
}

void LinkDatabaseErr::listServers() {
    const QString typed = m_server->currentText();
    m_server->addItems(ServerList::servers(ServerList::freeTdsConfigPath(), QSysInfo::machineHostName()));
    m_server->setEditText(typed);
}

void LinkDatabaseErr::setErrorText(const QString& description) {
    m_errInfo->setPlainText(description);
}

ConnectionSettings LinkDatabaseErr::settings() const {
    // The embedded database needs its file only.
    if (chosenEngine() == ConnectionString::Kind::SQLite)
        return {m_file->text(), {}, {}, {}, ConnectionString::Kind::SQLite};
    return {m_server->currentText(), m_database->text(), m_user->text(), m_password->text(), chosenEngine()};
}

QString LinkDatabaseErr::GetConectionstr() const {
    return BuildConnectionString(settings());
}

void LinkDatabaseErr::restoreDefaults() {
    m_server->setEditText(QSysInfo::machineHostName());
    m_database->setText(QStringLiteral("orvadata"));
    m_user->setText(QStringLiteral("sa"));
}

void LinkDatabaseErr::showSettings() {
    setFixedSize(width(), px(ExpandedHeightTwips));
}

void LinkDatabaseErr::retry() {
    const ConnectionSettings typed = settings();
    // Unchanged fields retry the stored connection as it is: a connection the fields cannot
    // hold in full (a port, options) is never rewritten from them.
    // Fields too long for the file would be lost with the dialog and the retry would run on
    // the old settings; after the message the operator shortens them here.
    const bool storedAsShown = m_loaded.engine != ConnectionString::Kind::Empty &&
                               typed.engine == m_loaded.engine && typed.sameFields(m_loaded);
    if (!storedAsShown && !SaveSettings(typed) && !FitsSettingsFile(typed))
        return;
    m_state = QStringLiteral("Start");
    accept();
}

void LinkDatabaseErr::exitProgram() {
    ProcessExit::now(0);
    // Reached only when a test replaced the exit.
    done(QDialog::Rejected);
}

void LinkDatabaseErr::showHelp() {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
}

void LinkDatabaseErr::closeEvent(QCloseEvent* event) {
    if (m_state != QStringLiteral("Start")) {
        exitProgram();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void LinkDatabaseErr::reject() {
    // Esc and the close box: without a retry chosen, the program ends.
    if (m_state != QStringLiteral("Start")) {
        exitProgram();
        return;
    }
    QDialog::reject();
}
