#include "shell/CBuddyListCtrl.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include "buddies/BuddyRowBuilder.h"
#include "shell/CRowIndentDelegate.h"
#include "shell/ScalableIcon.h"

namespace nimbo {

namespace {

// By list image index: 0 collapsed group, 1 expanded group, then presence.
constexpr const char* kImageNames[CBuddyListCtrl::IMAGE_COUNT] = {
    "group-collapsed", "group-expanded", "status-online", "status-offline",
    "status-food",     "status-absence", "status-busy",
};

constexpr int kNameColumnWidth = 180;
constexpr int kMessageColumnWidth = 300;

}  // namespace

CBuddyListCtrl::CBuddyListCtrl(QWidget* parent) : QTreeView(parent), m_model(m_images) {
    for (int i = 0; i < IMAGE_COUNT; ++i) {
        m_images.at(static_cast<std::size_t>(i)) = ScalableIcon(QString::fromLatin1(kImageNames[i]));
    }
    setModel(&m_model);
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    setColumnWidth(0, kNameColumnWidth);
    setColumnWidth(1, kMessageColumnWidth);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setIconSize(QSize(16, 16));
    setItemDelegate(new CRowIndentDelegate(this));
    m_signedInPalette = palette();
}

void CBuddyListCtrl::SetSignedOut(bool signedOut) {
    QPalette shown = m_signedInPalette;
    if (signedOut) {
        shown.setColor(QPalette::Text, shown.color(QPalette::Disabled, QPalette::Text));
    }
    setPalette(shown);
}

void CBuddyListCtrl::Refill(const CGroupTable& groups, const CBuddyTable& buddies) {
    Refill(BuildBuddyRows(groups, buddies));
}

void CBuddyListCtrl::Refill(std::vector<BuddyRow> rows) {
    setUpdatesEnabled(false);
    const int topRow = verticalScrollBar()->value();
    m_model.SetRows(std::move(rows));
    setUpdatesEnabled(true);

    // Making row 0 current scrolls it into view, so the offset is restored
    // afterwards, once the new rows are laid out.
    if (m_model.rowCount() > 0) {
        selectionModel()->setCurrentIndex(m_model.index(0, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(topRow);
}

const BuddyRow* CBuddyListCtrl::SelectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? nullptr : RowAt(selected.first().row());
}

void CBuddyListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        OnTap(event->position().toPoint());
    }
}

// A tap selects the row under it; a tap beside every row leaves none
// selected, so the buddy commands then find no recipient.
void CBuddyListCtrl::OnTap(const QPoint& position) {
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) {
        clearSelection();
    }
    const BuddyRow* row = RowAt(index.isValid() ? index.row() : -1);
    if (row != nullptr && ToggleGroupRow(*row)) {
        emit RefillRequested();
    } else if (m_popupMenu != nullptr) {
        m_popupMenu->popup(viewport()->mapToGlobal(position));
    }
}

}  // namespace nimbo
