#include "tests/support/file_dialog_recorder.h"

namespace velotune::test {

FileDialogRecorder::FileDialogRecorder(const QString& answer) : answer_(answer) {
    previous_ = platform::SetFileDialogHook([this](const platform::FileDialogRequest& request) {
        requests_.append(request);
        return answer_;
    });
}

FileDialogRecorder::~FileDialogRecorder() {
    platform::SetFileDialogHook(previous_);
}

}  // namespace velotune::test
