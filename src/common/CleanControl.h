#pragma once

#include <QColor>
#include <QString>

class QWidget;

// The common look of every window and the reset of its inputs. A control's kind follows from
// its Qt class; a dynamic property "kind" overrides it (e.g. "PictureBox", "Xp_Frame").
// A control whose dynamic property "tag" is 1 keeps its own colour.
class CleanControl {
public:
    static QColor windowColor() { return QColor(192, 221, 250); }

    // Colours the window and its labels, check boxes, option buttons, frames and toolbars.
    static void SetControlColor(QWidget* SetForm);
    // Empties text boxes, resets combo boxes, flattens thin frames and sets date pickers to
    // today. True when every control was visited.
    static bool Cls_ALL(QWidget* Form1);

    // "Label", "CheckBox", "Frame", "ComboBox", "TextBox", "DTPicker", "xToolbar",
    // "OptionButton", ...; empty for kinds this class does not know.
    static QString controlKind(const QWidget* control);
    // The window's own controls in creation order, without the inner parts of compound
    // controls (the line edit of a combo box or date picker, a grid's viewport).
    static QList<QWidget*> formControls(QWidget* form);

    static int twipsToPixels(int twips) { return (twips + 7) / 15; }
    static int pixelsToTwips(int pixels) { return pixels * 15; }
};
