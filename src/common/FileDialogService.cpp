#include "common/FileDialogService.h"

#include <QDir>
#include <QFileDialog>

namespace {

class CancelledFileDialog : public IFileDialogService {
public:
    QString choose(const FileDialogRequest&) override { return {}; }
};

CancelledFileDialog g_fallback;
IFileDialogService* g_service = nullptr;

} // namespace

QString WidgetFileDialogService::choose(const FileDialogRequest& request) {
    // No owner window, as the windows of this program have always opened it.
    QFileDialog dialog(nullptr, request.title);
    dialog.setAcceptMode(request.saveMode ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.saveMode ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString filter = FileDialogs::qtFilter(request.filter);
    if (!filter.isEmpty())
        dialog.setNameFilter(filter);
    if (!request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
    if (!request.initialDir.isEmpty())
        dialog.setDirectory(request.initialDir);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : QDir::toNativeSeparators(files.first());
}

namespace FileDialogs {

IFileDialogService& service() {
    return g_service ? *g_service : g_fallback;
}

void install(IFileDialogService* s) {
    g_service = s;
}

QString choose(const FileDialogRequest& request) {
    return service().choose(request);
}

QString qtFilter(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return pairs.trimmed();
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString description = parts.at(i).trimmed();
        // A description that already names its patterns is kept as it is.
        out << (description.contains(QLatin1Char('('))
                    ? description
                    : description + QStringLiteral(" (") + patterns.simplified() + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace FileDialogs
