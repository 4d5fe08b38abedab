#pragma once

namespace nimbo {

// Shows the wait cursor over the whole application for as long as it lives,
// also while a blocking server exchange keeps the event loop from running.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace nimbo
