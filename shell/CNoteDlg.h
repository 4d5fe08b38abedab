#pragma once

#include <QString>

#include "shell/CTemplateDialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace nimbo {

// The two note templates: 136 addresses a note to send, 139 shows a note
// received, with a reply button.
enum class NoteTemplate { Send = 136, Receive = 139 };

class CNoteDlg : public CTemplateDialog {
    Q_OBJECT

public:
    static constexpr int IDC_NAME = 1002;
    static constexpr int IDC_TEXT = 1003;

    explicit CNoteDlg(NoteTemplate which, QWidget* parent = nullptr);

    NoteTemplate Template() const { return m_template; }

    // Shows, under the note, that an earlier attempt to send it failed and
    // `reason`; the dialog grows to make room.
    void ShowNotSentNotice(const QString& reason);

    QString m_strName;  // recipient (send) or sender (receive)
    QString m_strText;

protected:
    void DoDataExchange(DataDirection direction) override;

private:
    NoteTemplate m_template;
    QLabel* m_name;
    QPlainTextEdit* m_text;
    QLabel* m_notice;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace nimbo
