#include "support/FakeMessageService.h"

FakeMessageService::FakeMessageService() {
    m_previous = &Messages::service();
    Messages::install(this);
}

FakeMessageService::~FakeMessageService() {
    Messages::install(nullptr);
}

MsgAnswer FakeMessageService::show(const QString& title, const QString& text, MsgIcon icon,
                                   MsgButtons buttons, MsgAnswer defaultAnswer) {
    m_shown.append({title, text, icon, buttons, defaultAnswer});
    if (m_onShow)
        m_onShow(m_shown.last());
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return defaultAnswer;
}

QStringList FakeMessageService::texts() const {
    QStringList out;
    for (const auto& s : m_shown)
        out << s.text;
    return out;
}
