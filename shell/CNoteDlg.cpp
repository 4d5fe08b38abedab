#include "shell/CNoteDlg.h"

#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>

namespace nimbo {

namespace {

constexpr int BUTTON_TOP = 80;
constexpr int NOTICE_HEIGHT = 38;  // the lines a failure notice adds
constexpr int NOTICE_TEXT_HEIGHT = 34;

}  // namespace

CNoteDlg::CNoteDlg(NoteTemplate which, QWidget* parent)
    : CTemplateDialog(which == NoteTemplate::Send ? QStringLiteral("쪽지 보내기") : QStringLiteral("쪽지 받기"), 125,
                      101, DialogUnits::TemplateFont(QStringLiteral("System"), 8), parent),
      m_template(which) {
    const bool sending = which == NoteTemplate::Send;
    AddStatic(sending ? QStringLiteral("받는이 : ") : QStringLiteral("보낸이 : "), 0, 7, 7, 32, 8);
    m_name = AddStatic(QString(), IDC_NAME, 42, 7, 76, 8);

    // Enter starts a new line; lines scroll sideways instead of wrapping.
    m_text = Place(new QPlainTextEdit, IDC_TEXT, 7, 23, 111, 48);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setTabChangesFocus(true);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_notice = AddStatic(QString(), 0, 7, BUTTON_TOP - 3, 111, NOTICE_TEXT_HEIGHT);
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = m_notice->palette();
    palette.setColor(QPalette::WindowText, QColor(0xB0, 0x20, 0x20));
    m_notice->setPalette(palette);
    m_notice->hide();

    m_ok = AddButton(sending ? QStringLiteral("보내기") : QStringLiteral("답장"), IDOK, 7, BUTTON_TOP, 50, 14);
    m_ok->setDefault(true);
    m_cancel = AddButton(sending ? QStringLiteral("취소") : QStringLiteral("닫기"), IDCANCEL, 68, BUTTON_TOP, 50, 14);
}

void CNoteDlg::ShowNotSentNotice(const QString& reason) {
    m_notice->setText(QStringLiteral("쪽지를 보내지 못했습니다. ") + reason);
    m_notice->setToolTip(reason);
    if (!m_notice->isHidden()) {
        return;
    }
    m_notice->show();
    m_ok->setGeometry(Units().Rect(7, BUTTON_TOP + NOTICE_HEIGHT, 50, 14));
    m_cancel->setGeometry(Units().Rect(68, BUTTON_TOP + NOTICE_HEIGHT, 50, 14));
    ResizeTemplate(125, 101 + NOTICE_HEIGHT);
}

void CNoteDlg::DoDataExchange(DataDirection direction) {
    ExchangeText(direction, m_name, m_strName);
    ExchangeText(direction, m_text, m_strText);
}

}  // namespace nimbo
