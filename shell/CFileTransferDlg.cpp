#include "shell/CFileTransferDlg.h"

#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <initializer_list>

#include "platform/MessageBox.h"
#include "shell/FileReceiveFlow.h"
#include "shell/FileSendFlow.h"
#include "shell/TransferFormat.h"
#include "transfer/TransferEnd.h"
#include "transfer/TransferProtocol.h"

namespace nimbo {

namespace {

constexpr int TEMPLATE_WIDTH = 135;
constexpr int TEMPLATE_HEIGHT = 143;
constexpr int FULL_PERCENT = 100;

const QString SEND_DONE_TEXT = QStringLiteral("파일 보내기 완료");
const QString RECEIVE_DONE_TEXT = QStringLiteral("파일 받기 완료");
const QString REFUSED_TEXT = QStringLiteral("상대방은 파일을 수신할 수 없는 상태입니다.");
const QString SEND_BROKEN_TEXT = QStringLiteral(
    "상대방이 파일 받기를 중단하였거나 네트워크 장애로 인하여\n파일 보내기가 중단되었습니다.\n");
const QString RECEIVE_BROKEN_TEXT = QStringLiteral(
    "상대방이 파일 보내기를 중단하였거나 네트워크 장애로 인하여\n파일 받기가 중단되었습니다.\n\n"
    "(다시 파일을 받을때 수신중이었던 파일을 수신 파일로 지정하면\n이어받기가 가능합니다.)");

// The longest remaining time a window makes room for in advance: 9:59:59.
constexpr std::int64_t LONGEST_EXPECTED_REMAINING = 10 * 3600 - 1;
// QLineEdit's fixed margin on each side of its text, and room for the cursor.
constexpr int EDIT_TEXT_MARGIN = 2;
constexpr int CURSOR_ROOM = 1;

void ShowMessage(const QString& text) { platform::ShowMessageBox(text.toStdU16String()); }

// A read-only edit; a text longer than the edit scrolls sideways.
QLineEdit* ReadOnlyEdit() {
    auto* edit = new QLineEdit;
    edit->setReadOnly(true);
    return edit;
}

// How much wider `edit` must be to show `text` whole; 0 or less when it does.
int MissingWidth(const QLineEdit& edit, const QString& text) {
    const int frame = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit) : 0;
    const QMargins margins = edit.textMargins();
    const int needed = edit.fontMetrics().horizontalAdvance(text) + 2 * (frame + EDIT_TEXT_MARGIN) + margins.left() +
                       margins.right() + CURSOR_ROOM;
    return needed - edit.width();
}

void Describe(QWidget* control, const QString& name, const QString& description) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

}  // namespace

CFileTransferDlg::CFileTransferDlg(TransferMode mode, const TransferServices& services)
    : CTemplateDialog(mode == TransferMode::Send ? QStringLiteral("파일 보내기") : QStringLiteral("파일 받기"),
                      TEMPLATE_WIDTH, TEMPLATE_HEIGHT, DialogUnits::TemplateFont(QStringLiteral("굴림"), 9), nullptr),
      m_bSend(mode == TransferMode::Send),
      m_clock([] { return std::time(nullptr); }),
      m_hWnd(platform::CreateWindowHandle(*this, *services.gui)),
      m_info(std::make_shared<TransferInfo>()) {
    // A transfer never keeps the application running once its main window
    // has closed; the application closes the transfers then.
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateControls();
    if (m_bSend) {
        m_sendFlow = std::make_unique<FileSendFlow>(*this, services, *m_browse, *m_send);
    } else {
        m_receiveFlow = std::make_unique<FileReceiveFlow>(*this, *services.chooser);
    }
}

CFileTransferDlg::~CFileTransferDlg() {
    if (!m_closed) {
        m_info->Cancel();
        platform::DestroyWindowHandle(m_hWnd);
    }
}

void CFileTransferDlg::CreateControls() {
    // The peer of a receive sent the file.
    AddStatic(m_bSend ? QStringLiteral("받는이:") : QStringLiteral("보낸이:"), 0, 5, 7, 24, 8);
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
        connect(m_browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
        // Tab reaches it beside the location it fills.
        setTabOrder(m_location, m_browse);
        setTabOrder(m_browse, m_fileName);
        m_send = AddButton(QStringLiteral("보내기"), IDC_SEND, 49, 125, 38, 14);
        m_send->setDefault(true);
        connect(m_send, &QPushButton::clicked, this, [this] { OnSend(); });
    } else {
        QPushButton* open = AddButton(QStringLiteral("열기"), IDC_OPEN, 49, 125, 38, 14);
        open->setDefault(true);
        open->setEnabled(false);
    }
    QPushButton* close = AddButton(QStringLiteral("닫기"), IDCANCEL, 94, 125, 37, 14);

    AllowResize();
    setMaximumHeight(minimumHeight());
    for (QWidget* field :
         std::initializer_list<QWidget*>{m_peer, m_location, m_fileName, m_fileSize, m_status, m_progress}) {
        SetAnchors(field, GROW_WIDTH);
    }
    for (int id : {IDC_BROWSE, IDC_SEND, IDC_OPEN}) {
        if (QWidget* button = Control(id)) {
            SetAnchors(button, FOLLOW_RIGHT);
        }
    }
    SetAnchors(close, FOLLOW_RIGHT);
    NameControls();
}

void CFileTransferDlg::NameControls() {
    Describe(m_peer, m_bSend ? QStringLiteral("받는이") : QStringLiteral("보낸이"),
             m_bSend ? QStringLiteral("파일을 받을 친구의 ID") : QStringLiteral("파일을 보낸 친구의 ID"));
    Describe(m_location, QStringLiteral("위치"),
             m_bSend ? QStringLiteral("보낼 파일의 경로") : QStringLiteral("받은 파일을 저장할 경로"));
    Describe(m_fileName, QStringLiteral("파일명"), QStringLiteral("파일의 이름"));
    Describe(m_fileSize, QStringLiteral("크기"), QStringLiteral("파일의 크기"));
    Describe(m_status, QStringLiteral("전송 상태"), QStringLiteral("주고받은 양과 남은 시간, 또는 전송 결과"));
    Describe(m_progress, QStringLiteral("진행률"), QStringLiteral("전송된 비율"));
    if (m_browse != nullptr) {
        Describe(m_browse, QStringLiteral("찾아보기"), QStringLiteral("보낼 파일 고르기"));
    }
}

// Widens the window until every field shows its whole text and the status
// has room for the whole progress of the file, as far as the screen allows;
// never narrows it, so that it does not jump as the status changes.
void CFileTransferDlg::FitTexts() {
    int missing = 0;
    for (QLineEdit* edit : {m_peer, m_location, m_fileName, m_fileSize, m_status}) {
        missing = std::max(missing, MissingWidth(*edit, edit->text()));
    }
    if (m_nFileSize != 0) {
        const QString longest = ProgressText(m_nFileSize, m_nFileSize, RemainingTimeText(LONGEST_EXPECTED_REMAINING));
        missing = std::max(missing, MissingWidth(*m_status, longest));
    }
    if (missing <= 0) {
        return;
    }
    const int frame = frameGeometry().width() - width();
    const int room = screen()->availableGeometry().width() - frame;
    resize(std::max(width(), std::min(width() + missing, room)), height());
}

void CFileTransferDlg::Open() {
    show();
    raise();
    activateWindow();
    OnInitDialog();
}

void CFileTransferDlg::Close() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_info->Cancel();
    platform::DestroyWindowHandle(m_hWnd);
    hide();
    // Later, not here: Close may run inside this window's own handlers.
    deleteLater();
}

bool CFileTransferDlg::IsReceiving() const { return !m_bSend && !m_closed && !(m_worker && m_worker->HasEnded()); }

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
        FitTexts();
        for (QLineEdit* edit : {m_peer, m_location, m_fileName, m_fileSize, m_status}) {
            edit->setCursorPosition(0);
        }
    }
}

// The first choice comes after the window is up, since the file dialogs
// are modal to it.
void CFileTransferDlg::OnInitDialog() {
    m_progress->setRange(0, FULL_PERCENT);
    m_progress->setValue(0);
    m_strPeerText = m_strPeerId;
    Refresh();
    if (m_sendFlow) {
        m_sendFlow->Begin();
    } else {
        m_receiveFlow->Begin();
    }
}

void CFileTransferDlg::OnBrowse() { m_sendFlow->Browse(); }

void CFileTransferDlg::OnSend() { m_sendFlow->Send(); }

// A worker the system gives no thread for ends the transfer as one that
// stopped without a message of its own.
bool CFileTransferDlg::StartWorker(TransferWorker::Procedure procedure) {
    m_worker = std::make_unique<TransferWorker>(procedure, m_info);
    if (!m_worker->Started()) {
        OnEnd(m_bSend ? TE_SEND_CLOSED : TE_RECV_CLOSED);
    }
    return !m_closed;
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
    m_estimate = TransferProgress();
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
        const int percent = static_cast<int>(std::clamp(fraction * FULL_PERCENT, 0.0f, float{FULL_PERCENT}));
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
        m_strStatus = code == TE_SEND_DONE ? SEND_DONE_TEXT : RECEIVE_DONE_TEXT;
        m_progress->setValue(FULL_PERCENT);
        break;
    case TE_SEND_BROKEN:
        ShowMessage(SEND_BROKEN_TEXT);
        Close();
        break;
    case TE_RECV_BROKEN:
        ShowMessage(RECEIVE_BROKEN_TEXT);
        Close();
        break;
    case TE_SEND_CLOSED:
    case TE_RECV_CLOSED:
        Close();
        break;
    case TE_REFUSED:
        m_strStatus = REFUSED_TEXT;
        Refresh();
        ShowMessage(REFUSED_TEXT);
        Close();
        break;
    default:
        break;
    }
    if (m_closed) {
        return;
    }
    if (m_sendFlow) {
        m_sendFlow->Ended();
    }
    Refresh();
}

}  // namespace nimbo
