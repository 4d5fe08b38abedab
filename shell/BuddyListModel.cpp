#include "shell/BuddyListModel.h"

#include <algorithm>
#include <utility>

#include "buddies/CBuddyInfo.h"
#include "shell/BuddyRowDelegate.h"

namespace nimbo {

namespace {

// What each list image says, by image index, for screen readers.
constexpr const char16_t* IMAGE_MEANINGS[BuddyListModel::IMAGE_COUNT] = {
    u"접힌 그룹", u"펼친 그룹", u"온라인", u"오프라인", u"식사 중", u"자리 비움", u"바쁨",
};

// A buddy as the list shows it, without the leading blank: "NAME(ID)".
template <class Row>
QString SpokenName(const Row& row) {
    return QString::fromStdU16String(row.Text()).trimmed();
}

// The row's image in words, then a buddy's status message: "바쁨, 회의 중".
template <class Row>
QString SpokenDescription(const Row& row) {
    QString description = QString::fromUtf16(IMAGE_MEANINGS[row.Image()]);
    const std::u16string& message = row.Message();
    if (!message.empty()) {
        description += QStringLiteral(", ") + QString::fromStdU16String(message);
    }
    return description;
}

}  // namespace

BuddyListModel::KeptRow::KeptRow(const BuddyRow& row)
    : indent(row.indent), presenceKnown(row.presenceKnown), isBuddy(row.buddy != nullptr) {
    if (isBuddy) {
        userId = row.buddy->UserId();
        entry = row.buddy->Entry();
    } else {
        image = row.Image();
        text = row.Text();
    }
}

bool BuddyListModel::KeptRow::ShowsAs(const BuddyRow& row) const {
    if (row.indent != indent || row.presenceKnown != presenceKnown || (row.buddy != nullptr) != isBuddy) {
        return false;
    }
    if (isBuddy) {
        return row.buddy->Entry() == entry && row.buddy->HasUserId(userId);
    }
    return row.Image() == image && row.Text() == text;
}

template <class Read>
auto BuddyListModel::KeptRow::FromRecord(Read read) const {
    CBuddyInfo record;
    record.Assign(entry, userId);
    return read(BuddyRow{.buddy = &record, .indent = indent, .presenceKnown = presenceKnown});
}

int BuddyListModel::KeptRow::Image() const {
    return isBuddy ? FromRecord([](const BuddyRow& row) { return row.Image(); }) : image;
}

std::u16string BuddyListModel::KeptRow::Text() const {
    return isBuddy ? FromRecord([](const BuddyRow& row) { return row.Text(); }) : text;
}

std::u16string BuddyListModel::KeptRow::Message() const {
    return isBuddy ? FromRecord([](const BuddyRow& row) { return row.Message(); }) : std::u16string();
}

BuddyListModel::BuddyListModel(Images images, QObject* parent)
    : QAbstractTableModel(parent), m_images(std::move(images)) {}

void BuddyListModel::SetRows(std::vector<BuddyRow> rows) {
    if (m_keeping && rows.size() == m_rows.size()) {
        UpdateInPlace(std::move(rows));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_keeping = false;
    m_kept.clear();
    endResetModel();
}

// Painting a screenful of rows costs more than reading every record of a
// long list, so a refresh that changed few rows in sight repaints only them.
void BuddyListModel::UpdateInPlace(std::vector<BuddyRow> rows) {
    m_rows = std::move(rows);
    m_keeping = false;
    const std::vector<KeptRow> kept = std::move(m_kept);
    m_kept.clear();
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const auto row = static_cast<int>(m_keptFirst + i);
        if (kept[i].ShowsAs(m_rows[m_keptFirst + i])) {
            continue;
        }
        // One cell at a time: views repaint a wider change whole.
        for (int column = 0; column < COLUMN_COUNT; ++column) {
            emit dataChanged(index(row, column), index(row, column));
        }
    }
}

void BuddyListModel::KeepShown(int first, int end) {
    // Kept already: the rows' records may be gone.
    if (m_keeping) {
        return;
    }
    const std::size_t from = static_cast<std::size_t>(std::clamp(first, 0, rowCount()));
    const std::size_t to = static_cast<std::size_t>(std::clamp(end, static_cast<int>(from), rowCount()));
    std::vector<KeptRow> kept;
    kept.reserve(to - from);
    for (std::size_t i = from; i < to; ++i) {
        kept.emplace_back(m_rows[i]);
    }
    m_keeping = true;
    m_keptFirst = from;
    m_kept = std::move(kept);
}

// While rows are kept, each one is a row without group or buddy: the rows'
// own pointers may dangle, and clearing all of a long list's costs more
// than the refresh's other work on the list.
const BuddyRow* BuddyListModel::RowAt(int row) const {
    static const BuddyRow LET_GO;
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) {
        return nullptr;
    }
    return m_keeping ? &LET_GO : &m_rows[static_cast<std::size_t>(row)];
}

int BuddyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int BuddyListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

template <class Row>
QVariant BuddyListModel::Shown(const Row& row, bool nameColumn, int role) const {
    switch (role) {
    case Qt::DisplayRole:
        return nameColumn ? QString::fromStdU16String(row.Text()) : QString::fromStdU16String(row.Message());
    case Qt::DecorationRole:
        return nameColumn ? m_images(row.Image()) : QVariant();
    case Qt::AccessibleTextRole:
        return nameColumn ? SpokenName(row) : QVariant();
    case Qt::AccessibleDescriptionRole:
        return nameColumn ? SpokenDescription(row) : QVariant();
    case BuddyRowDelegate::INDENT_ROLE:
        return nameColumn ? row.indent : 0;
    default:
        return {};
    }
}

QVariant BuddyListModel::data(const QModelIndex& index, int role) const {
    const BuddyRow* row = RowAt(index.row());
    if (row == nullptr) {
        return {};
    }
    if (!m_keeping) {
        return Shown(*row, index.column() == 0, role);
    }
    const auto position = static_cast<std::size_t>(index.row());
    if (position < m_keptFirst || position - m_keptFirst >= m_kept.size()) {
        return {};
    }
    return Shown(m_kept[position - m_keptFirst], index.column() == 0, role);
}

// Rows are flat: a view need not ask for children it would lay out.
Qt::ItemFlags BuddyListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

}  // namespace nimbo
