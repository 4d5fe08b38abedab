#pragma once

#include <QPoint>
#include <QStringList>
#include <QTableView>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "buddies/BuddyRow.h"
#include "buddies/BuddyTable.h"
#include "buddies/OwningTable.h"
#include "shell/BuddyListModel.h"

class QMenu;

namespace nimbo {

// The buddy list: a two-column report list without header, one row per
// BuddyRow, each row referring to the group or buddy record it shows. A tap
// on a group header folds or unfolds the group; a tap anywhere else opens the
// buddy commands' popup menu, once it is clear that the tap is no double
// click. A double click or Enter on a buddy asks for a note to it; the
// right button, the menu key and Shift+F10 open the popup menu at once; Enter,
// Right and Left fold and unfold a group from the keyboard. Files dragged
// onto a buddy are offered to send to it. The name column takes at most half
// the width, the status messages the rest. The rows live in a
// BuddyListModel, which the view asks only for the rows it shows. The rows
// are flat and of one height, so a table view shows them: unlike a tree view
// it never lays out the rows off screen, which costs as much as painting the
// visible ones for a long list.
class CBuddyListCtrl : public QTableView {
    Q_OBJECT

public:
    static constexpr int IMAGE_COUNT = BuddyListModel::IMAGE_COUNT;
    static constexpr int KEPT_MARGIN = 100;

    explicit CBuddyListCtrl(QWidget* parent = nullptr);

    // Rebuilds every row from the tables, keeps the scroll offset, then
    // selects and focuses the first row (nothing is selected when there are
    // no rows). The rows refer to the tables' records until the next refill.
    void Refill(const CGroupTable& groups, const BuddyTable& buddies);
    void Refill(std::vector<BuddyRow> rows);
    // Shows the rows in sight as they are until the next Refill, while the
    // records they refer to change or go (see BuddyListModel::KeepShown).
    // User input waits meanwhile, so the list cannot scroll; a page above
    // and below, and at least KEPT_MARGIN rows, cover a window resized
    // meanwhile, and keeping no more keeps a long list's refresh cheap.
    void KeepShown();

    // Greys the rows while nobody is signed in, so that the list reads as
    // out of date at a glance.
    void SetSignedOut(bool signedOut);

    // The menu a tap outside a group header opens; not owned.
    void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }

    int RowCount() const { return m_model.rowCount(); }
    // The row of the first selected item, valid until the next Refill;
    // nullptr when nothing is selected.
    const BuddyRow* SelectedRow() const;
    // The row shown at `index`, or nullptr.
    const BuddyRow* RowAt(int index) const { return m_model.RowAt(index); }
    // The model index of row `row`, column `column`.
    QModelIndex IndexOf(int row, int column = 0) const { return m_model.index(row, column); }

    // The image of list image index `image` (0..6), read when first asked
    // for: a list that shows no rows, as at start, reads none.
    const QIcon& Image(int image) const;

signals:
    // A group was folded or unfolded; the owner refills the list.
    void RefillRequested();
    // A double click or Enter on the selected buddy row.
    void SendNoteRequested();
    // Local files were dropped on the row of buddy `peerId`, which is now
    // the selected row.
    void FilesDropped(const std::u16string& peerId, const QStringList& paths);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int RowHeight() const;
    void OnTap(const QPoint& position);
    void Popup(const QPoint& globalPosition);
    // From the keyboard: under the selected row, else at the list's corner.
    void PopupUnderSelection();
    void ToggleFromKeyboard(const BuddyRow& row);
    void SelectRow(int row);
    // The buddy row under `position` of the viewport, or nullptr.
    const BuddyRow* BuddyRowAt(const QPoint& position) const;

    mutable std::array<QIcon, IMAGE_COUNT> m_images;
    BuddyListModel m_model;
    QMenu* m_popupMenu = nullptr;
    QPalette m_signedInPalette;
    QTimer m_tapPopup;  // a single tap's popup waits out a double click
    QPoint m_tapAt;     // where that tap was, in global coordinates
    bool m_doubleClicked = false;
    int m_rowBeforeDrag = -1;
};

}  // namespace nimbo
