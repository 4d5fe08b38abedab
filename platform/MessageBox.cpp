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

struct HandlerState {
    std::mutex lock;
    MessageBoxHandler handler = WriteToStandardError;
    bool ended = false;
};

// Never destroyed: a worker left running after main may still ask for a box.
HandlerState& TheState() {
    static HandlerState* state = new HandlerState;
    return *state;
}

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
    HandlerState& state = TheState();
    MessageBoxHandler handler;
    {
        std::lock_guard lock(state.lock);
        if (state.ended)
            return DecliningAnswer(buttons);
        handler = state.handler;
    }
    // Called unlocked: a handler may wait for a GUI thread that shows boxes too.
    return handler(text, caption, buttons);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    HandlerState& state = TheState();
    std::lock_guard lock(state.lock);
    MessageBoxHandler previous = std::move(state.handler);
    state.handler = handler ? std::move(handler) : WriteToStandardError;
    return previous;
}

void EndMessageBoxes() {
    HandlerState& state = TheState();
    std::lock_guard lock(state.lock);
    state.ended = true;
}

}  // namespace nimbo::platform
