#include "shell/CBuddyListModel.h"

#include "shell/CRowIndentDelegate.h"

namespace nimbo {

namespace {

constexpr int kColumnCount = 2;

}  // namespace

CBuddyListModel::CBuddyListModel(const Images& images, QObject* parent)
    : QAbstractTableModel(parent), m_images(images) {}

void CBuddyListModel::SetRows(std::vector<BuddyRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

const BuddyRow* CBuddyListModel::RowAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size() ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
}

int CBuddyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CBuddyListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant CBuddyListModel::data(const QModelIndex& index, int role) const {
    const BuddyRow* row = RowAt(index.row());
    if (row == nullptr) {
        return {};
    }
    const bool nameColumn = index.column() == 0;
    switch (role) {
    case Qt::DisplayRole:
        return nameColumn ? QString::fromStdU16String(row->Text()) : QStringView(row->Message()).toString();
    case Qt::DecorationRole:
        return nameColumn ? m_images.at(static_cast<std::size_t>(row->Image())) : QVariant();
    case CRowIndentDelegate::INDENT_ROLE:
        return nameColumn ? row->indent : 0;
    default:
        return {};
    }
}

// Rows are flat: a view need not ask for children it would lay out.
Qt::ItemFlags CBuddyListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

}  // namespace nimbo
