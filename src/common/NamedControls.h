#pragma once

#include <QString>

#include <span>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Controls created with their control name as object name, as the list windows build them.
namespace NamedControls {
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text);
// A text box, read-only unless asked otherwise (most boxes only show a document).
QLineEdit* makeBox(QWidget* parent, const QString& name, bool readOnly = true);
// A button reached by Tab but not by a click's focus, so the grid keeps its selection.
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text);
// A date box with a drop-down calendar, shown as yyyy-MM-dd.
QDateEdit* makeDate(QWidget* parent, const QString& name);

// A read-only box after its label, as a document's header shows them.
struct LabelledBox {
    QLineEdit** box;
    const char* name;
    const char* label;
    const char* labelName;
    int width;
};
// Lays the boxes out four to a row from the frame's top left; returns the y of the last row.
int placeLabelledBoxes(QWidget* frame, std::span<const LabelledBox> boxes, int labelWidth);

// The window sees every key of its controls before they do (F2, F5 and the like work anywhere).
void watchKeysOfChildren(QWidget* window);
} // namespace NamedControls
