#include "shell/CBuddyListCtrl.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/CBuddyInfo.h"
#include "shell/BuddyRowDelegate.h"
#include "shell/ScalableIcon.h"

namespace nimbo {

namespace {

// By list image index: 0 collapsed group, 1 expanded group, then presence.
constexpr const char* IMAGE_NAMES[CBuddyListCtrl::IMAGE_COUNT] = {
    "group-collapsed", "group-expanded", "status-online", "status-offline",
    "status-food",     "status-absence", "status-busy",
};

constexpr int NAME_COLUMN_WIDTH = 180;  // on a list at least twice as wide

// The regular local files among dragged data; folders and remote places
// cannot be sent.
QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) {
            files << url.toLocalFile();
        }
    }
    return files;
}

}  // namespace

CBuddyListCtrl::CBuddyListCtrl(QWidget* parent)
    : QTableView(parent), m_model([this](int image) -> const QIcon& { return Image(image); }) {
    // Headers hidden before the model comes never measure their sections,
    // whose bold font the list would otherwise load for nothing.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setModel(&m_model);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, NAME_COLUMN_WIDTH);
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
    setItemDelegate(new BuddyRowDelegate(this));
    setAcceptDrops(true);
    setAccessibleName(QStringLiteral("친구 목록"));
    setAccessibleDescription(QStringLiteral(
        "Enter나 두 번 누르기: 쪽지 보내기. 메뉴 키: 친구 명령. 오른쪽, 왼쪽 화살표: 그룹 펼치기, 접기. "
        "파일을 끌어다 놓으면 그 친구에게 보냅니다."));
    m_signedInPalette = palette();
    m_tapPopup.setSingleShot(true);
    connect(&m_tapPopup, &QTimer::timeout, this, [this] { Popup(m_tapAt); });
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

void CBuddyListCtrl::Refill(const CGroupTable& groups, const BuddyTable& buddies) {
    Refill(BuildBuddyRows(groups, buddies));
}

void CBuddyListCtrl::KeepShown() {
    const int top = std::max(0, rowAt(0));
    const int bottom = rowAt(viewport()->height());
    const int inSight = (bottom < 0 ? RowCount() : bottom + 1) - top;
    const int margin = std::max(inSight, KEPT_MARGIN);
    m_model.KeepShown(top - margin, top + inSight + margin);
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

const QIcon& CBuddyListCtrl::Image(int image) const {
    QIcon& icon = m_images.at(static_cast<std::size_t>(image));
    if (icon.isNull()) {
        icon = ScalableIcon(QString::fromLatin1(IMAGE_NAMES[image]));
    }
    return icon;
}

const BuddyRow* CBuddyListCtrl::SelectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? nullptr : RowAt(selected.first().row());
}

// The release that ends a double click is no tap of its own.
void CBuddyListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (m_doubleClicked) {
        m_doubleClicked = false;
        return;
    }
    OnTap(event->position().toPoint());
}

// A double click on a group has folded or unfolded it with its first tap.
void CBuddyListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_doubleClicked = true;
    m_tapPopup.stop();
    if (BuddyRowAt(event->position().toPoint()) != nullptr) {
        emit SendNoteRequested();
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
    } else {
        m_tapAt = viewport()->mapToGlobal(position);
        m_tapPopup.start(QApplication::doubleClickInterval());
    }
}

void CBuddyListCtrl::Popup(const QPoint& globalPosition) {
    m_tapPopup.stop();
    if (m_popupMenu != nullptr) {
        m_popupMenu->popup(globalPosition);
    }
}

void CBuddyListCtrl::keyPressEvent(QKeyEvent* event) {
    const BuddyRow* row = SelectedRow();
    const int key = event->key();
    if (row != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        if (row->group != nullptr) {
            ToggleFromKeyboard(*row);
        } else {
            emit SendNoteRequested();
        }
    } else if (row != nullptr && row->group != nullptr &&
               ((key == Qt::Key_Right && row->Image() == BuddyRow::IMAGE_GROUP_COLLAPSED) ||
                (key == Qt::Key_Left && row->Image() == BuddyRow::IMAGE_GROUP_EXPANDED))) {
        ToggleFromKeyboard(*row);
    } else if (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        PopupUnderSelection();
    } else {
        QTableView::keyPressEvent(event);
    }
}

// The keyboard stays on the group it folded, where a tap's refill leaves
// the first row selected.
void CBuddyListCtrl::ToggleFromKeyboard(const BuddyRow& row) {
    const CBuddyGroup* group = row.group;
    ToggleGroupRow(row);
    emit RefillRequested();
    for (int i = 0; i < RowCount(); ++i) {
        if (RowAt(i)->group == group) {
            SelectRow(i);
            return;
        }
    }
}

void CBuddyListCtrl::SelectRow(int row) {
    selectionModel()->setCurrentIndex(m_model.index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// The right button selects the row under it (none beside the rows).
void CBuddyListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        PopupUnderSelection();
        return;
    }
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid()) {
        SelectRow(index.row());
    } else {
        clearSelection();
    }
    Popup(event->globalPos());
}

void CBuddyListCtrl::PopupUnderSelection() {
    const QModelIndexList selected = selectionModel()->selectedRows();
    const QRect rowRect = selected.isEmpty() ? QRect() : visualRect(selected.first());
    Popup(viewport()->mapToGlobal(rowRect.isValid() ? rowRect.bottomLeft() : QPoint(0, 0)));
}

void CBuddyListCtrl::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    setColumnWidth(0, std::min(NAME_COLUMN_WIDTH, viewport()->width() / 2));
}

const BuddyRow* CBuddyListCtrl::BuddyRowAt(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    const BuddyRow* row = index.isValid() ? RowAt(index.row()) : nullptr;
    return row != nullptr && row->buddy != nullptr ? row : nullptr;
}

// While files are dragged over it, the buddy who would get them is the
// selected row; the selection comes back when the drag leaves.
void CBuddyListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    const QModelIndexList selected = selectionModel()->selectedRows();
    m_rowBeforeDrag = selected.isEmpty() ? -1 : selected.first().row();
    event->acceptProposedAction();
}

void CBuddyListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint position = event->position().toPoint();
    if (BuddyRowAt(position) == nullptr) {
        event->ignore();
        return;
    }
    SelectRow(indexAt(position).row());
    event->acceptProposedAction();
}

void CBuddyListCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    if (m_rowBeforeDrag >= 0) {
        SelectRow(m_rowBeforeDrag);
    } else {
        clearSelection();
    }
    event->accept();
}

void CBuddyListCtrl::dropEvent(QDropEvent* event) {
    const BuddyRow* row = BuddyRowAt(event->position().toPoint());
    const QStringList files = LocalFiles(event->mimeData());
    if (row == nullptr || files.isEmpty()) {
        event->ignore();
        return;
    }
    const std::u16string peerId = row->buddy->UserId();
    SelectRow(indexAt(event->position().toPoint()).row());
    event->acceptProposedAction();
    emit FilesDropped(peerId, files);
}

}  // namespace nimbo
