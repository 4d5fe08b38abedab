#include "shell/CTemplateDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

namespace nimbo {

CTemplateDialog::CTemplateDialog(const QString& title, int cx, int cy, const QFont& font, QWidget* parent)
    : QDialog(parent), m_units(font) {
    setWindowTitle(title);
    setFont(font);
    ResizeTemplate(cx, cy);
}

int CTemplateDialog::DoModal() {
    DoDataExchange(DataDirection::ToControls);
    FocusFirstTabStop();
    return exec();
}

QWidget* CTemplateDialog::Control(int id) const {
    return m_controls.value(id, nullptr);
}

void CTemplateDialog::accept() {
    DoDataExchange(DataDirection::FromControls);
    QDialog::accept();
}

void CTemplateDialog::PlaceWidget(QWidget* control, int id, int x, int y, int cx, int cy) {
    control->setParent(this);
    control->setGeometry(m_units.Rect(x, y, cx, cy));
    m_placements.push_back({control, QRect(x, y, cx, cy), 0});
    if (id != 0) {
        m_controls.insert(id, control);
    }
}

void CTemplateDialog::MoveControl(QWidget* control, int x, int y, int cx, int cy) {
    const auto placed = std::find_if(m_placements.begin(), m_placements.end(),
                                     [control](const Placement& placement) { return placement.control == control; });
    if (placed != m_placements.end()) {
        placed->rect = QRect(x, y, cx, cy);
    }
    control->setGeometry(m_units.Rect(x, y, cx, cy));
    LayOutAnchored();
}

void CTemplateDialog::SetAnchors(QWidget* control, unsigned anchors) {
    for (Placement& placement : m_placements) {
        if (placement.control == control) {
            placement.anchors = anchors;
        }
    }
    LayOutAnchored();
}

void CTemplateDialog::AllowResize() {
    m_resizable = true;
    setSizeGripEnabled(true);
    ResizeTemplate(m_templateSize.width(), m_templateSize.height());
}

void CTemplateDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOutAnchored();
}

// Anchored controls keep their template rectangle, widened, heightened or
// moved down or right by as much as the dialog has grown past its template
// size.
void CTemplateDialog::LayOutAnchored() {
    const QSize growth = size() - m_units.Size(m_templateSize.width(), m_templateSize.height());
    const int dx = std::max(growth.width(), 0);
    const int dy = std::max(growth.height(), 0);
    for (const Placement& placement : m_placements) {
        if (placement.anchors == 0) {
            continue;
        }
        const QRect& r = placement.rect;
        QRect shown = m_units.Rect(r.x(), r.y(), r.width(), r.height());
        if (placement.anchors & GROW_WIDTH) {
            shown.setWidth(shown.width() + dx);
        }
        if (placement.anchors & GROW_HEIGHT) {
            shown.setHeight(shown.height() + dy);
        }
        if (placement.anchors & FOLLOW_BOTTOM) {
            shown.translate(0, dy);
        }
        if (placement.anchors & FOLLOW_RIGHT) {
            shown.translate(dx, 0);
        }
        placement.control->setGeometry(shown);
    }
}

QLabel* CTemplateDialog::AddStatic(const QString& text, int id, int x, int y, int cx, int cy) {
    auto* label = Place(new QLabel(text), id, x, y, cx, cy);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* CTemplateDialog::AddButton(const QString& text, int id, int x, int y, int cx, int cy) {
    auto* button = Place(new QPushButton(text), id, x, y, cx, cy);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, id] {
        if (id == IDOK) {
            accept();
        } else if (id == IDCANCEL) {
            reject();
        }
    });
    return button;
}

void CTemplateDialog::ResizeTemplate(int cx, int cy) {
    m_templateSize = QSize(cx, cy);
    const QSize size = m_units.Size(cx, cy);
    if (!m_resizable) {
        setFixedSize(size);
        return;
    }
    setMinimumSize(size);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(this->size().expandedTo(size));
    LayOutAnchored();
}

// The first control in tab order that takes the keyboard focus gets it, as a
// template dialog gives it to its first tab stop.
void CTemplateDialog::FocusFirstTabStop() {
    for (QWidget* widget = nextInFocusChain(); widget != this; widget = widget->nextInFocusChain()) {
        if (widget->isEnabled() && !widget->isHidden() && (widget->focusPolicy() & Qt::TabFocus)) {
            widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void CTemplateDialog::ExchangeText(DataDirection direction, QLineEdit* control, QString& field) {
    if (direction == DataDirection::ToControls) {
        control->setText(field);
    } else {
        field = control->text();
    }
}

void CTemplateDialog::ExchangeText(DataDirection direction, QComboBox* control, QString& field) {
    if (direction == DataDirection::ToControls) {
        control->setEditText(field);
    } else {
        field = control->currentText();
    }
}

// A multi-line field holds its line breaks as CR LF, the form in which notes
// travel between clients; the edit control itself works with bare LF.
void CTemplateDialog::ExchangeText(DataDirection direction, QPlainTextEdit* control, QString& field) {
    if (direction == DataDirection::ToControls) {
        QString text = field;
        control->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } else {
        field = control->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
    }
}

void CTemplateDialog::ExchangeText(DataDirection direction, QLabel* control, QString& field) {
    if (direction == DataDirection::ToControls) {
        control->setText(field);
    } else {
        field = control->text();
    }
}

}  // namespace nimbo
