#include "execution/SelectKS.h"

#include "common/core/MessageService.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "execution/core/PendingDocuments.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

std::function<void()>& exitHandler() {
    static std::function<void()> handler;
    return handler;
}

void defaultExit() {
    if (gConn)
        gConn->close();
    std::exit(0);
}

} // namespace

SelectKS::SelectKS(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SelectKS"));
    setWindowTitle(QStringLiteral("请选择您要进入的科室"));
    setModal(true);

    m_label = new QLabel(QStringLiteral("请选择您要进入的医技科室"), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_ks = new QComboBox(this);
    m_ks->setObjectName(QStringLiteral("KS"));
    m_ks->setEditable(false);
    m_ks->setMinimumWidth(220);
    m_ok = new QPushButton(QStringLiteral("确定(&Y)"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    m_cancel->setObjectName(QStringLiteral("Command2"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_ks);
    layout->addLayout(buttons);
    // The chooser keeps exactly the size its controls need, so no window manager or restored
    // geometry can cut the buttons off or leave an empty strip below them.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ok, &QPushButton::clicked, this, &SelectKS::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &SelectKS::cancel);

    loadDepartments();
}

void SelectKS::setExitHandler(std::function<void()> handler) {
    exitHandler() = std::move(handler);
}

void SelectKS::loadDepartments() {
    // The chooser stays open after a failure, with whatever it holds.
    QStringList names;
    AppError error;
    if (!LoadDepartmentNames(&names, &error)) {
        ShowErrorMessage(error);
        return;
    }
    if (!names.isEmpty()) {
        m_ks->clear();
        m_ks->addItems(names);
    }
}

void SelectKS::confirm() {
    if (m_ks->currentText().isEmpty()) {
        Messages::warning(QStringLiteral("科室不能为空。"));
        return;
    }
    gExecDept = m_ks->currentText();
    accept();
}

void SelectKS::cancel() {
    if (exitHandler())
        exitHandler()();
    else
        defaultExit();
    // An exit that returns (a test, or an exit that leaves through the event loop) must
    // still not let the caller go on with an empty department.
    QDialog::reject();
}

void SelectKS::reject() {
    // While a user is switched the program already has a department: Esc and the close box
    // step back to it. At start-up there is none, and they end the program as "取消(&C)" does.
    if (gReLogin) {
        QDialog::reject();
        return;
    }
    cancel();
}
