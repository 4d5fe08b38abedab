#pragma once

#include <QString>

#include "shell/CTemplateDialog.h"

class QLineEdit;

namespace nimbo {

// Asks for the status message that buddies see beside the own name.
class StatusMessageDlg : public CTemplateDialog {
    Q_OBJECT

public:
    static constexpr int IDC_MESSAGE = 1006;

    explicit StatusMessageDlg(QWidget* parent = nullptr);

    QString m_strMessage;

protected:
    void DoDataExchange(DataDirection direction) override;

private:
    QLineEdit* m_message;
};

}  // namespace nimbo
