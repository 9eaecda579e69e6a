#include "common/FileDialogService.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>

#include <memory>

namespace {

// A save dialog whose picked file type puts its extension on the typed name before the
// dialog checks whether that file exists.
class TypedSaveDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QString typed = files.first();
            const QString path = FileDialogs::withTypeExtension(typed, selectedNameFilter());
            if (path != typed)
                selectFile(path);
        }
        QFileDialog::accept();
    }
};

class CancelledFileDialog : public IFileDialogService {
public:
    QString choose(const FileDialogRequest&) override { return {}; }
};

CancelledFileDialog g_fallback;
IFileDialogService* g_service = nullptr;

} // namespace

QString WidgetFileDialogService::choose(const FileDialogRequest& request) {
    // No owner window, as the windows of this program have always opened it.
    const std::unique_ptr<QFileDialog> owned = request.saveMode && request.typeDecidesExtension
                                                   ? std::make_unique<TypedSaveDialog>(nullptr, request.title)
                                                   : std::make_unique<QFileDialog>(nullptr, request.title);
    QFileDialog& dialog = *owned;
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
    if (files.isEmpty())
        return {};
    // A platform's own dialog passes by accept() above.
    const QString path = request.saveMode && request.typeDecidesExtension
                             ? FileDialogs::withTypeExtension(files.first(), dialog.selectedNameFilter())
                             : files.first();
    return QDir::toNativeSeparators(path);
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

QString withTypeExtension(const QString& path, const QString& typeFilter) {
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[^\\s;)*?]+)"));
    const QRegularExpressionMatch m = pattern.match(typeFilter);
    if (path.isEmpty() || !m.hasMatch() || path.endsWith(m.captured(1), Qt::CaseInsensitive))
        return path;
    return path + m.captured(1);
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
