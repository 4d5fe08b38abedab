#include "shell/CLoginDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace nimbo {

CLoginDlg::CLoginDlg(QWidget* parent)
    : CTemplateDialog(QStringLiteral("로그인"), 125, 73, DialogUnits::TemplateFont(QStringLiteral("System"), 8),
                      parent) {
    AddStatic(QStringLiteral("ID : "), 0, 7, 7, 15, 8);

    // The template's 30 units include the dropped-down list; closed, the box
    // is as tall as its edit field.
    m_userId = Place(new QComboBox, IDC_USER_ID, 45, 7, 73, 30);
    m_userId->setEditable(true);
    m_userId->setInsertPolicy(QComboBox::NoInsert);
    m_userId->resize(m_userId->width(), qMin(m_userId->height(), m_userId->sizeHint().height()));
    m_userId->setAccessibleName(QStringLiteral("ID"));
    m_userId->setAccessibleDescription(QStringLiteral("로그인할 사용자 ID"));

    AddStatic(QStringLiteral("Password : "), 0, 7, 31, 38, 8);
    m_password = Place(new QLineEdit, IDC_PASSWORD, 45, 28, 73, 14);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setAccessibleName(QStringLiteral("Password"));
    m_password->setAccessibleDescription(QStringLiteral("로그인 암호"));

    AddButton(QStringLiteral("OK"), IDOK, 7, 52, 50, 14)->setDefault(true);
    AddButton(QStringLiteral("Cancel"), IDCANCEL, 68, 52, 50, 14);
}

void CLoginDlg::DoDataExchange(DataDirection direction) {
    ExchangeText(direction, m_userId, m_strUserId);
    ExchangeText(direction, m_password, m_strPassword);
}

}  // namespace nimbo
