#pragma once

#include <QTreeView>
#include <vector>

#include "buddies/BuddyRow.h"
#include "buddies/OwningTable.h"
#include "shell/CBuddyListModel.h"

class QMenu;

namespace nimbo {

// The buddy list: a two-column report list without header, one row per
// BuddyRow, each row referring to the group or buddy record it shows. A tap
// on a group header folds or unfolds the group; a tap anywhere else opens the
// buddy commands' popup menu. The rows live in a CBuddyListModel, which the
// view asks only for the rows it shows.
class CBuddyListCtrl : public QTreeView {
    Q_OBJECT

public:
    static constexpr int IMAGE_COUNT = CBuddyListModel::IMAGE_COUNT;

    explicit CBuddyListCtrl(QWidget* parent = nullptr);

    // Rebuilds every row from the tables, keeps the scroll offset, then
    // selects and focuses the first row (nothing is selected when there are
    // no rows). The rows refer to the tables' records until the next refill.
    void Refill(const CGroupTable& groups, const CBuddyTable& buddies);
    void Refill(std::vector<BuddyRow> rows);

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

    // The image of list image index `image` (0..6).
    const QIcon& Image(int image) const { return m_images.at(static_cast<std::size_t>(image)); }

signals:
    // A group was folded or unfolded; the owner refills the list.
    void RefillRequested();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnTap(const QPoint& position);

    CBuddyListModel::Images m_images;
    CBuddyListModel m_model;
    QMenu* m_popupMenu = nullptr;
    QPalette m_signedInPalette;
};

}  // namespace nimbo
