// tests/support/message_recorder.h
//
// Captures every message box shown while it lives and answers it, so tests can check the exact
// text a person would have read without a modal dialog blocking the test.
#pragma once

#include <QStringList>

#include "platform/msgbox/msgbox.h"

namespace velotune::test {

class MessageRecorder {
public:
    explicit MessageRecorder(int answer = platform::kIdOk);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void SetAnswer(int answer) { answer_ = answer; }
    const QStringList& Texts() const { return texts_; }
    // The window each box belonged to, in the same order (null: none).
    const QList<QWidget*>& Owners() const { return owners_; }
    QString Last() const { return texts_.isEmpty() ? QString() : texts_.last(); }
    void Clear() {
        texts_.clear();
        owners_.clear();
    }

private:
    int answer_;
    QStringList texts_;
    QList<QWidget*> owners_;
    platform::MessageBoxHook previous_;
};

}  // namespace velotune::test
