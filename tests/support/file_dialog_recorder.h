// tests/support/file_dialog_recorder.h
//
// Answers every open and save dialog asked for while it lives with a path the test chose (empty:
// the user cancelled), and keeps the requests so tests can check the filter, the default
// extension and the options the user would have seen.
#pragma once

#include <QList>
#include <QString>

#include "platform/filedialog/filedialog.h"

namespace velotune::test {

class FileDialogRecorder {
public:
    explicit FileDialogRecorder(const QString& answer = {});
    ~FileDialogRecorder();
    FileDialogRecorder(const FileDialogRecorder&) = delete;
    FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

    void SetAnswer(const QString& answer) { answer_ = answer; }
    const QList<platform::FileDialogRequest>& Requests() const { return requests_; }

private:
    QString answer_;
    QList<platform::FileDialogRequest> requests_;
    platform::FileDialogHook previous_;
};

}  // namespace velotune::test
