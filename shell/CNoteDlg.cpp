#include "shell/CNoteDlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>

namespace nimbo {

namespace {

constexpr int TEMPLATE_WIDTH = 125;
constexpr int TEMPLATE_HEIGHT = 101;
constexpr int BUTTON_TOP = 80;
constexpr int NOTICE_HEIGHT = 38;  // the lines a failure notice adds
constexpr int NOTICE_TEXT_HEIGHT = 34;
constexpr int TIME_HEIGHT = 10;  // the line a received note's time adds

}  // namespace

CNoteDlg::CNoteDlg(NoteTemplate which, QWidget* parent)
    : CTemplateDialog(which == NoteTemplate::Send ? QStringLiteral("쪽지 보내기") : QStringLiteral("쪽지 받기"),
                      TEMPLATE_WIDTH, TEMPLATE_HEIGHT, DialogUnits::TemplateFont(QStringLiteral("System"), 8),
                      parent),
      m_template(which) {
    const bool sending = which == NoteTemplate::Send;
    const int shift = sending ? 0 : TIME_HEIGHT;
    m_buttonTop = BUTTON_TOP + shift;
    AddStatic(sending ? QStringLiteral("받는이 : ") : QStringLiteral("보낸이 : "), 0, 7, 7, 32, 8);
    m_name = AddStatic(QString(), IDC_NAME, 42, 7, 76, 8);
    m_name->setAccessibleDescription(sending ? QStringLiteral("받는 사람") : QStringLiteral("보낸 사람"));
    if (!sending) {
        m_time = AddStatic(QString(), IDC_TIME, 42, 7 + TIME_HEIGHT, 76, 8);
        m_time->setAccessibleDescription(QStringLiteral("받은 시각"));
    }

    // Enter starts a new line; long lines wrap at the window's width.
    m_text = Place(new QPlainTextEdit, IDC_TEXT, 7, 23 + shift, 111, 48);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setTabChangesFocus(true);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setAccessibleName(QStringLiteral("쪽지 내용"));
    m_text->setAccessibleDescription(sending ? QStringLiteral("보낼 쪽지. Ctrl+Enter를 누르면 보냅니다.")
                                             : QStringLiteral("받은 쪽지. Ctrl+Enter를 누르면 답장합니다."));

    m_notice = AddStatic(QString(), 0, 7, m_buttonTop - 3, 111, NOTICE_TEXT_HEIGHT);
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = m_notice->palette();
    palette.setColor(QPalette::WindowText, QColor(0xB0, 0x20, 0x20));
    m_notice->setPalette(palette);
    m_notice->hide();

    m_ok = AddButton(sending ? QStringLiteral("보내기") : QStringLiteral("답장"), IDOK, 7, m_buttonTop, 50, 14);
    m_ok->setDefault(true);
    m_cancel = AddButton(sending ? QStringLiteral("취소") : QStringLiteral("닫기"), IDCANCEL, 68, m_buttonTop, 50, 14);

    m_text->installEventFilter(this);

    ResizeTemplate(TEMPLATE_WIDTH, TEMPLATE_HEIGHT + shift);
    AllowResize();
    SetAnchors(m_name, GROW_WIDTH);
    if (m_time != nullptr) {
        SetAnchors(m_time, GROW_WIDTH);
    }
    SetAnchors(m_text, GROW_WIDTH | GROW_HEIGHT);
    SetAnchors(m_notice, GROW_WIDTH | FOLLOW_BOTTOM);
    SetAnchors(m_ok, FOLLOW_BOTTOM);
    SetAnchors(m_cancel, FOLLOW_BOTTOM);
}

void CNoteDlg::ShowNotSentNotice(const QString& reason) {
    m_notice->setText(QStringLiteral("쪽지를 보내지 못했습니다. ") + reason);
    m_notice->setToolTip(reason);
    if (!m_notice->isHidden()) {
        return;
    }
    m_notice->show();
    MoveControl(m_ok, 7, m_buttonTop + NOTICE_HEIGHT, 50, 14);
    MoveControl(m_cancel, 68, m_buttonTop + NOTICE_HEIGHT, 50, 14);
    ResizeTemplate(TEMPLATE_WIDTH, TEMPLATE_HEIGHT + (m_buttonTop - BUTTON_TOP) + NOTICE_HEIGHT);
}

// Ctrl with either Enter key reaches the note first, which would take it as
// a line break.
bool CNoteDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers().testFlag(Qt::ControlModifier)) {
            m_ok->click();
            return true;
        }
    }
    return CTemplateDialog::eventFilter(watched, event);
}

void CNoteDlg::DoDataExchange(DataDirection direction) {
    ExchangeText(direction, m_name, m_strName);
    ExchangeText(direction, m_text, m_strText);
    if (m_time != nullptr) {
        ExchangeText(direction, m_time, m_strTime);
    }
}

}  // namespace nimbo
