#include "shell/StatusMessageDlg.h"

#include <QLineEdit>
#include <QPushButton>

namespace nimbo {

StatusMessageDlg::StatusMessageDlg(QWidget* parent)
    : CTemplateDialog(QStringLiteral("상태 메시지"), 125, 62, DialogUnits::TemplateFont(QStringLiteral("System"), 8),
                      parent) {
    AddStatic(QStringLiteral("친구들에게 보일 상태 메시지 : "), 0, 7, 7, 111, 8);
    m_message = Place(new QLineEdit, IDC_MESSAGE, 7, 19, 111, 14);
    m_message->setAccessibleName(QStringLiteral("상태 메시지"));
    m_message->setAccessibleDescription(QStringLiteral("친구 목록에서 내 이름 옆에 보일 글"));
    AddButton(QStringLiteral("확인"), IDOK, 7, 41, 50, 14)->setDefault(true);
    AddButton(QStringLiteral("취소"), IDCANCEL, 68, 41, 50, 14);
}

void StatusMessageDlg::DoDataExchange(DataDirection direction) {
    ExchangeText(direction, m_message, m_strMessage);
}

}  // namespace nimbo
