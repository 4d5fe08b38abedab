#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QVariant>
#include <functional>
#include <string>
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

    // The icon of a list image index, asked for when a row is shown.
    using Images = std::function<const QIcon&(int image)>;

    explicit BuddyListModel(Images images, QObject* parent = nullptr);

    // Replaces every row. After KeepShown, as many rows as before are a
    // refresh that changed little: views keep their layout and selection
    // and repaint only the kept rows that now show something else (what
    // lies beyond them is asked afresh when it comes into sight). Otherwise
    // a model reset: views drop selection and current row.
    void SetRows(std::vector<BuddyRow> rows);
    // Keeps what the rows from `first` up to `end` show and lets go of the
    // records every row refers to, which may change or go until the next
    // SetRows: views repaint, and screen readers read, those rows as they
    // were, the others show nothing, and meanwhile no row refers to a group
    // or a buddy. Out-of-range bounds are clamped; rows kept already stay
    // as they are.
    void KeepShown(int first, int end);
    const BuddyRow* RowAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // What a row shows, in the terms BuddyRow gives it. A buddy's row keeps
    // the entry its record was read from and reads it again when it is
    // shown: most kept rows are never painted before the refill.
    struct KeptRow {
        int indent = 0;
        bool presenceKnown = true;
        bool isBuddy = false;
        int image = 0;          // a header's
        std::u16string text;    // a header's
        std::u16string userId;  // a buddy's
        std::string entry;      // a buddy's, in wire text

        explicit KeptRow(const BuddyRow& row);
        // Whether `row` shows the same. A buddy's row shows the same when its
        // entry and user ID are the same, which costs no decoding.
        bool ShowsAs(const BuddyRow& row) const;
        int Image() const;
        std::u16string Text() const;
        std::u16string Message() const;

    private:
        template <class Read>
        auto FromRecord(Read read) const;
    };

    template <class Row>
    QVariant Shown(const Row& row, bool nameColumn, int role) const;
    void UpdateInPlace(std::vector<BuddyRow> rows);

    Images m_images;
    std::vector<BuddyRow> m_rows;
    // Set by KeepShown: what rows m_keptFirst onwards show.
    bool m_keeping = false;
    std::size_t m_keptFirst = 0;
    std::vector<KeptRow> m_kept;
};

}  // namespace nimbo
