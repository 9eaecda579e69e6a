#include "dictionary/Frm_ZD.h"

#include "app/core/ImePreference.h"
#include "common/CleanControl.h"
#include "common/EnterAsTab.h"
#include "common/WaitingCommands.h"
#include "common/core/MessageService.h"
#include "dictionary/core/DictionaryData.h"
#include "dictionary/core/DictionaryRules.h"
#include "dictionary/sjzd.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
void refuse(const QString& text) {
    Messages::show(QStringLiteral("错误"), text, MsgIcon::Exclamation);
}

QLineEdit* makeBox(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}
} // namespace

Frm_ZD::Frm_ZD(sjzd* list, QWidget* parent) : QDialog(parent), m_list(list) {
    setObjectName(QStringLiteral("Frm_ZD"));
    setWindowTitle(QStringLiteral("字典"));
    setModal(true);
    m_zdmc = makeBox(this, QStringLiteral("ZDMC"));
    m_zddm = makeBox(this, QStringLiteral("ZDDM"));
    m_bz = makeBox(this, QStringLiteral("BZ"));
    m_systemBox = new QCheckBox(QStringLiteral("系统"), this);
    m_systemBox->setObjectName(QStringLiteral("Check1"));
    m_okButton = new QPushButton(QStringLiteral("确定(&Y)"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    m_okButton->setAutoDefault(false);
    m_closeButton = new QPushButton(QStringLiteral("关闭(&Q)"), this);
    m_closeButton->setObjectName(QStringLiteral("Command2"));
    m_closeButton->setAutoDefault(false);

    auto* grid = new QGridLayout;
    const QStringList labels{QStringLiteral("字典名称"), QStringLiteral("字典代码"), QStringLiteral("备注")};
    const QList<QLineEdit*> boxes{m_zdmc, m_zddm, m_bz};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(labels.at(i), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        grid->addWidget(label, i, 0);
        grid->addWidget(boxes.at(i), i, 1);
    }
    grid->addWidget(m_systemBox, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(360, 180);

    m_zdmc->installEventFilter(this);
    m_zddm->installEventFilter(this);
    new EnterAsTabFilter(this);
    connect(m_okButton, &QPushButton::clicked, this, &Frm_ZD::confirm);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    new WaitingCommands(this, {QStringLiteral("Command1")});
    CleanControl::SetControlColor(this);
}

void Frm_ZD::fill(const QString& name, const QString& code, const QString& remark, bool system) {
    m_zddm->setEnabled(false);
    m_zdmc->setText(name);
    m_zddm->setText(code);
    m_bz->setText(remark);
    m_systemBox->setChecked(system);
}

bool Frm_ZD::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_zdmc) {
            SwitchToPreferredInputMethod();
        } else if (watched == m_zddm) {
            m_zdmc->setText(m_zdmc->text().trimmed());
            if (!m_zdmc->text().isEmpty())
                m_zddm->setText(GetPY(m_zdmc->text()));
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Frm_ZD::refreshList() {
    if (m_list)
        m_list->RefreshData();
}

void Frm_ZD::confirm() {
    if (m_zdmc->text().trimmed().isEmpty()) {
        refuse(QStringLiteral("字典名称不能为空"));
        return;
    }
    if (m_zddm->text().trimmed().isEmpty()) {
        refuse(QStringLiteral("字典代码不能为空"));
        return;
    }
    m_zdmc->setText(m_zdmc->text().trimmed());
    m_zddm->setText(m_zddm->text().trimmed());
    const QString name = m_zdmc->text();
    const QString code = m_zddm->text();
    const QString type = m_systemBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (m_mode == QStringLiteral("新建")) {
        if (!createDictionary(name, code, type))
            return;
        refreshList();
        if (Messages::confirmYesNo(QStringLiteral("询问"), QStringLiteral("新建成功,是否继续新建新的字典？"),
                                   true)) {
            m_zdmc->clear();
            m_zddm->clear();
            m_zdmc->setFocus();
            return;
        }
        accept();
    } else if (m_mode == QStringLiteral("修改")) {
        AppError error;
        if (!ChangeDictionary(code, name, type, m_bz->text(), &error)) {
            ShowErrorMessage(error);
            return;
        }
        refreshList();
        Messages::success(QStringLiteral("修改成功"));
        accept();
    } else {
        reject();
    }
}

bool Frm_ZD::createDictionary(const QString& name, const QString& code, const QString& type) {
    const QString refusal = DictionaryRules::CodeRefusal(code);
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return false;
    }
    AppError error;
    bool exists = false;
    if (!DictionaryCodeExists(code, &exists, &error)) {
        ShowErrorMessage(error);
        return false;
    }
    if (exists) {
        refuse(QStringLiteral("该代码已存在，请输入其它代码。"));
        return false;
    }
    const QString moduleKey =
        m_list ? m_list->moduleKey() : DictionaryRules::ModuleKey(Messages::applicationTitle());
    if (CreateDictionary(code, name, type, moduleKey, m_bz->text(), &error))
        return true;
    ShowErrorMessage(error);
    return false;
}
