#pragma once

#include <QString>

#include "shell/CTemplateDialog.h"

class QComboBox;
class QLineEdit;

namespace nimbo {

// Template 135: asks for the user ID and the password.
class CLoginDlg : public CTemplateDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 135;
    static constexpr int IDC_USER_ID = 1000;
    static constexpr int IDC_PASSWORD = 1001;

    explicit CLoginDlg(QWidget* parent = nullptr);

    QString m_strUserId;
    QString m_strPassword;

protected:
    void DoDataExchange(DataDirection direction) override;

private:
    QComboBox* m_userId;
    QLineEdit* m_password;
};

}  // namespace nimbo
