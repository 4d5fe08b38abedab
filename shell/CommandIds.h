#pragma once

#include "platform/WindowMessages.h"

namespace nimbo {

// A command for a window: wParam's low word is the command identifier.
inline constexpr platform::UINT WM_COMMAND = 0x0111;

// Command identifiers of the menus, the tool bar, the popup menu and the
// accelerators. The values are the application's fixed resource numbers.
enum CommandId : unsigned {
    ID_LOGIN = 32771,
    ID_LOGOUT = 32772,
    ID_SEND_NOTE = 32773,
    ID_REFRESH = 32774,
    ID_SEND_FILE = 32775,
    // Own presence: one command per status, in LogonStatus order, then the
    // status message.
    ID_STATUS_ONLINE = 32776,
    ID_STATUS_OFFLINE = 32781,
    ID_STATUS_MESSAGE = 32782,
    // Shows a hidden main window, hides a shown one.
    ID_SHOW_HIDE = 32783,
    // Turns on or off that closing or minimising the main window hides it
    // in the tray.
    ID_MINIMIZE_TO_TRAY = 32784,

    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP = 57670,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
};

// The status a status command sets; -1 for any other command.
constexpr int StatusOfCommand(unsigned id) {
    return id >= ID_STATUS_ONLINE && id <= ID_STATUS_OFFLINE ? static_cast<int>(id - ID_STATUS_ONLINE) : -1;
}

}  // namespace nimbo
