#pragma once

#include <cstdint>
#include <functional>

class QPushButton;

namespace nimbo {

class AgentSession;
class CFileTransferDlg;
class IFileChooser;
class SessionWorker;
struct TransferServices;

// The send half of a transfer window, in the order the user meets it: the
// file is named in advance or picked in a file dialog and looked up; the
// send command offers it to the recipient and starts the sending worker,
// which waits for the recipient's connection; after the transfer's end
// another file may be chosen and sent from the same window. It fills the
// window's fields and drives its browse and send buttons.
class FileSendFlow {
public:
    FileSendFlow(CFileTransferDlg& window, const TransferServices& services, QPushButton& browse, QPushButton& send);

    // The first choice, as the window opens: the file named in advance, else
    // a file dialog whose cancelling closes the window.
    void Begin();
    // Another file; cancelling the file dialog changes nothing.
    void Browse();
    // Offers the chosen file, on the services' session worker, and starts
    // the sending worker.
    void Send();
    // The worker has ended: another file may be chosen.
    void Ended();

private:
    void Choose(std::function<void(bool confirmed)> then);
    bool LookUpFile();

    CFileTransferDlg& m_window;
    IFileChooser& m_chooser;
    AgentSession& m_session;
    SessionWorker* m_worker;
    QPushButton& m_browse;
    QPushButton& m_send;
    // The file's whole length; the window's m_nFileSize holds it when it can
    // be offered.
    std::uint64_t m_fileLength = 0;
};

}  // namespace nimbo
