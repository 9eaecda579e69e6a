#pragma once

#include <functional>

class QWidget;

// How the dictionary windows show one another modally. The window deletes itself on close;
// run returns once it is gone. Tests install a runner that only shows it, so no test blocks.
namespace DictionaryModal {
using Runner = std::function<void(QWidget* window)>;
void setRunner(Runner runner); // an empty runner restores the modal one
void run(QWidget* window);
} // namespace DictionaryModal
