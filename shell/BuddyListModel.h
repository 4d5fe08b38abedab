#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QVariant>
#include <array>
#include <vector>

#include "buddies/BuddyRow.h"

namespace nimbo {

// The rows of the buddy list as a flat two-column model: texts, the icon of
// the row's image index, what a screen reader says of the row (its name,
// and its presence or fold in words with the status message) and, for the
// indent delegate, its indent. It keeps
// the rows as built and turns one into texts and an icon only when a view
// asks for it, so that a refill of a long list costs the rows, not widgets.
class BuddyListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int IMAGE_COUNT = 7;
    static constexpr int COLUMN_COUNT = 2;

    using Images = std::array<QIcon, IMAGE_COUNT>;

    // `images` by list image index; kept by reference, it must outlive the model.
    explicit BuddyListModel(const Images& images, QObject* parent = nullptr);

    // Replaces every row (a model reset: views drop selection and current row).
    void SetRows(std::vector<BuddyRow> rows);
    // Keeps what the rows from `first` up to `end` show and lets go of the
    // records every row refers to, which may change or go until the next
    // SetRows: views repaint, and screen readers read, those rows as they
    // were, the others show nothing, and meanwhile no row refers to a group
    // or a buddy. Out-of-range bounds are clamped.
    void KeepShown(int first, int end);
    const BuddyRow* RowAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static constexpr int KEPT_ROLE_COUNT = 5;
    using KeptRow = std::array<QVariant, COLUMN_COUNT * KEPT_ROLE_COUNT>;

    QVariant Shown(const BuddyRow& row, bool nameColumn, int role) const;

    const Images& m_images;
    std::vector<BuddyRow> m_rows;
    // Set by KeepShown: what rows m_keptFirst onwards show.
    bool m_keeping = false;
    std::size_t m_keptFirst = 0;
    std::vector<KeptRow> m_kept;
};

}  // namespace nimbo
