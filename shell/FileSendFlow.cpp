#include "shell/FileSendFlow.h"

#include <QFileInfo>
#include <QPushButton>
#include <string>
#include <utility>

#include "shell/CFileTransferDlg.h"
#include "shell/TransferSharedState.h"
#include "shell/IFileChooser.h"
#include "shell/SessionWorker.h"
#include "shell/TransferServices.h"
#include "shell/TransferFormat.h"
#include "transfer/FileSendStart.h"
#include "transfer/FileSender.h"

namespace nimbo {

namespace {

const QString WAITING_TEXT = QStringLiteral("상대방이 파일 수신하기를 기다립니다.");
const QString ANY_FILE_PATTERN = QStringLiteral("*.*");

}  // namespace

FileSendFlow::FileSendFlow(CFileTransferDlg& window, const TransferServices& services, QPushButton& browse,
                           QPushButton& send)
    : m_window(window),
      m_chooser(*services.chooser),
      m_session(*services.session),
      m_worker(services.worker),
      m_browse(browse),
      m_send(send) {}

void FileSendFlow::Begin() {
    if (!m_window.m_strLocation.isEmpty()) {
        m_send.setEnabled(LookUpFile());
        return;
    }
    Choose([this](bool confirmed) {
        if (!confirmed) {
            m_window.Close();
        }
    });
}

void FileSendFlow::Browse() { Choose({}); }

// The file dialog is modal to the window only and stays above it, so the
// window need not be made topmost while it is open.
void FileSendFlow::Choose(std::function<void(bool confirmed)> then) {
    const QString initial = TransferSharedState::Instance().LastSendFolder() + ANY_FILE_PATTERN;
    m_chooser.ChooseFileToOpen(&m_window, initial, [this, then = std::move(then)](const QString& path) {
        if (m_window.IsClosed()) {
            return;
        }
        if (!path.isEmpty()) {
            m_window.m_strLocation = path;
            m_window.m_strFileName = FileNamePart(path);
            TransferSharedState::Instance().SetLastSendFolder(FolderPart(path));
            m_send.setEnabled(LookUpFile());
        }
        if (then) {
            then(!path.isEmpty());
        }
    });
}

// A file that cannot be found keeps the size shown before. One too large to
// be offered (its size travels in 32 bits) is refused at once rather than on
// "보내기": false then, and the size shown is its own.
bool FileSendFlow::LookUpFile() {
    const QFileInfo file(m_window.m_strLocation);
    if (!file.isFile()) {
        return true;
    }
    m_fileLength = static_cast<std::uint64_t>(file.size());
    const bool sendable = m_fileLength <= MAX_SENDABLE_SIZE;
    m_window.m_nFileSize = sendable ? static_cast<std::uint32_t>(m_fileLength) : 0;
    m_window.m_strSizeText = FileSizeText(m_fileLength);
    m_window.m_strStatus.clear();
    m_window.Refresh();
    if (!sendable) {
        CheckSendableSize(m_fileLength);
    }
    return sendable;
}

// After a failed offer both buttons stay disabled: the user can only close.
void FileSendFlow::Send() {
    if (m_window.m_strLocation.isEmpty() || !CheckSendableSize(m_fileLength)) {
        return;
    }
    m_browse.setEnabled(false);
    m_send.setEnabled(false);
    TransferInfo& info = m_window.Info();
    info.hWndNotify = m_window.GetSafeHwnd();
    info.strFilePath = m_window.m_strLocation.toStdU16String();
    const std::u16string recipient = m_window.m_strPeerId.toStdU16String();
    const std::u16string fileName = m_window.m_strFileName.toStdU16String();
    const std::uint32_t size = m_window.m_nFileSize;
    const auto place = [&] { return PlaceOffer(m_session, info, recipient, fileName, size); };
    const OfferPlacement placement = m_worker != nullptr ? m_worker->Run(place) : place();
    if (m_window.IsClosed()) {
        return;
    }
    if (placement != OfferPlacement::Placed) {
        ShowOfferPlacement(m_session.GetBuddyTable(), recipient, placement);
        return;
    }
    m_window.m_nPort = info.nPort;
    if (!m_window.StartWorker(FileSendProc)) {
        return;
    }
    m_window.m_strStatus = WAITING_TEXT;
    m_window.Refresh();
}

void FileSendFlow::Ended() { m_browse.setEnabled(true); }

}  // namespace nimbo
