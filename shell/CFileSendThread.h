#pragma once

#include <cstdint>
#include <string>

#include "shell/TransferServices.h"

namespace nimbo {

class CFileTransferDlg;

// The starting data of one file transfer and the step that opens its
// window. StartFileTransfer fills it completely before InitInstance runs, so
// the window is built from finished values.
//
// It is not a thread of the system: Qt lets widgets live only on the GUI
// thread, so the transfer's window is a non-modal top-level window there
// instead of a modal dialog on a user-interface thread of its own. That
// keeps what the thread was for: the main window stays usable, transfers run
// side by side, each window lives until it is closed, and the socket and
// file work happens on the transfer's worker thread.
class CFileSendThread {
public:
    bool m_bSend = true;            // send mode, else receive mode
    std::u16string m_strMyId;       // own user ID
    std::u16string m_strPeerId;     // the other user's ID
    std::u16string m_strPeerAddress;  // receive: the sender's address from the offer
    std::u16string m_strFile;       // send: the path to send (may be empty); receive: the offered name
    std::uint32_t m_nFileSize = 0;  // receive: the offered size
    int m_nPort = 0;                // receive: the offered port

    // Creates the transfer window from the fields and opens it; it then
    // lives until it is closed and deletes itself. Returns the window.
    CFileTransferDlg* InitInstance(const TransferServices& services) const;
};

}  // namespace nimbo
