#pragma once

#include <functional>
#include <string>

namespace nimbo::platform {

enum class MessageBoxButtons { Ok, YesNo, YesNoCancel };
enum class MessageBoxResult { Ok, Yes, No, Cancel };

using MessageBoxHandler =
    std::function<MessageBoxResult(const std::u16string& text, const std::u16string& caption, MessageBoxButtons buttons)>;

// Shows a message box from any thread and waits for the answer. The
// application installs a handler that shows a real dialog on its GUI thread;
// without one, the text goes to standard error and the answer is the
// declining one: Ok, No, or Cancel for a yes/no/cancel question.
MessageBoxResult ShowMessageBox(const std::u16string& text, MessageBoxButtons buttons = MessageBoxButtons::Ok,
                                const std::u16string& caption = u"");

// The answer of a box that was dismissed without a choice: Ok, No for a
// yes/no question, Cancel for a yes/no/cancel question.
MessageBoxResult DecliningAnswer(MessageBoxButtons buttons);

// Installs `handler` (an empty handler restores the default); returns the
// previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Ends message boxes for good, as the process prepares to exit: from then on
// every box is dismissed unshown (DecliningAnswer), without calling any
// handler or writing anything. What this needs is never freed, so a worker
// that outlives main may still ask.
void EndMessageBoxes();

}  // namespace nimbo::platform
