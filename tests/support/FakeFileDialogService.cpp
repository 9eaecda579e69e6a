#include "support/FakeFileDialogService.h"

FakeFileDialogService::FakeFileDialogService() {
    FileDialogs::install(this);
}

FakeFileDialogService::~FakeFileDialogService() {
    FileDialogs::install(nullptr);
}

QString FakeFileDialogService::choose(const FileDialogRequest& request) {
    m_requests.append(request);
    return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
}
