#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "platform/CodePage.h"

namespace nimbo::platform {
namespace {

MessageBoxResult WriteToStandardError(const std::u16string& text, const std::u16string& /*caption*/,
                                      MessageBoxButtons buttons) {
    const std::string line = CodePage::ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return DecliningAnswer(buttons);
}

std::mutex g_handlerLock;
MessageBoxHandler g_handler = WriteToStandardError;

}  // namespace

MessageBoxResult DecliningAnswer(MessageBoxButtons buttons) {
    switch (buttons) {
    case MessageBoxButtons::YesNo:
        return MessageBoxResult::No;
    case MessageBoxButtons::YesNoCancel:
        return MessageBoxResult::Cancel;
    case MessageBoxButtons::Ok:
        break;
    }
    return MessageBoxResult::Ok;
}

MessageBoxResult ShowMessageBox(const std::u16string& text, MessageBoxButtons buttons, const std::u16string& caption) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_handlerLock);
        handler = g_handler;
    }
    // Called unlocked: a handler may wait for a GUI thread that shows boxes too.
    return handler(text, caption, buttons);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(g_handlerLock);
    MessageBoxHandler previous = std::move(g_handler);
    g_handler = handler ? std::move(handler) : WriteToStandardError;
    return previous;
}

}  // namespace nimbo::platform
