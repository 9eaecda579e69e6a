#include "app/core/PlatformInputMethods.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

constexpr int kCommandTimeoutMs = 3000;

// Runs a command and gives its standard output; false when it is missing, fails or hangs.
bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(kCommandTimeoutMs))
        return false;
    if (!process.waitForFinished(kCommandTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool isIbusLayout(const QString& name) {
    return name.startsWith(QLatin1String("xkb:"));
}

QList<InputMethod> limited(QList<InputMethod> methods) {
    if (methods.size() > InputMethods::MaxInstalled)
        methods.resize(InputMethods::MaxInstalled);
    return methods;
}

QString fcitxCall(const QString& method, const QStringList& arguments = {}) {
    QString output;
    QStringList args{
        QStringLiteral("call"),          QStringLiteral("--session"),
        QStringLiteral("--dest"),        QStringLiteral("org.fcitx.Fcitx5"),
        QStringLiteral("--object-path"), QStringLiteral("/controller"),
        QStringLiteral("--method"),      QStringLiteral("org.fcitx.Fcitx.Controller1.") + method};
    args += arguments;
    if (!run(QStringLiteral("gdbus"), args, &output))
        return {};
    return output;
}

} // namespace

QList<InputMethod> PlatformInputMethods::parseIbusEngines(const QString& output) {
    QList<InputMethod> engines;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char(' ')))
            continue; // "language: ..." headings
        const QString entry = line.trimmed();
        const int dash = entry.indexOf(QLatin1String(" - "));
        InputMethod m;
        m.name = dash < 0 ? entry : entry.left(dash);
        if (m.name.isEmpty())
            continue;
        if (!isIbusLayout(m.name))
            m.description = dash < 0 ? m.name : entry.mid(dash + 3).trimmed();
        m.handle = InputMethods::HandleFor(m.name, m.isIme());
        engines.append(m);
    }
    return engines;
}

QList<QPair<QString, QString>> PlatformInputMethods::parseFcitxPairs(const QString& output) {
    static const QRegularExpression pair(QStringLiteral(R"(\('([^']*)',\s*'([^']*)')"));
    QList<QPair<QString, QString>> pairs;
    for (auto it = pair.globalMatch(output); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        pairs.append({m.captured(1), m.captured(2)});
    }
    return pairs;
}

QStringList PlatformInputMethods::parseIbusPreload(const QString& output) {
    static const QRegularExpression line(QStringLiteral(R"(preload-engines:\s*(.*))"));
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
    QStringList names;
    const QRegularExpressionMatch m = line.match(output);
    if (!m.hasMatch())
        return names;
    for (auto it = quoted.globalMatch(m.captured(1)); it.hasNext();)
        names.append(it.next().captured(1));
    return names;
}

QStringList PlatformInputMethods::parseLayouts(const QString& text) {
    static const QRegularExpression line(QStringLiteral(R"((?:XKBLAYOUT\s*=|layout:)\s*"?([^"\n]*))"));
    const QRegularExpressionMatch m = line.match(text);
    QStringList layouts;
    if (m.hasMatch()) {
        for (const QString& l : m.captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts))
            layouts.append(l.trimmed());
    }
    return layouts;
}

PlatformInputMethods::Backend PlatformInputMethods::backend() {
    if (m_backend == Backend::Unknown)
        detect();
    return m_backend;
}

void PlatformInputMethods::detect() {
    QString engines;
    if (run(QStringLiteral("ibus"), {QStringLiteral("list-engine")}, &engines) &&
        !engines.trimmed().isEmpty()) {
        m_backend = Backend::IBus;
        m_installed = ibusInstalled(engines);
        return;
    }
    if (run(QStringLiteral("fcitx5-remote"), {})) {
        m_backend = Backend::Fcitx5;
        m_installed = fcitxInstalled();
        return;
    }
    m_backend = Backend::Layouts;
    m_installed = layoutsInstalled();
}

QList<InputMethod> PlatformInputMethods::ibusInstalled(const QString& engineList) {
    const QList<InputMethod> all = parseIbusEngines(engineList);
    QString config;
    run(QStringLiteral("ibus"), {QStringLiteral("read-config")}, &config);
    const QStringList preload = parseIbusPreload(config);
    QList<InputMethod> chosen;
    if (!preload.isEmpty()) {
        for (const QString& name : preload) {
            for (const InputMethod& m : all) {
                if (m.name == name) {
                    chosen.append(m);
                    break;
                }
            }
        }
    } else {
        // Nothing chosen by the user: the English layout and every real input method.
        for (const InputMethod& m : all) {
            if (m.name == QLatin1String("xkb:us::eng"))
                chosen.prepend(m);
            else if (m.isIme())
                chosen.append(m);
        }
    }
    return limited(chosen);
}

QList<InputMethod> PlatformInputMethods::fcitxInstalled() {
    // "('Default',)": the group the user works with.
    static const QRegularExpression single(QStringLiteral(R"(\('([^']*)',\))"));
    const QRegularExpressionMatch g = single.match(fcitxCall(QStringLiteral("CurrentInputMethodGroup")));
    const QString group = g.hasMatch() ? g.captured(1) : QStringLiteral("Default");
    QHash<QString, QString> descriptions;
    for (const auto& [name, text] : parseFcitxPairs(fcitxCall(QStringLiteral("AvailableInputMethods"))))
        descriptions.insert(name, text);
    QList<InputMethod> methods;
    for (const auto& pair : parseFcitxPairs(fcitxCall(QStringLiteral("InputMethodGroupInfo"), {group}))) {
        InputMethod m;
        m.name = pair.first;
        if (!m.name.startsWith(QLatin1String("keyboard-")))
            m.description = descriptions.value(m.name, m.name);
        m.handle = InputMethods::HandleFor(m.name, m.isIme());
        methods.append(m);
    }
    return limited(methods);
}

QList<InputMethod> PlatformInputMethods::layoutsInstalled() {
    QString query;
    QStringList layouts;
    if (run(QStringLiteral("setxkbmap"), {QStringLiteral("-query")}, &query))
        layouts = parseLayouts(query);
    if (layouts.isEmpty()) {
        QFile keyboard(QStringLiteral("/etc/default/keyboard"));
        if (keyboard.open(QIODevice::ReadOnly))
            layouts = parseLayouts(QString::fromUtf8(keyboard.readAll()));
    }
    if (layouts.isEmpty())
        layouts.append(QStringLiteral("us"));
    QList<InputMethod> methods;
    for (const QString& name : layouts)
        methods.append({InputMethods::HandleFor(name, false), name, {}});
    return limited(methods);
}

QList<InputMethod> PlatformInputMethods::installed() {
    backend();
    return m_installed;
}

QString PlatformInputMethods::activeName() {
    QString output;
    switch (backend()) {
    case Backend::IBus:
        if (run(QStringLiteral("ibus"), {QStringLiteral("engine")}, &output))
            return output.trimmed();
        return {};
    case Backend::Fcitx5:
        if (run(QStringLiteral("fcitx5-remote"), {QStringLiteral("-n")}, &output))
            return output.trimmed();
        return {};
    default:
        return m_installed.isEmpty() ? QString() : m_installed.first().name;
    }
}

qint32 PlatformInputMethods::active() {
    const QString name = activeName();
    if (name.isEmpty())
        return 0;
    for (const InputMethod& m : m_installed) {
        if (m.name == name)
            return m.handle;
    }
    // Active but not among the listed ones: still a stable handle.
    const bool ime =
        backend() == Backend::IBus ? !isIbusLayout(name) : !name.startsWith(QLatin1String("keyboard-"));
    return InputMethods::HandleFor(name, ime);
}

bool PlatformInputMethods::activate(qint32 handle) {
    QString name;
    for (const InputMethod& m : installed()) {
        if (m.handle == handle)
            name = m.name;
    }
    if (name.isEmpty())
        return false;
    switch (backend()) {
    case Backend::IBus:
        // The switch may report a failure of its layout helper after it switched: ask again.
        run(QStringLiteral("ibus"), {QStringLiteral("engine"), name});
        return activeName() == name;
    case Backend::Fcitx5:
        return run(QStringLiteral("fcitx5-remote"), {QStringLiteral("-s"), name});
    default:
        return false; // the system's keyboard layout is not the program's to change
    }
}
