#include "shell/CFileSendThread.h"

#include <QString>

#include "shell/CFileTransferDlg.h"
#include "shell/TransferFormat.h"

namespace nimbo {

CFileTransferDlg* CFileSendThread::InitInstance(const TransferServices& services) const {
    auto* dialog = new CFileTransferDlg(m_bSend ? TransferMode::Send : TransferMode::Receive, services);
    dialog->m_strPeerId = QString::fromStdU16String(m_strPeerId);
    if (m_bSend) {
        dialog->m_strLocation = QString::fromStdU16String(m_strFile);
        dialog->m_strFileName = FileNamePart(dialog->m_strLocation);
    } else {
        dialog->m_strAddress = QString::fromStdU16String(m_strPeerAddress);
        dialog->m_nPort = m_nPort;
        dialog->m_strFileName = QString::fromStdU16String(m_strFile);
        dialog->m_nFileSize = m_nFileSize;
    }
    dialog->Open();
    return dialog;
}

}  // namespace nimbo
