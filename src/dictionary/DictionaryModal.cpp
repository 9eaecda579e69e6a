#include "dictionary/DictionaryModal.h"

#include <QDialog>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace {
DictionaryModal::Runner& installedRunner() {
    static DictionaryModal::Runner runner;
    return runner;
}
} // namespace

namespace DictionaryModal {

void setRunner(Runner runner) {
    installedRunner() = std::move(runner);
}

void run(QWidget* window) {
    if (!window)
        return;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (installedRunner()) {
        installedRunner()(window);
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->exec();
        return;
    }
    QPointer<QWidget> guard(window);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->setWindowFlag(Qt::Dialog);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    if (guard)
        loop.exec();
}

} // namespace DictionaryModal
