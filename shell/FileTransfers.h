#pragma once

#include <QList>
#include <QPointer>
#include <memory>
#include <string>

#include "shell/CFileTransferDlg.h"
#include "shell/IFileTransferHook.h"
#include "shell/TransferServices.h"
#include "transfer/FileOffer.h"

namespace nimbo {

// The application's file transfers: starts a transfer window for the
// send-file command and for every offer the user accepts, and closes them
// all when the application ends.
class FileTransfers : public IFileTransferHook {
public:
    explicit FileTransfers(const TransferServices& services);
    // Closes every transfer still open (see CloseAll) and deletes its
    // window. Runs outside any handler of those windows.
    ~FileTransfers() override;
    FileTransfers(const FileTransfers&) = delete;
    FileTransfers& operator=(const FileTransfers&) = delete;

    // Send mode to `peerId` with no file yet: the window asks for it.
    void StartFileTransfer(const std::u16string& ownId, const std::u16string& peerId) override;
    // A send window for each path, its file already chosen.
    void SendFiles(const std::u16string& ownId, const std::u16string& peerId,
                   const std::vector<std::u16string>& paths) override;
    // Opens a transfer window: send mode with the path `file` (may be
    // empty), or receive mode for `offer` (whose file name `file` is).
    // Nothing once the transfers were closed for good.
    void StartFileTransfer(TransferMode mode, const std::u16string& ownId, const std::u16string& peerId,
                           const std::u16string& file, const FileOffer* offer);

    // Asks the user whether to receive the offered file; the record is
    // released first. The question is a modal message box whose event loop
    // goes on dispatching, so a further offer gets a question of its own.
    // What offers can make the user hold is bounded (see OfferLimits): an
    // offer that finds MAX_OFFER_QUESTIONS questions open or
    // MAX_OFFERED_RECEIVES receive windows at work is declined silently, as
    // is one answered "Yes" once the receive windows have filled up.
    void OnFileOffer(std::unique_ptr<PeerCallRecord> record) override;

    // For good: closes every open transfer window, which cancels its
    // worker, then waits for each worker a bounded time.
    void CloseAll();

    // The windows open now, oldest first.
    QList<CFileTransferDlg*> Windows() const;

    void SetFileChooser(IFileChooser& chooser) { m_services.chooser = &chooser; }

private:
    int ReceivingCount() const;

    TransferServices m_services;
    QList<QPointer<CFileTransferDlg>> m_windows;
    bool m_ended = false;
    int m_openQuestions = 0;
};

}  // namespace nimbo
