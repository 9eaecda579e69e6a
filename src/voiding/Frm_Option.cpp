#include "voiding/Frm_Option.h"

#include "common/CleanControl.h"
#include "common/PlacedControls.h"
#include "common/core/MessageService.h"
#include "common/core/OrvaIni.h"
#include "common/core/ProcessLauncher.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>

using PlacedControls::addButton;
using PlacedControls::addLabel;

Frm_Option::Frm_Option(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_Option"));
    setWindowTitle(QStringLiteral("出生证明打印设置"));
    resize(520, 330);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("vbalDTabControlX1"));

    auto* frame1 = new QGroupBox(QStringLiteral("打印格式设置"));
    frame1->setObjectName(QStringLiteral("Frame1"));
    addLabel(QStringLiteral("Label2"), QStringLiteral("当前使用打印机"), frame1, {20, 34, 120, 24});
    m_printer = new QComboBox(frame1);
    m_printer->setObjectName(QStringLiteral("Com_Print"));
    m_printer->setEditable(true);
    m_printer->setInsertPolicy(QComboBox::NoInsert);
    m_printer->setGeometry(150, 32, 300, 26);
    addLabel(QStringLiteral("Label4"), QStringLiteral("打印字号(只能输入数字)"), frame1, {20, 74, 160, 24});
    m_fontSize = new QLineEdit(frame1);
    m_fontSize->setObjectName(QStringLiteral("Txt_ZH"));
    m_fontSize->setGeometry(190, 72, 80, 26);
    // Only digits and "." can be typed or pasted; the input method stays off.
    m_fontSize->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), m_fontSize));
    m_fontSize->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_fontSize->setInputMethodHints(Qt::ImhPreferNumbers);
    addLabel(QStringLiteral("Label3"), QStringLiteral("注意:请把打印出生证明的纸张设置成横向打印"), frame1,
             {20, 114, 440, 24});

    auto* frame4 = new QGroupBox(QStringLiteral("出生证明格式设置"));
    frame4->setObjectName(QStringLiteral("Frame4"));
    auto* open = addButton(QStringLiteral("Command3"), QStringLiteral("打开并设置发票格式"), frame4,
                           {20, 30, 170, 30});
    addLabel(QStringLiteral("Label6"),
             QStringLiteral("2、设置纸张大小为发票大小（自定义纸张，具体操作方法见打印机说明），"
                            "设置走纸为自定义纸张大小。"),
             frame4, {20, 70, 440, 44});
    addLabel(QStringLiteral("Label1"),
             QStringLiteral("说明:本格式是以毫米为单位,从页面的最左上方的新生儿姓名开始,从左向右为X,"
                            "从上向下为Y,以最左上方的第一个打印位置为相对位置。"),
             frame4, {20, 118, 440, 62});

    m_buttons = new QFrame(this);
    m_buttons->setObjectName(QStringLiteral("Frame2"));
    m_buttons->setProperty("kind", QStringLiteral("Frame"));
    auto* save =
        addButton(QStringLiteral("Command1"), QStringLiteral("全部保存(&S)"), m_buttons, {0, 12, 110, 30});
    auto* close =
        addButton(QStringLiteral("Command2"), QStringLiteral("关闭(&Q)"), m_buttons, {130, 12, 110, 30});
    connect(save, &QPushButton::clicked, this, &Frm_Option::saveAll);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(open, &QPushButton::clicked, this, &Frm_Option::openIniFile);

    m_tabs->addTab(frame1, QStringLiteral("打印选项"));
    m_tabs->setTabWhatsThis(0, QStringLiteral("TXTJ"));
    m_tabs->addTab(frame4, QStringLiteral("打印格式设置"));
    m_tabs->setTabWhatsThis(1, QStringLiteral("FPGS"));
    CleanControl::SetControlColor(this);
    fillPrinters();
    const OrvaIni::PrintOptions options = OrvaIni::readPrintOptions();
    // A printer that is no longer installed is still shown.
    m_printer->setEditText(options.printer);
    m_fontSize->setText(QString::number(options.fontSize));
}

void Frm_Option::fillPrinters() {
    m_printer->clear();
    m_printer->addItems(QPrinterInfo::availablePrinterNames());
}

void Frm_Option::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int bottom = CleanControl::twipsToPixels(1000);
    m_tabs->setGeometry(0, 0, width(), qMax(0, height() - bottom));
    m_buttons->setGeometry((width() - 240) / 2, height() - bottom, 240, bottom);
}

void Frm_Option::saveAll() {
    AppError error;
    if (!OrvaIni::writePrintOptions(m_printer->currentText(), m_fontSize->text(), &error)) {
        ShowErrorMessage(error);
        return;
    }
    Messages::show(QStringLiteral("信息"), QStringLiteral("设置成功"), MsgIcon::Information);
    accept();
}

void Frm_Option::openIniFile() {
    ProcessLauncher::openWithAssociatedProgram(OrvaIni::path());
}
