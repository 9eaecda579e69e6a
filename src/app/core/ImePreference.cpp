#include "app/core/ImePreference.h"

#include "common/core/Session.h"
#include "db/StatementHelpers.h"

namespace ImeSql {

QString save(qint32 ime, const QString& searchType, const QString& user) {
    return QStringLiteral("Update UserDB set IME=") + SqlText(ImeText(ime)) + QStringLiteral(",SearchType=") +
           SqlText(searchType) + QStringLiteral(" Where UserName=") + SqlText(user);
}

QString characterCode(QChar hz) {
    return QStringLiteral("SELECT PY FROM GY_HZBM WHERE HZ=") + SqlText(QString(hz));
}

} // namespace ImeSql

QString ImeText(qint32 ime) {
    return ime >= 0 ? QLatin1Char(' ') + QString::number(ime) : QString::number(ime);
}

bool SaveImePreference(qint32 ime, const QString& searchType, const QString& user, AppError* error) {
    return ExecSqlQuiet(ImeSql::save(ime, searchType, user), error);
}

QString ImeListText(const InputMethod& method) {
    const QString description = method.description.trimmed();
    return description.isEmpty() ? QStringLiteral("英语（美国）") : description;
}

QString getlayout() {
    IInputMethodService& service = InputMethods::service();
    const qint32 active = service.active();
    for (const InputMethod& m : service.installed()) {
        if (m.handle == active && m.isIme())
            return m.description;
    }
    return QStringLiteral("英文输入法");
}

void SwitchToPreferredInputMethod() {
    if (gIme != 0)
        InputMethods::service().activate(gIme);
}

QString GetPY(const QString& text) {
    QString source = text;
    source.remove(QLatin1Char(' '));
    source = source.trimmed();
    QString letters;
    for (const QChar c : source) {
        if (c.unicode() >= 1 && c.unicode() <= 127) {
            letters += c;
            continue;
        }
        RecordsetPtr rs;
        AppError error;
        if (!OpenRsQuiet(rs, ImeSql::characterCode(c), &error) || !rs)
            break;
        if (rs->RecordCount() > 0) {
            rs->MoveFirst();
            letters += rs->text(QStringLiteral("PY"));
        }
        CloseRs(rs);
    }
    return letters;
}
