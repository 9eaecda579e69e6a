#include "common/CleanControl.h"

#include "common/core/Clock.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTextEdit>
#include <QToolBar>

namespace {

// Widgets whose children are their own inner parts, not controls of the window.
bool isCompound(const QWidget* w) {
    if (qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
        qobject_cast<const QCalendarWidget*>(w))
        return true;
    if (qobject_cast<const QAbstractScrollArea*>(w))
        return !qobject_cast<const QScrollArea*>(w) && !qobject_cast<const QMdiArea*>(w);
    return false;
}

bool hasTagOne(const QWidget* w) {
    const QVariant tag = w->property("tag");
    return tag.isValid() && tag.toString().trimmed() == QLatin1String("1");
}

void setBold(QWidget* w, bool bold) {
    if (w->font().bold() == bold)
        return;
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

void colour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    // Check and option boxes fill with the button colour by default, which some themes make
    // grey: they take the window colour behind their caption as labels do.
    w->setBackgroundRole(QPalette::Window);
    w->setAutoFillBackground(true);
}

void flattenThinFrame(QWidget* frame) {
    if (CleanControl::pixelsToTwips(frame->height()) >= 200)
        return;
    const int h = CleanControl::twipsToPixels(45);
    // A frame placed by a layout keeps the height only as its limit.
    QWidget* parent = frame->parentWidget();
    if (parent && parent->layout() && parent->layout()->indexOf(frame) >= 0)
        frame->setFixedHeight(h);
    else
        frame->resize(frame->width(), h);
}

void reset(QWidget* w, const QString& kind) {
    if (kind == QLatin1String("ComboBox")) {
        auto* combo = qobject_cast<QComboBox*>(w);
        if (!combo)
            return;
        if (combo->isEditable())
            combo->setEditText(QString());
        else if (combo->count() > 0)
            combo->setCurrentIndex(0);
        setBold(combo, false);
    } else if (kind == QLatin1String("Frame")) {
        flattenThinFrame(w);
    } else if (kind == QLatin1String("TextBox")) {
        if (auto* line = qobject_cast<QLineEdit*>(w))
            line->clear();
        else if (auto* text = qobject_cast<QTextEdit*>(w))
            text->clear();
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
            plain->clear();
        setBold(w, false);
    } else if (kind == QLatin1String("DTPicker")) {
        if (auto* picker = qobject_cast<QDateTimeEdit*>(w))
            picker->setDate(Clock::today());
    }
}

} // namespace

QString CleanControl::controlKind(const QWidget* w) {
    if (!w)
        return {};
    const QVariant own = w->property("kind");
    if (own.isValid() && !own.toString().isEmpty())
        return own.toString();
    if (qobject_cast<const QLabel*>(w))
        return QStringLiteral("Label");
    if (qobject_cast<const QCheckBox*>(w))
        return QStringLiteral("CheckBox");
    if (qobject_cast<const QRadioButton*>(w))
        return QStringLiteral("OptionButton");
    if (qobject_cast<const QComboBox*>(w))
        return QStringLiteral("ComboBox");
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w))
        return QStringLiteral("TextBox");
    if (qobject_cast<const QDateTimeEdit*>(w))
        return QStringLiteral("DTPicker");
    if (qobject_cast<const QToolBar*>(w))
        return QStringLiteral("xToolbar");
    if (qobject_cast<const QGroupBox*>(w))
        return QStringLiteral("Frame");
    // Only a plain frame: grids, text editors and labels are frames too in Qt.
    if (w->metaObject() == &QFrame::staticMetaObject)
        return QStringLiteral("Frame");
    return {};
}

QList<QWidget*> CleanControl::formControls(QWidget* form) {
    QList<QWidget*> out;
    if (!form)
        return out;
    const QList<QWidget*> all = form->findChildren<QWidget*>();
    for (QWidget* w : all) {
        if (w->isWindow())
            continue;
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p && p != form; p = p->parentWidget()) {
            if (isCompound(p) || p->isWindow()) {
                inner = true;
                break;
            }
        }
        if (!inner)
            out.append(w);
    }
    return out;
}

void CleanControl::SetControlColor(QWidget* SetForm) {
    if (!SetForm)
        return;
    colour(SetForm, windowColor());
    static const QStringList coloured = {
        QStringLiteral("Xp_Frame"),   QStringLiteral("Label"),        QStringLiteral("CheckBox"),
        QStringLiteral("PictureBox"), QStringLiteral("OptionButton"), QStringLiteral("Frame"),
        QStringLiteral("xToolbar"),
    };
    for (QWidget* w : formControls(SetForm)) {
        if (coloured.contains(controlKind(w)) && !hasTagOne(w))
            colour(w, windowColor());
    }
}

bool CleanControl::Cls_ALL(QWidget* Form1) {
    if (!Form1)
        return false;
    for (QWidget* w : formControls(Form1))
        reset(w, controlKind(w));
    return true;
}
