#pragma once

#include <QList>
#include <QString>

// One installed input method or keyboard layout of the platform.
struct InputMethod {
    qint32 handle = 0;   // stable across runs: derived from the name
    QString name;        // the platform's own name ("pinyin", "xkb:us::eng", "keyboard-us", "us")
    QString description; // empty for a plain keyboard layout
    bool isIme() const { return !description.isEmpty(); }
};

// The platform's input methods: listed, read and switched through this service, which tests
// replace. Activation only ever concerns this user's session, never system-wide settings.
class IInputMethodService {
public:
    virtual ~IInputMethodService() = default;
    // Installed methods in the platform's order, at most 16.
    virtual QList<InputMethod> installed() = 0;
    // The handle of the method active now, 0 when none is known.
    virtual qint32 active() = 0;
    // Switches to the method; false when the platform refused or does not know the handle.
    virtual bool activate(qint32 handle) = 0;
};

namespace InputMethods {
constexpr int MaxInstalled = 16;

IInputMethodService& service();
void install(IInputMethodService* service); // not owned; nullptr restores the platform's

// A stable 32-bit handle for a method name. Input methods get the high bit set (negative),
// plain layouts keep it clear, as the handles of the original platform did.
qint32 HandleFor(const QString& name, bool isIme);
} // namespace InputMethods
