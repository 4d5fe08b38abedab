#pragma once

#include <QAbstractTableModel>
#include <QIcon>
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

    using Images = std::array<QIcon, IMAGE_COUNT>;

    // `images` by list image index; kept by reference, it must outlive the model.
    explicit BuddyListModel(const Images& images, QObject* parent = nullptr);

    // Replaces every row (a model reset: views drop selection and current row).
    void SetRows(std::vector<BuddyRow> rows);
    const BuddyRow* RowAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const Images& m_images;
    std::vector<BuddyRow> m_rows;
};

}  // namespace nimbo
