#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <vector>

#include "shell/DialogUnits.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace nimbo {

enum class DataDirection { ToControls, FromControls };

// A modal dialog laid out from a dialog template: a title, a client size and
// control positions in dialog units, and a font. Its fields are exchanged
// with the controls as the template's dialogs do: copied in when the dialog
// opens, copied out when it is left with OK.
class CTemplateDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    // How a control of a resizable dialog follows the dialog's growth past
    // its template size; combined with |. Controls without one stay put.
    enum ControlAnchor : unsigned { GROW_WIDTH = 1, GROW_HEIGHT = 2, FOLLOW_BOTTOM = 4, FOLLOW_RIGHT = 8 };

    // Copies the fields into the controls and runs the dialog; returns
    // QDialog::Accepted when it was left with OK.
    int DoModal();

    // The control with template identifier `id`, or nullptr.
    QWidget* Control(int id) const;

    const DialogUnits& Units() const { return m_units; }

    void accept() override;

protected:
    CTemplateDialog(const QString& title, int cx, int cy, const QFont& font, QWidget* parent);

    virtual void DoDataExchange(DataDirection direction) = 0;

    // Places `control` at the template rectangle and registers it under `id`
    // (0 for controls without an identifier). Returns `control`.
    template <class Widget>
    Widget* Place(Widget* control, int id, int x, int y, int cx, int cy) {
        PlaceWidget(control, id, x, y, cx, cy);
        return control;
    }

    QLabel* AddStatic(const QString& text, int id, int x, int y, int cx, int cy);
    QPushButton* AddButton(const QString& text, int id, int x, int y, int cx, int cy);
    // The template's client size; a resizable dialog takes it as its minimum.
    void ResizeTemplate(int cx, int cy);
    // Moves a placed control to another template rectangle.
    void MoveControl(QWidget* control, int x, int y, int cx, int cy);

    // Lets the user make the dialog larger than its template, never smaller.
    void AllowResize();
    // `anchors` (ControlAnchor values) for a placed control.
    void SetAnchors(QWidget* control, unsigned anchors);

    void resizeEvent(QResizeEvent* event) override;

    static void ExchangeText(DataDirection direction, QLineEdit* control, QString& field);
    static void ExchangeText(DataDirection direction, QComboBox* control, QString& field);
    static void ExchangeText(DataDirection direction, QPlainTextEdit* control, QString& field);
    static void ExchangeText(DataDirection direction, QLabel* control, QString& field);

private:
    void PlaceWidget(QWidget* control, int id, int x, int y, int cx, int cy);
    void FocusFirstTabStop();
    void LayOutAnchored();

    // Where a control sits in the template, in dialog units.
    struct Placement {
        QWidget* control;
        QRect rect;
        unsigned anchors;
    };

    DialogUnits m_units;
    QHash<int, QWidget*> m_controls;
    std::vector<Placement> m_placements;
    QSize m_templateSize;
    bool m_resizable = false;
};

}  // namespace nimbo
