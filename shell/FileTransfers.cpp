#include "shell/FileTransfers.h"

#include <QString>
#include <algorithm>
#include <chrono>

#include "platform/MessageBox.h"
#include "session/AgentSession.h"
#include "shell/CFileSendThread.h"
#include "shell/TransferFormat.h"
#include "transfer/OfferLimits.h"

namespace nimbo {

FileTransfers::FileTransfers(const TransferServices& services) : m_services(services) {}

FileTransfers::~FileTransfers() {
    CloseAll();
    for (const QPointer<CFileTransferDlg>& window : m_windows) {
        delete window.data();
    }
}

void FileTransfers::StartFileTransfer(const std::u16string& ownId, const std::u16string& peerId) {
    StartFileTransfer(TransferMode::Send, ownId, peerId, u"", nullptr);
}

void FileTransfers::SendFiles(const std::u16string& ownId, const std::u16string& peerId,
                               const std::vector<std::u16string>& paths) {
    for (const std::u16string& path : paths) {
        StartFileTransfer(TransferMode::Send, ownId, peerId, path, nullptr);
    }
}

void FileTransfers::StartFileTransfer(TransferMode mode, const std::u16string& ownId, const std::u16string& peerId,
                                       const std::u16string& file, const FileOffer* offer) {
    if (m_ended) {
        return;
    }
    m_windows.removeAll(nullptr);
    CFileSendThread thread;
    thread.m_bSend = mode == TransferMode::Send;
    thread.m_strMyId = ownId;
    thread.m_strPeerId = peerId;
    thread.m_strFile = file;
    if (offer != nullptr) {
        thread.m_strPeerAddress = offer->strAddress;
        thread.m_nPort = offer->nPort;
        thread.m_strFile = offer->strFileName;
        thread.m_nFileSize = offer->nFileSize;
    }
    m_windows.append(thread.InitInstance(m_services));
}

void FileTransfers::OnFileOffer(std::unique_ptr<PeerCallRecord> record) {
    const FileOffer offer = ParseFileOffer(record->strBody);
    const std::u16string from = record->strFrom;
    record.reset();
    if (m_openQuestions >= MAX_OFFER_QUESTIONS || ReceivingCount() >= MAX_OFFERED_RECEIVES) {
        return;
    }
    const QString question = QStringLiteral("%1님이 보내신 파일을 수신하시겠습니까?\n\n파일명: %2(%3)")
                                 .arg(QString::fromStdU16String(from), QString::fromStdU16String(offer.strFileName),
                                      OfferSizeText(offer.nFileSize));
    ++m_openQuestions;
    const platform::MessageBoxResult answer =
        platform::ShowMessageBox(question.toStdU16String(), platform::MessageBoxButtons::YesNo);
    --m_openQuestions;
    // Questions answered meanwhile may have filled the receives up.
    if (answer == platform::MessageBoxResult::Yes && ReceivingCount() < MAX_OFFERED_RECEIVES) {
        StartFileTransfer(TransferMode::Receive, m_services.session->GetUserId().ToWide(), from,
                          offer.strFileName, &offer);
    }
}

// All are cancelled before the first wait, so their workers end side by
// side, and all of them together are waited for at most STOP_BOUND: a
// worker still held up by a name lookup or a slow disk is then left behind.
void FileTransfers::CloseAll() {
    m_ended = true;
    m_windows.removeAll(nullptr);
    for (CFileTransferDlg* window : std::as_const(m_windows)) {
        window->Close();
    }
    const auto deadline = std::chrono::steady_clock::now() + TransferWorker::STOP_BOUND;
    for (CFileTransferDlg* window : std::as_const(m_windows)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        window->StopWorker(std::max(left, std::chrono::milliseconds::zero()));
    }
}

int FileTransfers::ReceivingCount() const {
    int receiving = 0;
    for (const CFileTransferDlg* window : Windows()) {
        receiving += window->IsReceiving() ? 1 : 0;
    }
    return receiving;
}

QList<CFileTransferDlg*> FileTransfers::Windows() const {
    QList<CFileTransferDlg*> open;
    for (const QPointer<CFileTransferDlg>& window : m_windows) {
        if (window && !window->IsClosed()) {
            open.append(window.data());
        }
    }
    return open;
}

}  // namespace nimbo
