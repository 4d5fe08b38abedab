#include "shell/CFileTransferDlg.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <limits>
#include <utility>

#include "platform/MessageBox.h"
#include "shell/CTransferSharedState.h"
#include "shell/IFileChooser.h"
#include "shell/TransferFormat.h"
#include "transfer/FileReceiver.h"
#include "transfer/FileSendStart.h"
#include "transfer/FileSender.h"
#include "transfer/SafeFileName.h"
#include "transfer/TransferEnd.h"
#include "transfer/TransferProtocol.h"

namespace nimbo {

namespace {

constexpr int kTemplateWidth = 135;
constexpr int kTemplateHeight = 143;
constexpr int kFullPercent = 100;

const QString kWaitingText = QStringLiteral("상대방이 파일 수신하기를 기다립니다.");
const QString kSendDoneText = QStringLiteral("파일 보내기 완료");
const QString kReceiveDoneText = QStringLiteral("파일 받기 완료");
const QString kRefusedText = QStringLiteral("상대방은 파일을 수신할 수 없는 상태입니다.");
const QString kSendBrokenText = QStringLiteral(
    "상대방이 파일 받기를 중단하였거나 네트워크 장애로 인하여\n파일 보내기가 중단되었습니다.\n");
const QString kReceiveBrokenText = QStringLiteral(
    "상대방이 파일 보내기를 중단하였거나 네트워크 장애로 인하여\n파일 받기가 중단되었습니다.\n\n"
    "(다시 파일을 받을때 수신중이었던 파일을 수신 파일로 지정하면\n이어받기가 가능합니다.)");
const QString kReplaceQuestion = QStringLiteral("%1 파일이 이미 있습니다.\n바꾸시겠습니까?");
const QString kResumeQuestion = QStringLiteral(
    "%1 파일이 이미 있습니다.\n받다가 중단된 파일이면 이어서 받을 수 있습니다.\n\n"
    "이어서 받으시겠습니까?\n(아니요: 처음부터 다시 받기)");
const QString kAnyFilePattern = QStringLiteral("*.*");

void ShowMessage(const QString& text) { platform::ShowMessageBox(text.toStdU16String()); }

platform::MessageBoxResult Ask(const QString& text, platform::MessageBoxButtons buttons) {
    return platform::ShowMessageBox(text.toStdU16String(), buttons);
}

// A read-only edit; a text longer than the edit scrolls sideways.
QLineEdit* ReadOnlyEdit() {
    auto* edit = new QLineEdit;
    edit->setReadOnly(true);
    return edit;
}

}  // namespace

CFileTransferDlg::CFileTransferDlg(TransferMode mode, const TransferServices& services)
    : CTemplateDialog(mode == TransferMode::Send ? QStringLiteral("파일 보내기") : QStringLiteral("파일 받기"),
                      kTemplateWidth, kTemplateHeight, CDialogUnits::TemplateFont(QStringLiteral("굴림"), 9), nullptr),
      m_bSend(mode == TransferMode::Send),
      m_services(services),
      m_clock([] { return std::time(nullptr); }),
      m_hWnd(platform::CreateWindowHandle(*this, *services.gui)),
      m_info(std::make_shared<TransferInfo>()) {
    // A transfer never keeps the application running once its main window
    // has closed; the application closes the transfers then.
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateControls();
}

CFileTransferDlg::~CFileTransferDlg() {
    if (!m_bClosed) {
        m_info->Cancel();
        platform::DestroyWindowHandle(m_hWnd);
    }
}

void CFileTransferDlg::CreateControls() {
    AddStatic(QStringLiteral("받는이:"), 0, 5, 7, 24, 8);
    AddStatic(QStringLiteral("위치:"), 0, 5, 26, 23, 8);
    AddStatic(QStringLiteral("파일명:"), 0, 5, 44, 25, 8);
    AddStatic(QStringLiteral("크기:"), 0, 5, 63, 24, 8);
    AddStatic(QStringLiteral("전송 상태:"), 0, 5, 80, 39, 8);
    m_peer = Place(ReadOnlyEdit(), IDC_PEER, 32, 4, 99, 12);
    m_location = Place(ReadOnlyEdit(), IDC_LOCATION, 32, 22, m_bSend ? 80 : 99, 12);
    m_fileName = Place(ReadOnlyEdit(), IDC_FILENAME, 32, 41, 99, 12);
    m_fileSize = Place(ReadOnlyEdit(), IDC_FILESIZE, 32, 60, 99, 12);

    // Without a border the status reads as part of the window.
    m_status = Place(ReadOnlyEdit(), IDC_STATUS, 46, 78, 85, 12);
    m_status->setFrame(false);
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    m_status->setPalette(palette);

    m_progress = Place(new QProgressBar, IDC_PROGRESS, 4, 97, 127, 8);
    m_progress->setTextVisible(false);

    if (m_bSend) {
        m_browse = AddButton(QStringLiteral("..."), IDC_BROWSE, 115, 22, 16, 12);
        connect(m_browse, &QPushButton::clicked, this, [this] { Browse({}); });
        m_send = AddButton(QStringLiteral("보내기"), IDC_SEND, 49, 125, 38, 14);
        m_send->setDefault(true);
        connect(m_send, &QPushButton::clicked, this, [this] { OnSend(); });
    } else {
        QPushButton* open = AddButton(QStringLiteral("열기"), IDC_OPEN, 49, 125, 38, 14);
        open->setDefault(true);
        open->setEnabled(false);
    }
    AddButton(QStringLiteral("닫기"), IDCANCEL, 94, 125, 37, 14);
}

void CFileTransferDlg::Open() {
    show();
    raise();
    activateWindow();
    OnInitDialog();
}

void CFileTransferDlg::Close() {
    if (m_bClosed) {
        return;
    }
    m_bClosed = true;
    m_info->Cancel();
    platform::DestroyWindowHandle(m_hWnd);
    hide();
    // Later, not here: Close may run inside this window's own handlers.
    deleteLater();
}

bool CFileTransferDlg::IsReceiving() const { return !m_bSend && !m_bClosed && !(m_worker && m_worker->HasEnded()); }

bool CFileTransferDlg::StopWorker(std::chrono::milliseconds bound) { return !m_worker || m_worker->Stop(bound); }

void CFileTransferDlg::reject() { Close(); }

void CFileTransferDlg::DoDataExchange(DataDirection direction) {
    ExchangeText(direction, m_peer, m_strPeerText);
    ExchangeText(direction, m_location, m_strLocation);
    ExchangeText(direction, m_fileName, m_strFileName);
    ExchangeText(direction, m_fileSize, m_strSizeText);
    ExchangeText(direction, m_status, m_strStatus);
    // Every text is shown from its start, as a path or a status reads best.
    if (direction == DataDirection::ToControls) {
        for (QLineEdit* edit : {m_peer, m_location, m_fileName, m_fileSize, m_status}) {
            edit->setCursorPosition(0);
        }
    }
}

// The first choice comes after the window is up, since the file dialogs
// are modal to it.
void CFileTransferDlg::OnInitDialog() {
    m_progress->setRange(0, kFullPercent);
    m_progress->setValue(0);
    m_strPeerText = m_strPeerId;
    if (!m_bSend) {
        m_info->hWndNotify = m_hWnd;
        m_info->strPeerAddress = m_strAddress.toStdU16String();
        m_info->nPort = m_nPort;
    }
    Refresh();
    if (!m_bSend) {
        ChooseTarget();
    } else if (!m_strLocation.isEmpty()) {
        m_send->setEnabled(LookUpFile());
    } else {
        Browse([this](bool confirmed) {
            if (!confirmed) {
                Close();
            }
        });
    }
}

// The file dialog is modal to this window only and stays above it, so the
// window need not be made topmost while it is open.
void CFileTransferDlg::Browse(std::function<void(bool confirmed)> then) {
    const QString initial = CTransferSharedState::Instance().LastSendFolder() + kAnyFilePattern;
    m_services.chooser->ChooseFileToOpen(this, initial, [this, then = std::move(then)](const QString& path) {
        if (m_bClosed) {
            return;
        }
        if (!path.isEmpty()) {
            m_strLocation = path;
            m_strFileName = FileNamePart(path);
            CTransferSharedState::Instance().SetLastSendFolder(FolderPart(path));
            m_send->setEnabled(LookUpFile());
        }
        if (then) {
            then(!path.isEmpty());
        }
    });
}

// A file that cannot be found keeps the size shown before. One too large to
// be offered (its size travels in 32 bits) is refused at once rather than on
// "보내기": false then, and the size shown is its own.
bool CFileTransferDlg::LookUpFile() {
    const QFileInfo file(m_strLocation);
    if (!file.isFile()) {
        return true;
    }
    m_nFileLength = static_cast<std::uint64_t>(file.size());
    const bool sendable = m_nFileLength <= MAX_SENDABLE_SIZE;
    m_nFileSize = sendable ? static_cast<std::uint32_t>(m_nFileLength) : 0;
    m_strSizeText = FileSizeText(m_nFileLength);
    m_strStatus.clear();
    Refresh();
    if (!sendable) {
        CheckSendableSize(m_nFileLength);
    }
    return sendable;
}

// After a failed offer both buttons stay disabled: the user can only close.
void CFileTransferDlg::OnSend() {
    if (m_strLocation.isEmpty() || !CheckSendableSize(m_nFileLength)) {
        return;
    }
    m_browse->setEnabled(false);
    m_send->setEnabled(false);
    m_info->hWndNotify = m_hWnd;
    m_info->strFilePath = m_strLocation.toStdU16String();
    if (!OfferFile(*m_services.session, *m_info, m_strPeerId.toStdU16String(), m_strFileName.toStdU16String(),
                   m_nFileSize) ||
        m_bClosed) {
        return;
    }
    m_nPort = m_info->nPort;
    if (!StartWorker(FileSendProc)) {
        return;
    }
    m_strStatus = kWaitingText;
    Refresh();
}

// Starts in the last receive folder with the offered name made safe.
void CFileTransferDlg::ChooseTarget() {
    const QString initial = CTransferSharedState::Instance().LastReceiveFolder() +
                            QString::fromStdU16String(SafeFileName(m_strFileName.toStdU16String()));
    m_services.chooser->ChooseFileToSave(this, initial, [this](const QString& path) { OnTargetChosen(path); });
}

// Nothing is sent to the sender when the user cancels: it keeps waiting
// until its own user closes its window.
void CFileTransferDlg::OnTargetChosen(const QString& path) {
    if (m_bClosed) {
        return;
    }
    if (path.isEmpty()) {
        Close();
        return;
    }
    const std::optional<std::int32_t> offset = AskStartOffset(path);
    if (m_bClosed) {
        return;
    }
    if (offset) {
        StartReceiving(path, *offset);
    } else {
        ChooseTarget();
    }
}

// An existing target is never replaced unasked. One shorter than the offer
// may be what an earlier, broken receive left: it can be continued from its
// length. Nullopt: the user wants to choose another target.
std::optional<std::int32_t> CFileTransferDlg::AskStartOffset(const QString& path) {
    const QFileInfo target(path);
    if (!target.exists()) {
        return 0;
    }
    const qint64 length = target.size();
    if (length > 0 && length < static_cast<qint64>(m_nFileSize) &&
        length <= std::numeric_limits<std::int32_t>::max()) {
        switch (Ask(kResumeQuestion.arg(target.fileName()), platform::MessageBoxButtons::YesNoCancel)) {
        case platform::MessageBoxResult::Yes:
            return static_cast<std::int32_t>(length);
        case platform::MessageBoxResult::No:
            return 0;
        default:
            return std::nullopt;
        }
    }
    if (Ask(kReplaceQuestion.arg(target.fileName()), platform::MessageBoxButtons::YesNo) ==
        platform::MessageBoxResult::Yes) {
        return 0;
    }
    return std::nullopt;
}

void CFileTransferDlg::StartReceiving(const QString& path, std::int32_t offset) {
    m_strLocation = path;
    m_strFileName = FileNamePart(path);
    CTransferSharedState::Instance().SetLastReceiveFolder(FolderPart(path));
    m_info->strFilePath = path.toStdU16String();
    m_info->nFileSize = m_nFileSize;
    m_info->targetUse = offset > 0 ? TargetUse::Continue : TargetUse::Replace;
    m_info->nStartOffset = offset;
    m_strSizeText = FileSizeText(m_nFileSize);
    if (StartWorker(FileRecvProc)) {
        Refresh();
    }
}

// A worker the system gives no thread for ends the transfer as one that
// stopped without a message of its own.
bool CFileTransferDlg::StartWorker(TransferWorker::Procedure procedure) {
    m_worker = std::make_unique<TransferWorker>(procedure, m_info);
    if (!m_worker->Started()) {
        OnEnd(m_bSend ? TE_SEND_CLOSED : TE_RECV_CLOSED);
    }
    return !m_bClosed;
}

platform::LRESULT CFileTransferDlg::HandleMessage(platform::UINT message, platform::WPARAM wParam,
                                                  platform::LPARAM lParam) {
    switch (message) {
    case WM_TRANSFER_START:
        OnStart();
        break;
    case WM_TRANSFER_PROGRESS:
        OnProgress(static_cast<std::int64_t>(wParam), static_cast<std::int64_t>(lParam));
        break;
    case WM_TRANSFER_END:
        OnEnd(lParam);
        break;
    default:
        break;
    }
    return 0;
}

// Each data phase starts its estimate and its percentage afresh, also the
// next file a send window sends.
void CFileTransferDlg::OnStart() {
    m_startTime = m_clock();
    m_estimate = CTransferProgress();
    m_progress->setValue(0);
}

void CFileTransferDlg::OnProgress(std::int64_t moved, std::int64_t done) {
    QString remaining = m_estimate.RemainingTime();
    if (m_startTime != 0) {
        const auto elapsed = static_cast<double>(m_clock() - m_startTime);
        remaining = m_estimate.UpdateRemainingTime(elapsed, moved, m_nFileSize, done);
    }
    if (m_nFileSize != 0) {
        const float fraction = static_cast<float>(done) / static_cast<float>(m_nFileSize);
        const int percent = static_cast<int>(std::clamp(fraction * kFullPercent, 0.0f, float{kFullPercent}));
        if (m_estimate.TakePercent(percent)) {
            m_progress->setValue(percent);
        }
    }
    m_strStatus = ProgressText(done, m_nFileSize, remaining);
    Refresh();
}

// The worker has posted its last message, so it is joined here; a send
// window can then offer another file with a new worker.
void CFileTransferDlg::OnEnd(platform::LPARAM code) {
    m_startTime = 0;
    if (m_worker) {
        m_worker->Join();
    }
    switch (code) {
    case TE_SEND_DONE:
    case TE_RECV_DONE:
        m_strStatus = code == TE_SEND_DONE ? kSendDoneText : kReceiveDoneText;
        m_progress->setValue(kFullPercent);
        break;
    case TE_SEND_BROKEN:
        ShowMessage(kSendBrokenText);
        Close();
        break;
    case TE_RECV_BROKEN:
        ShowMessage(kReceiveBrokenText);
        Close();
        break;
    case TE_SEND_CLOSED:
    case TE_RECV_CLOSED:
        Close();
        break;
    case TE_REFUSED:
        m_strStatus = kRefusedText;
        Refresh();
        ShowMessage(kRefusedText);
        Close();
        break;
    default:
        break;
    }
    if (m_bClosed) {
        return;
    }
    if (m_bSend) {
        m_browse->setEnabled(true);
    }
    Refresh();
}

}  // namespace nimbo
