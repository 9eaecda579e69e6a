#pragma once

#include "common/FileDialogService.h"

#include <QList>
#include <QStringList>

// Records every file dialog request and answers with the scripted paths in turn; without a
// scripted path the dialog counts as cancelled. Installs itself while it lives.
class FakeFileDialogService : public IFileDialogService {
public:
    FakeFileDialogService();
    ~FakeFileDialogService() override;

    void setNextAnswer(const QString& path) { m_answers.append(path); }
    QString choose(const FileDialogRequest& request) override;

    const QList<FileDialogRequest>& requests() const { return m_requests; }
    int count() const { return int(m_requests.size()); }

private:
    QList<FileDialogRequest> m_requests;
    QStringList m_answers;
};
