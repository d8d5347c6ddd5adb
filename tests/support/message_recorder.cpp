#include "tests/support/message_recorder.h"

namespace velotune::test {

MessageRecorder::MessageRecorder(int answer) : answer_(answer) {
    previous_ = platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& request) {
        texts_.append(request.text);
        owners_.append(request.owner);
        return answer_;
    });
}

MessageRecorder::~MessageRecorder() { platform::SetMessageBoxHook(previous_); }

}  // namespace velotune::test
