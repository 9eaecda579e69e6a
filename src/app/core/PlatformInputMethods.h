#pragma once

#include "app/core/InputMethods.h"

#include <QPair>
#include <QStringList>

// The input methods of a Linux desktop: IBus engines when an IBus daemon answers, else Fcitx 5
// input methods when Fcitx 5 runs, else the keyboard layouts of the system (listed only: the
// program does not change the system's layout). The answer of the first call is kept.
class PlatformInputMethods : public IInputMethodService {
public:
    enum class Backend { Unknown, IBus, Fcitx5, Layouts };

    QList<InputMethod> installed() override;
    qint32 active() override;
    bool activate(qint32 handle) override;

    Backend backend();

    // Readers of the command outputs, public so they can be checked without the programs.
    // "ibus list-engine": "language: X" lines and "  name - description" lines.
    static QList<InputMethod> parseIbusEngines(const QString& output);
    // The preload-engines line of "ibus read-config": "  preload-engines: ['a', 'b']".
    static QStringList parseIbusPreload(const QString& output);
    // XKBLAYOUT="us,cn" of /etc/default/keyboard, or "layout: us,cn" of setxkbmap -query.
    static QStringList parseLayouts(const QString& text);
    // Fcitx 5 answers through gdbus: the first two texts of every tuple, ('pinyin', '拼音', ...).
    static QList<QPair<QString, QString>> parseFcitxPairs(const QString& output);

private:
    void detect();
    QList<InputMethod> ibusInstalled(const QString& engineList);
    QList<InputMethod> fcitxInstalled();
    QList<InputMethod> layoutsInstalled();
    QString activeName();

    Backend m_backend = Backend::Unknown;
    QList<InputMethod> m_installed;
};
