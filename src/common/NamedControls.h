#pragma once

#include <QString>

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
} // namespace NamedControls
