#include "db/documents/DocumentKind.h"

bool IsInpatient(const QString& lx) {
    return lx == QStringLiteral("住院");
}

bool IsTrueOrOne(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString t = value.toString().trimmed();
        if (t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        bool ok = false;
        const double d = t.toDouble(&ok);
        return ok && (d == 1.0 || d == -1.0);
    }
    default: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        return ok && (d == 1.0 || d == -1.0);
    }
    }
}
