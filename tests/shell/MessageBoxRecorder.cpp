#include "tests/shell/MessageBoxRecorder.h"

namespace nimbo::test {

MessageBoxRecorder::MessageBoxRecorder() {
    platform::SetMessageBoxHandler(
        [this](const std::u16string& text, const std::u16string& /*caption*/, platform::MessageBoxButtons buttons) {
            return Show(text, buttons);
        });
}

MessageBoxRecorder::~MessageBoxRecorder() { platform::SetMessageBoxHandler({}); }

void MessageBoxRecorder::Answer(platform::MessageBoxResult result) {
    std::lock_guard lock(m_lock);
    m_answers.push_back(result);
}

std::vector<MessageBoxRecorder::Shown> MessageBoxRecorder::ShownBoxes() const {
    std::lock_guard lock(m_lock);
    return m_shown;
}

std::vector<std::u16string> MessageBoxRecorder::Texts() const {
    std::lock_guard lock(m_lock);
    std::vector<std::u16string> texts;
    for (const Shown& shown : m_shown)
        texts.push_back(shown.text);
    return texts;
}

std::size_t MessageBoxRecorder::Count() const {
    std::lock_guard lock(m_lock);
    return m_shown.size();
}

platform::MessageBoxResult MessageBoxRecorder::Show(const std::u16string& text, platform::MessageBoxButtons buttons) {
    std::lock_guard lock(m_lock);
    m_shown.push_back({text, buttons});
    if (buttons == platform::MessageBoxButtons::Ok)
        return platform::MessageBoxResult::Ok;
    if (m_answers.empty())
        return platform::DecliningAnswer(buttons);
    const platform::MessageBoxResult answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

}  // namespace nimbo::test
