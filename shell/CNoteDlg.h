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

// A note dialog. Both templates may be made larger than the template, the
// note wrapping at the window's width; Ctrl+Enter presses the default
// button. A received note also shows when it arrived, on a line of its own
// under the sender.
class CNoteDlg : public CTemplateDialog {
    Q_OBJECT

public:
    static constexpr int IDC_NAME = 1002;
    static constexpr int IDC_TEXT = 1003;
    static constexpr int IDC_TIME = 1014;

    explicit CNoteDlg(NoteTemplate which, QWidget* parent = nullptr);

    NoteTemplate Template() const { return m_template; }

    // Shows, under the note, that an earlier attempt to send it failed and
    // `reason`; the dialog grows to make room.
    void ShowNotSentNotice(const QString& reason);

    QString m_strName;  // recipient (send) or sender (receive)
    QString m_strText;
    QString m_strTime;  // receive: when the note arrived

protected:
    void DoDataExchange(DataDirection direction) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    NoteTemplate m_template;
    int m_buttonTop;
    QLabel* m_name;
    QLabel* m_time = nullptr;
    QPlainTextEdit* m_text;
    QLabel* m_notice;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace nimbo
