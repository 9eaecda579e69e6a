#pragma once

#include "common/core/MessageService.h"

#include <QList>
#include <QString>

#include <functional>

// Records every message box and answers as scripted; installs itself while it lives.
class FakeMessageService : public IMessageService {
public:
    struct Shown {
        QString title;
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
        MsgAnswer defaultAnswer;
    };

    FakeMessageService();
    ~FakeMessageService() override;

    // The next box gets this answer; without one the box's default answer is taken.
    void setNextAnswer(MsgAnswer answer) { m_answers.append(answer); }

    MsgAnswer show(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons,
                   MsgAnswer defaultAnswer) override;

    // Runs while a box is shown, to see what the window shows at that moment.
    void setOnShow(std::function<void(const Shown&)> onShow) { m_onShow = std::move(onShow); }

    const QList<Shown>& shown() const { return m_shown; }
    int count() const { return int(m_shown.size()); }
    Shown last() const { return m_shown.isEmpty() ? Shown{} : m_shown.last(); }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QList<Shown> m_shown;
    QList<MsgAnswer> m_answers;
    std::function<void(const Shown&)> m_onShow;
    IMessageService* m_previous = nullptr;
};
