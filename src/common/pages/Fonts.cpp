#include "common/pages/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

namespace {
// Installed families that can stand in for the Windows Chinese fonts, best first.
const QStringList kCandidates = {
    QStringLiteral("WenQuanYi Zen Hei"),   QStringLiteral("WenQuanYi Zen Hei Sharp"),
    QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Noto Serif CJK SC"),
    QStringLiteral("AR PL UMing CN"),      QStringLiteral("AR PL UKai CN"),
    QStringLiteral("Droid Sans Fallback"), QStringLiteral("WenQuanYi Micro Hei"),
};
const QStringList kWindowsNames = {
    QStringLiteral("宋体"),        QStringLiteral("SimSun"),
    QStringLiteral("新宋体"),      QStringLiteral("NSimSun"),
    QStringLiteral("黑体"),        QStringLiteral("SimHei"),
    QStringLiteral("微软雅黑"),    QStringLiteral("Microsoft YaHei"),
    QStringLiteral("楷体_GB2312"), QStringLiteral("仿宋_GB2312"),
};
} // namespace

QString chineseFontFamily() {
    const QStringList installed = QFontDatabase::families();
    for (const QString& c : kCandidates)
        if (installed.contains(c, Qt::CaseInsensitive))
            return c;
    // Any family that writes simplified Chinese.
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return chinese.isEmpty() ? QString() : chinese.first();
}

QString setupChineseFonts() {
    const QString family = chineseFontFamily();
    if (family.isEmpty())
        return {};
    for (const QString& name : kWindowsNames)
        QFont::insertSubstitution(name, family);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QFont f = QGuiApplication::font();
        f.setFamilies({family});
        f.setPointSize(9);
        QGuiApplication::setFont(f);
    }
    return family;
}
