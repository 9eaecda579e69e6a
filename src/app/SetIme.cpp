#include "app/SetIme.h"

#include "app/core/ImePreference.h"
#include "common/CleanControl.h"
#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "common/pages/Fonts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}
} // namespace

SetIme::SetIme(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SetIme"));
    setWindowTitle(QStringLiteral("输入法设置"));
    setModal(true);
    QFont f = font();
    const QString family = chineseFontFamily();
    if (!family.isEmpty())
        f.setFamily(family);
    setFont(f);
    buildControls();
    loadWindow();
}

void SetIme::buildControls() {
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_searchTypeBox = new QComboBox(frame);
    m_searchTypeBox->setObjectName(QStringLiteral("srflb"));
    m_currentIme = new QLineEdit(frame);
    m_currentIme->setObjectName(QStringLiteral("dqsyslf"));
    m_currentIme->setReadOnly(true);
    m_imeList = new QComboBox(frame);
    m_imeList->setObjectName(QStringLiteral("Combo1"));
    auto* grid = new QGridLayout(frame);
    grid->addWidget(makeLabel(frame, QStringLiteral("Label1"), QStringLiteral("输入法列表")), 0, 0);
    grid->addWidget(m_searchTypeBox, 0, 1);
    grid->addWidget(makeLabel(frame, QStringLiteral("Label2"), QStringLiteral("当前使用输入法")), 1, 0);
    grid->addWidget(m_currentIme, 1, 1);
    grid->addWidget(makeLabel(frame, QStringLiteral("Label3"), QStringLiteral("查询方式选择")), 2, 0);
    grid->addWidget(m_imeList, 2, 1);
    grid->setColumnStretch(1, 1);

    m_setButton = new QPushButton(QStringLiteral("设置选定的输入法(&S)"), this);
    m_setButton->setObjectName(QStringLiteral("Com_set"));
    m_setButton->setIcon({}); // the button shows its caption only
    m_exitButton = new QPushButton(QStringLiteral("退出(&X)"), this);
    m_exitButton->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_setButton);
    buttons->addWidget(m_exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    resize(420, 200);

    connect(m_setButton, &QPushButton::clicked, this, &SetIme::save);
    connect(m_exitButton, &QPushButton::clicked, this, &QDialog::reject);
}

void SetIme::loadWindow() {
    CleanControl::SetControlColor(this);
    for (const InputMethod& m : InputMethods::service().installed()) {
        if (m_handles.size() >= InputMethods::MaxInstalled)
            break;
        m_handles.append(m.handle);
        m_searchTypeBox->addItem(ImeListText(m));
    }
    m_currentIme->setText(getlayout());
    m_imeList->addItems({QStringLiteral("拼音码"), QStringLiteral("五笔码"), QStringLiteral("编码")});
    m_imeList->setCurrentIndex(0);
    const int stored = m_imeList->findText(gSearchType);
    if (stored >= 0)
        m_imeList->setCurrentIndex(stored);
}

void SetIme::save() {
    if (m_searchTypeBox->currentText().trimmed().isEmpty()) {
        Messages::notice(QStringLiteral("请先选择你要设置的输入法！"));
        return;
    }
    const int index = m_searchTypeBox->currentIndex();
    if (index < 0 || index >= m_handles.size())
        return;
    gIme = m_handles.at(index);
    InputMethods::service().activate(gIme); // a method the platform refuses stays chosen
    gSearchType = m_imeList->currentText();
    AppError error;
    if (!SaveImePreference(gIme, gSearchType, currentUser().GetUserName, &error)) {
        ShowErrorMessage(error);
        return;
    }
    Messages::notice(QStringLiteral("输入法设置成功"));
    accept();
}
