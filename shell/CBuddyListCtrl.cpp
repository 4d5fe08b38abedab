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
constexpr int kRowIndexRole = Qt::UserRole;

}  // namespace

CBuddyListCtrl::CBuddyListCtrl(QWidget* parent) : QTreeWidget(parent) {
    for (int i = 0; i < IMAGE_COUNT; ++i) {
        m_images.at(static_cast<std::size_t>(i)) = ScalableIcon(QString::fromLatin1(kImageNames[i]));
    }
    setColumnCount(2);
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

QTreeWidgetItem* CBuddyListCtrl::MakeItem(const BuddyRow& row, int index) const {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdU16String(row.text));
    item->setText(1, QString::fromStdU16String(row.message));
    if (row.image >= 0 && row.image < IMAGE_COUNT) {
        item->setIcon(0, Image(row.image));
    }
    item->setData(0, kRowIndexRole, index);
    item->setData(0, CRowIndentDelegate::INDENT_ROLE, row.indent);
    return item;
}

void CBuddyListCtrl::Refill(const CGroupTable& groups, const CBuddyTable& buddies) {
    Refill(BuildBuddyRows(groups, buddies));
}

void CBuddyListCtrl::Refill(std::vector<BuddyRow> rows) {
    setUpdatesEnabled(false);
    const int topRow = verticalScrollBar()->value();

    clear();
    m_rows = std::move(rows);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(m_rows.size()));
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        items.append(MakeItem(m_rows[i], static_cast<int>(i)));
    }
    addTopLevelItems(items);
    setUpdatesEnabled(true);

    // Making row 0 current scrolls it into view, so the offset is restored
    // afterwards, once the new rows are laid out.
    if (!items.isEmpty()) {
        setCurrentItem(items.first(), 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(topRow);
}

const BuddyRow* CBuddyListCtrl::RowAt(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_rows.size() ? &m_rows[static_cast<std::size_t>(index)]
                                                                           : nullptr;
}

const BuddyRow* CBuddyListCtrl::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : RowAt(selected.first()->data(0, kRowIndexRole).toInt());
}

void CBuddyListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        OnTap(event->position().toPoint());
    }
}

// A tap selects the row under it; a tap beside every row leaves none
// selected, so the buddy commands then find no recipient.
void CBuddyListCtrl::OnTap(const QPoint& position) {
    QTreeWidgetItem* item = itemAt(position);
    if (item == nullptr) {
        clearSelection();
    }
    const BuddyRow* row = item != nullptr ? RowAt(item->data(0, kRowIndexRole).toInt()) : nullptr;
    if (row != nullptr && ToggleGroupRow(*row)) {
        emit RefillRequested();
    } else if (m_popupMenu != nullptr) {
        m_popupMenu->popup(viewport()->mapToGlobal(position));
    }
}

}  // namespace nimbo
