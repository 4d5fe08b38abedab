#pragma once

#include <QDialog>
#include <QHash>
#include <QString>

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
    void ResizeTemplate(int cx, int cy);

    static void ExchangeText(DataDirection direction, QLineEdit* control, QString& field);
    static void ExchangeText(DataDirection direction, QComboBox* control, QString& field);
    static void ExchangeText(DataDirection direction, QPlainTextEdit* control, QString& field);
    static void ExchangeText(DataDirection direction, QLabel* control, QString& field);

private:
    void PlaceWidget(QWidget* control, int id, int x, int y, int cx, int cy);
    void FocusFirstTabStop();

    DialogUnits m_units;
    QHash<int, QWidget*> m_controls;
};

}  // namespace nimbo
