#include "shell/FileReceiveFlow.h"

#include <QFileInfo>
#include <limits>

#include "platform/MessageBox.h"
#include "shell/CFileTransferDlg.h"
#include "shell/TransferSharedState.h"
#include "shell/IFileChooser.h"
#include "shell/TransferFormat.h"
#include "transfer/FileReceiver.h"
#include "transfer/SafeFileName.h"

namespace nimbo {

namespace {

const QString REPLACE_QUESTION = QStringLiteral("%1 파일이 이미 있습니다.\n바꾸시겠습니까?");
const QString RESUME_QUESTION = QStringLiteral(
    "%1 파일이 이미 있습니다.\n받다가 중단된 파일이면 이어서 받을 수 있습니다.\n\n"
    "이어서 받으시겠습니까?\n(아니요: 처음부터 다시 받기)");

platform::MessageBoxResult Ask(const QString& text, platform::MessageBoxButtons buttons) {
    return platform::ShowMessageBox(text.toStdU16String(), buttons);
}

}  // namespace

FileReceiveFlow::FileReceiveFlow(CFileTransferDlg& window, IFileChooser& chooser)
    : m_window(window), m_chooser(chooser) {}

void FileReceiveFlow::Begin() {
    TransferInfo& info = m_window.Info();
    info.hWndNotify = m_window.GetSafeHwnd();
    info.strPeerAddress = m_window.m_strAddress.toStdU16String();
    info.nPort = m_window.m_nPort;
    ChooseTarget();
}

void FileReceiveFlow::ChooseTarget() {
    const QString initial = TransferSharedState::Instance().LastReceiveFolder() +
                            QString::fromStdU16String(SafeFileName(m_window.m_strFileName.toStdU16String()));
    m_chooser.ChooseFileToSave(&m_window, initial, [this](const QString& path) { OnTargetChosen(path); });
}

void FileReceiveFlow::OnTargetChosen(const QString& path) {
    if (m_window.IsClosed()) {
        return;
    }
    if (path.isEmpty()) {
        m_window.Close();
        return;
    }
    const std::optional<std::int32_t> offset = AskStartOffset(path);
    if (m_window.IsClosed()) {
        return;
    }
    if (offset) {
        StartReceiving(path, *offset);
    } else {
        ChooseTarget();
    }
}

// A target shorter than the offer may be what an earlier, broken receive
// left. Nullopt: the user wants to choose another target.
std::optional<std::int32_t> FileReceiveFlow::AskStartOffset(const QString& path) const {
    const QFileInfo target(path);
    if (!target.exists()) {
        return 0;
    }
    const qint64 length = target.size();
    if (length > 0 && length < static_cast<qint64>(m_window.m_nFileSize) &&
        length <= std::numeric_limits<std::int32_t>::max()) {
        switch (Ask(RESUME_QUESTION.arg(target.fileName()), platform::MessageBoxButtons::YesNoCancel)) {
        case platform::MessageBoxResult::Yes:
            return static_cast<std::int32_t>(length);
        case platform::MessageBoxResult::No:
            return 0;
        default:
            return std::nullopt;
        }
    }
    if (Ask(REPLACE_QUESTION.arg(target.fileName()), platform::MessageBoxButtons::YesNo) ==
        platform::MessageBoxResult::Yes) {
        return 0;
    }
    return std::nullopt;
}

void FileReceiveFlow::StartReceiving(const QString& path, std::int32_t offset) {
    m_window.m_strLocation = path;
    m_window.m_strFileName = FileNamePart(path);
    TransferSharedState::Instance().SetLastReceiveFolder(FolderPart(path));
    TransferInfo& info = m_window.Info();
    info.strFilePath = path.toStdU16String();
    info.nFileSize = m_window.m_nFileSize;
    info.targetUse = offset > 0 ? TargetUse::Continue : TargetUse::Replace;
    info.nStartOffset = offset;
    m_window.m_strSizeText = FileSizeText(m_window.m_nFileSize);
    if (m_window.StartWorker(FileRecvProc)) {
        m_window.Refresh();
    }
}

}  // namespace nimbo
