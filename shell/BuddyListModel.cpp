#include "shell/BuddyListModel.h"

#include <algorithm>
#include <iterator>

#include "shell/RowIndentDelegate.h"

namespace nimbo {

namespace {

// The roles a kept row answers, in the order it keeps them.
constexpr int KEPT_ROLES[] = {Qt::DisplayRole, Qt::DecorationRole, Qt::AccessibleTextRole,
                              Qt::AccessibleDescriptionRole, RowIndentDelegate::INDENT_ROLE};

// What each list image says, by image index, for screen readers.
constexpr const char16_t* IMAGE_MEANINGS[BuddyListModel::IMAGE_COUNT] = {
    u"접힌 그룹", u"펼친 그룹", u"온라인", u"오프라인", u"식사 중", u"자리 비움", u"바쁨",
};

// A buddy as the list shows it, without the leading blank: "NAME(ID)".
QString SpokenName(const BuddyRow& row) { return QString::fromStdU16String(row.Text()).trimmed(); }

// The row's image in words, then a buddy's status message: "바쁨, 회의 중".
QString SpokenDescription(const BuddyRow& row) {
    QString description = QString::fromUtf16(IMAGE_MEANINGS[row.Image()]);
    const std::u16string message = row.Message();
    if (!message.empty()) {
        description += QStringLiteral(", ") + QString::fromStdU16String(message);
    }
    return description;
}

}  // namespace

BuddyListModel::BuddyListModel(const Images& images, QObject* parent)
    : QAbstractTableModel(parent), m_images(images) {}

void BuddyListModel::SetRows(std::vector<BuddyRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_keeping = false;
    m_kept.clear();
    endResetModel();
}

void BuddyListModel::KeepShown(int first, int end) {
    static_assert(std::size(KEPT_ROLES) == KEPT_ROLE_COUNT);
    const std::size_t from = static_cast<std::size_t>(std::clamp(first, 0, rowCount()));
    const std::size_t to = static_cast<std::size_t>(std::clamp(end, static_cast<int>(from), rowCount()));
    std::vector<KeptRow> kept(to - from);
    for (std::size_t i = from; i < to; ++i) {
        for (int column = 0; column < COLUMN_COUNT; ++column) {
            for (int role = 0; role < KEPT_ROLE_COUNT; ++role) {
                kept[i - from].at(static_cast<std::size_t>(column * KEPT_ROLE_COUNT + role)) =
                    Shown(m_rows[i], column == 0, KEPT_ROLES[role]);
            }
        }
    }
    for (BuddyRow& row : m_rows) {
        row.group = nullptr;
        row.buddy = nullptr;
    }
    m_keeping = true;
    m_keptFirst = from;
    m_kept = std::move(kept);
}

const BuddyRow* BuddyListModel::RowAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size() ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
}

int BuddyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int BuddyListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant BuddyListModel::data(const QModelIndex& index, int role) const {
    const BuddyRow* row = RowAt(index.row());
    if (row == nullptr) {
        return {};
    }
    if (!m_keeping) {
        return Shown(*row, index.column() == 0, role);
    }
    const auto* kept = std::find(std::begin(KEPT_ROLES), std::end(KEPT_ROLES), role);
    const auto position = static_cast<std::size_t>(index.row());
    if (kept == std::end(KEPT_ROLES) || position < m_keptFirst || position - m_keptFirst >= m_kept.size()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(index.column() * KEPT_ROLE_COUNT + (kept - std::begin(KEPT_ROLES)));
    return m_kept[position - m_keptFirst].at(at);
}

QVariant BuddyListModel::Shown(const BuddyRow& row, bool nameColumn, int role) const {
    switch (role) {
    case Qt::DisplayRole:
        return nameColumn ? QString::fromStdU16String(row.Text()) : QString::fromStdU16String(row.Message());
    case Qt::DecorationRole:
        return nameColumn ? m_images.at(static_cast<std::size_t>(row.Image())) : QVariant();
    case Qt::AccessibleTextRole:
        return nameColumn ? SpokenName(row) : QVariant();
    case Qt::AccessibleDescriptionRole:
        return nameColumn ? SpokenDescription(row) : QVariant();
    case RowIndentDelegate::INDENT_ROLE:
        return nameColumn ? row.indent : 0;
    default:
        return {};
    }
}

// Rows are flat: a view need not ask for children it would lay out.
Qt::ItemFlags BuddyListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

}  // namespace nimbo
