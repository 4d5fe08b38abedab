#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace nimbo::test {

// Answers every message box, from any thread, instead of showing it: with
// the next scripted answer for a question, OK for a notice. A question
// without a scripted answer is declined. Installed while it lives.
class MessageBoxRecorder {
public:
    struct Shown {
        std::u16string text;
        platform::MessageBoxButtons buttons;
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // The answer to the next question.
    void Answer(platform::MessageBoxResult result);

    std::vector<Shown> ShownBoxes() const;
    std::vector<std::u16string> Texts() const;
    std::size_t Count() const;

private:
    platform::MessageBoxResult Show(const std::u16string& text, platform::MessageBoxButtons buttons);

    mutable std::mutex m_lock;
    std::vector<Shown> m_shown;
    std::deque<platform::MessageBoxResult> m_answers;
};

}  // namespace nimbo::test
