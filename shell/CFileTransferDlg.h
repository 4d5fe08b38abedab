#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>

#include "platform/WindowMessages.h"
#include "shell/CTemplateDialog.h"
#include "shell/TransferProgress.h"
#include "shell/TransferServices.h"
#include "transfer/TransferInfo.h"
#include "transfer/TransferWorker.h"

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace nimbo {

class FileReceiveFlow;
class FileSendFlow;

enum class TransferMode { Send, Receive };

// The window of one file transfer, templates 137 "파일 보내기" and 138 "파일
// 받기", widened as far as the screen allows so that every field shows its
// whole text (the user may widen it further, never narrow it past its
// template). Its send flow chooses the file, places the offer and runs the
// sending worker (FileSendFlow); its receive flow chooses the target and
// runs the receiving worker (FileReceiveFlow). The window itself shows what
// the worker reports through its window handle: progress, remaining time
// and the outcome.
//
// Qt widgets live on the GUI thread only, so every transfer window is a
// top-level, non-modal window there, beside the main window and the other
// transfers; its file dialogs are modal to it alone. It owns the transfer's
// record, shared with the worker, and the worker itself: closing the window
// cancels the worker, which then ends by itself without reaching the
// window; destroying the window waits a bounded time for that end.
class CFileTransferDlg : public CTemplateDialog, public platform::IMessageHandler {
    Q_OBJECT

public:
    static constexpr int IDD_FILE_SEND = 137;
    static constexpr int IDD_FILE_RECEIVE = 138;
    static constexpr int IDC_SEND = 3;
    static constexpr int IDC_PEER = 1006;
    static constexpr int IDC_LOCATION = 1007;
    static constexpr int IDC_FILENAME = 1008;
    static constexpr int IDC_FILESIZE = 1009;
    static constexpr int IDC_PROGRESS = 1010;
    static constexpr int IDC_STATUS = 1011;
    static constexpr int IDC_BROWSE = 1012;
    static constexpr int IDC_OPEN = 1013;

    // The wall-clock time in whole seconds.
    using Clock = std::function<std::time_t()>;

    // A window that is not shown yet; its handle is registered on
    // services.gui at once.
    CFileTransferDlg(TransferMode mode, const TransferServices& services);
    ~CFileTransferDlg() override;

    // Shows the window and initialises it: a send asks for the file unless
    // m_strLocation names one, a receive asks for the target. Closes the
    // window when that first choice is cancelled.
    void Open();
    // Cancels the worker (ending a pending wait for the receiver at once),
    // unregisters the handle and closes the window, which deletes itself.
    void Close();
    bool IsClosed() const { return m_closed; }
    // A receive window still at work: choosing its target or receiving.
    bool IsReceiving() const;
    // Stops the worker, waiting at most `bound` for its end (see
    // TransferWorker::Stop); true when it has ended or there was none.
    bool StopWorker(std::chrono::milliseconds bound);

    platform::HWND GetSafeHwnd() const { return m_hWnd; }
    // Where the window reads the time for the remaining-time estimate.
    void SetClock(Clock clock) { m_clock = std::move(clock); }

    // WM_TRANSFER_START, WM_TRANSFER_PROGRESS and WM_TRANSFER_END from the
    // worker; each returns 0.
    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) override;

    // For the flows: shows the fields, and starts the transfer's worker on
    // the record; false when the window closed because no thread could be
    // had for it.
    void Refresh() { DoDataExchange(DataDirection::ToControls); }
    TransferInfo& Info() const { return *m_info; }
    bool StartWorker(TransferWorker::Procedure procedure);

    const bool m_bSend;
    QString m_strPeerId;   // the recipient of a send, the sender of a receive
    QString m_strAddress;  // receive: the sender's address from the offer
    int m_nPort = 0;       // send: the port listened on; receive: the offer's
    std::uint32_t m_nFileSize = 0;
    std::time_t m_startTime = 0;  // start of the data phase; 0 outside it
    QString m_strPeerText;
    QString m_strLocation;
    QString m_strFileName;
    QString m_strSizeText;
    QString m_strStatus;

protected:
    void DoDataExchange(DataDirection direction) override;
    // The close button, Escape and the window's close control.
    void reject() override;

private:
    void CreateControls();
    void NameControls();
    void FitTexts();
    void OnInitDialog();
    void OnBrowse();
    void OnSend();

    void OnStart();
    void OnProgress(std::int64_t moved, std::int64_t done);
    void OnEnd(platform::LPARAM code);

    Clock m_clock;
    platform::HWND m_hWnd;
    bool m_closed = false;
    const std::shared_ptr<TransferInfo> m_info;
    std::unique_ptr<TransferWorker> m_worker;
    TransferProgress m_estimate;
    // The flow of the window's mode; the other one is null.
    std::unique_ptr<FileSendFlow> m_sendFlow;
    std::unique_ptr<FileReceiveFlow> m_receiveFlow;

    QLineEdit* m_peer;
    QLineEdit* m_location;
    QLineEdit* m_fileName;
    QLineEdit* m_fileSize;
    QLineEdit* m_status;
    QProgressBar* m_progress;
    QPushButton* m_browse = nullptr;
    QPushButton* m_send = nullptr;
};

}  // namespace nimbo
