#pragma once

#include <QString>

// What a window asks of the common open/save dialog.
struct FileDialogRequest {
    bool saveMode = false;
    QString title;
    QString filter;   // "description|pattern|description|pattern" pairs, or a lone pattern
    QString fileName; // proposed name
    QString defaultExt;
    QString initialDir;
    bool confirmOverwrite = true; // save mode: ask before replacing a file
    // Save mode: the chosen path always ends in the extension of the file type picked (added
    // to a name that has another or none), so that the type decides the file's format.
    bool typeDecidesExtension = false;
};

// Every file dialog goes through this service; tests install a scripted fake.
class IFileDialogService {
public:
    virtual ~IFileDialogService() = default;
    // The chosen path, or empty when cancelled.
    virtual QString choose(const FileDialogRequest& request) = 0;
};

// The dialog of the platform (QFileDialog).
class WidgetFileDialogService : public IFileDialogService {
public:
    QString choose(const FileDialogRequest& request) override;
};

namespace FileDialogs {
// The installed service; without one, dialogs answer "cancelled".
IFileDialogService& service();
void install(IFileDialogService* service); // not owned; nullptr restores the fallback
QString choose(const FileDialogRequest& request);

// "Excel files|*.xls|All|*.*" -> "Excel files (*.xls);;All (*.*)"; a lone "*.xls" stays.
QString qtFilter(const QString& pairs);
// `path` ending in the extension of the first "*.ext" of `typeFilter` ("Excel 工作簿(*.xlsx)"):
// unchanged when it ends so already (in any case), else with the extension added.
QString withTypeExtension(const QString& path, const QString& typeFilter);
} // namespace FileDialogs
