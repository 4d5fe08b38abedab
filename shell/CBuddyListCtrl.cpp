#include "shell/CBuddyListCtrl.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include "buddies/BuddyRowBuilder.h"
#include "shell/RowIndentDelegate.h"

namespace nimbo {

namespace {

// By list image index: 0 collapsed group, 1 expanded group, then presence.
constexpr const char* IMAGE_FILES[CBuddyListCtrl::IMAGE_COUNT] = {
    ":/icons/group-collapsed.png", ":/icons/group-expanded.png", ":/icons/status-online.png",
    ":/icons/status-offline.png",  ":/icons/status-food.png",    ":/icons/status-absence.png",
    ":/icons/status-busy.png",
};

constexpr int NAME_COLUMN_WIDTH = 180;
constexpr int MESSAGE_COLUMN_WIDTH = 300;

}  // namespace

CBuddyListCtrl::CBuddyListCtrl(QWidget* parent) : QTableView(parent), m_model(m_images) {
    for (int i = 0; i < IMAGE_COUNT; ++i) {
        m_images.at(static_cast<std::size_t>(i)) = QIcon(QString::fromLatin1(IMAGE_FILES[i]));
    }
    // Headers hidden before the model comes never measure their sections,
    // whose bold font the list would otherwise load for nothing.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setModel(&m_model);
    horizontalHeader()->setStretchLastSection(false);
    setColumnWidth(0, NAME_COLUMN_WIDTH);
    setColumnWidth(1, MESSAGE_COLUMN_WIDTH);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setIconSize(QSize(16, 16));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(RowHeight());
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setItemDelegate(new RowIndentDelegate(this));
    m_signedInPalette = palette();
}

// The height of a row with an image and a line of text, as the style sizes
// a view item.
int CBuddyListCtrl::RowHeight() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.text = QStringLiteral("Ag가");
    option.decorationSize = iconSize();
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height();
}

// Rows follow the height of the font and style they are drawn in.
void CBuddyListCtrl::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        verticalHeader()->setDefaultSectionSize(RowHeight());
    }
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
    const int topRow = verticalScrollBar()->value();
    m_model.SetRows(std::move(rows));

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
    QTableView::mouseReleaseEvent(event);
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
