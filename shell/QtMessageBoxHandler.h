#pragma once

#include <string>

#include "platform/MessageBox.h"

namespace nimbo {

// Shows the platform layer's message boxes as Qt message boxes on the GUI
// thread; install it with platform::SetMessageBoxHandler. Called from
// another thread, it blocks that thread until the user has answered. Without
// a running application it answers as if the box was dismissed.
class QtMessageBoxHandler {
public:
    platform::MessageBoxResult operator()(const std::u16string& text, const std::u16string& caption,
                                          platform::MessageBoxButtons buttons) const;

private:
    static platform::MessageBoxResult ShowOnGuiThread(const std::u16string& text, const std::u16string& caption,
                                                      platform::MessageBoxButtons buttons);
};

}  // namespace nimbo
