#include "tools/EventWait.h"

#include <charconv>
#include <chrono>

#include "tools/UsageError.h"

namespace nimbo::cli {

int EventWait::ParseSeconds(const std::string& text) {
    int seconds = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds < 0)
        throw UsageError("--seconds needs a whole number of seconds");
    return seconds;
}

bool EventWait::Run() {
    if (m_seconds)
        return m_loop.RunUntil([this] { return m_finished.load(); }, std::chrono::seconds(*m_seconds));
    m_loop.Run();
    return m_finished;
}

void EventWait::Finish() {
    m_finished = true;
    m_loop.Quit();
}

}  // namespace nimbo::cli
