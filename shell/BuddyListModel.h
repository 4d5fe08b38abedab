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
    // Keeps what every row shows and lets go of the records the rows refer
    // to, which may change or go until the next SetRows: views repaint, and
    // screen readers read, the rows as they were, and meanwhile no row
    // refers to a group or a buddy.
    void KeepShown();
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
    std::vector<KeptRow> m_kept;  // empty unless KeepShown was called
};

}  // namespace nimbo
