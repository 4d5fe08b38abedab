#pragma once

#include <QString>

#include "shell/CTemplateDialog.h"

class QLabel;

namespace nimbo {

// Template 100: the application's name and version, a short notice, and the
// user ID and address this device signs in with.
class CAboutDlg : public CTemplateDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 100;
    static constexpr int IDC_USER_ID = 1004;
    static constexpr int IDC_ADDRESS = 1005;
    static constexpr int IDC_ICON = 128;

    CAboutDlg(const QString& userId, const QString& address, QWidget* parent = nullptr);

    QString m_strAddress;
    QString m_strUserId;

protected:
    void DoDataExchange(DataDirection direction) override;

private:
    QLabel* m_address;
    QLabel* m_userId;
};

}  // namespace nimbo
