#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"
#include "shell/CBuddyListCtrl.h"

namespace nimbo {
namespace {

QImage Icon16(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Resource(const char* path) {
    return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Rows as the row builder makes them: a group header, its buddies indented.
class BuddyListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_friends.name = u"친구";
        m_work.name = u"회사";
        m_work.expanded = 0;
        m_kim.userId = u"kim";
        m_kim.displayName = u"Kim";
        m_kim.statusMessage = u"점심 먹는 중";
        m_kim.status = LOGON_FOOD;
        m_lee.userId = u"lee";
        m_lee.status = LOGON_ONLINE;

        m_list.resize(300, 200);
        m_list.show();
        m_list.SetPopupMenu(&m_menu);
        m_menu.addAction(QStringLiteral("쪽지 보내기(&M)"));
    }

    void TearDown() override { m_menu.close(); }

    std::vector<BuddyRow> DemoRows() {
        return {
            BuddyRow{1, 0, u"친구", u"", &m_friends, nullptr},
            BuddyRow{4, 1, u" Kim(kim)", u"점심 먹는 중", nullptr, &m_kim},
            BuddyRow{2, 1, u" lee", u"", nullptr, &m_lee},
            BuddyRow{0, 0, u"회사", u"", &m_work, nullptr},
        };
    }

    std::vector<BuddyRow> ManyRows(int count) {
        std::vector<BuddyRow> rows;
        for (int i = 0; i < count; ++i) {
            rows.push_back(BuddyRow{2, 0, u" lee" + std::u16string(static_cast<std::size_t>(i % 5), u'x'), u"",
                                    nullptr, &m_lee});
        }
        return rows;
    }

    QPoint RowCenter(int row) {
        return m_list.visualItemRect(m_list.topLevelItem(row)).center();
    }

    void Tap(const QPoint& position) { QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, position); }

    CBuddyGroup m_friends;
    CBuddyGroup m_work;
    CBuddyInfo m_kim;
    CBuddyInfo m_lee;
    CBuddyListCtrl m_list;
    QMenu m_menu;
};

TEST_F(BuddyListCtrlTest, ShowsTwoHeaderlessColumnsOfRows) {
    m_list.Refill(DemoRows());
    EXPECT_TRUE(m_list.isHeaderHidden());
    EXPECT_EQ(m_list.columnWidth(0), 180);
    EXPECT_EQ(m_list.columnWidth(1), 300);
    EXPECT_EQ(m_list.selectionMode(), QAbstractItemView::SingleSelection);

    ASSERT_EQ(m_list.topLevelItemCount(), 4);
    EXPECT_EQ(m_list.topLevelItem(1)->text(0), QStringLiteral(" Kim(kim)"));
    EXPECT_EQ(m_list.topLevelItem(1)->text(1), QStringLiteral("점심 먹는 중"));
    EXPECT_EQ(m_list.topLevelItem(3)->text(0), QStringLiteral("회사"));
    EXPECT_EQ(m_list.topLevelItem(3)->text(1), QString());
}

TEST_F(BuddyListCtrlTest, RowsShowTheIconOfTheirImageIndex) {
    m_list.Refill(DemoRows());
    EXPECT_EQ(Icon16(m_list.topLevelItem(0)->icon(0)), Resource(":/icons/group-expanded.png"));
    EXPECT_EQ(Icon16(m_list.topLevelItem(1)->icon(0)), Resource(":/icons/status-food.png"));
    EXPECT_EQ(Icon16(m_list.topLevelItem(2)->icon(0)), Resource(":/icons/status-online.png"));
    EXPECT_EQ(Icon16(m_list.topLevelItem(3)->icon(0)), Resource(":/icons/group-collapsed.png"));

    const char* files[] = {":/icons/group-collapsed.png", ":/icons/group-expanded.png", ":/icons/status-online.png",
                           ":/icons/status-offline.png",  ":/icons/status-food.png",    ":/icons/status-absence.png",
                           ":/icons/status-busy.png"};
    for (int i = 0; i < CBuddyListCtrl::IMAGE_COUNT; ++i) {
        EXPECT_EQ(Icon16(m_list.Image(i)), Resource(files[i])) << i;
        EXPECT_FALSE(Resource(files[i]).isNull()) << i;
    }
}

TEST_F(BuddyListCtrlTest, IndentedRowsAreDrawnFurtherRight) {
    m_list.Refill({BuddyRow{2, 0, u"x", u"", nullptr, &m_lee}, BuddyRow{2, 1, u"x", u"", nullptr, &m_lee}});
    m_list.clearSelection();
    m_list.selectionModel()->clearCurrentIndex();
    const QImage shot = m_list.viewport()->grab().toImage();
    const auto firstInk = [&](int row) {
        const QRect rect = m_list.visualItemRect(m_list.topLevelItem(row));
        const QRgb background = shot.pixel(shot.width() - 1, rect.center().y());
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixel(x, rect.center().y()) != background) {
                return x;
            }
        }
        return -1;
    };
    EXPECT_EQ(firstInk(1) - firstInk(0), 16);
}

TEST_F(BuddyListCtrlTest, EachRowRefersToItsRecord) {
    m_list.Refill(DemoRows());
    EXPECT_EQ(m_list.RowAt(0)->group, &m_friends);
    EXPECT_EQ(m_list.RowAt(1)->buddy, &m_kim);
    EXPECT_EQ(m_list.RowAt(2)->buddy, &m_lee);
    EXPECT_EQ(m_list.RowAt(4), nullptr);
}

TEST_F(BuddyListCtrlTest, RefillSelectsAndFocusesRowZero) {
    m_list.Refill(DemoRows());
    m_list.setCurrentItem(m_list.topLevelItem(2));
    m_list.Refill(DemoRows());
    ASSERT_NE(m_list.SelectedRow(), nullptr);
    EXPECT_EQ(m_list.SelectedRow(), m_list.RowAt(0));
    EXPECT_EQ(m_list.currentItem(), m_list.topLevelItem(0));
    EXPECT_EQ(m_list.selectedItems().size(), 1);
}

TEST_F(BuddyListCtrlTest, EmptyRefillSelectsNothing) {
    m_list.Refill(DemoRows());
    m_list.Refill({});
    EXPECT_EQ(m_list.topLevelItemCount(), 0);
    EXPECT_EQ(m_list.SelectedRow(), nullptr);
}

TEST_F(BuddyListCtrlTest, RefillKeepsTheScrollOffset) {
    m_list.Refill(ManyRows(60));
    QScrollBar* bar = m_list.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    bar->setValue(17);
    const QModelIndex topBefore = m_list.indexAt(QPoint(1, 1));

    m_list.Refill(ManyRows(60));
    EXPECT_EQ(bar->value(), 17);
    EXPECT_EQ(m_list.indexAt(QPoint(1, 1)).row(), topBefore.row());
    EXPECT_EQ(m_list.SelectedRow(), m_list.RowAt(0));
}

TEST_F(BuddyListCtrlTest, TapOnGroupHeaderTogglesItAndAsksForARefill) {
    m_list.Refill(DemoRows());
    QSignalSpy refills(&m_list, &CBuddyListCtrl::RefillRequested);

    Tap(RowCenter(3));
    EXPECT_EQ(m_work.expanded, 1);
    EXPECT_EQ(refills.size(), 1);

    Tap(RowCenter(0));
    EXPECT_EQ(m_friends.expanded, 0);
    EXPECT_EQ(refills.size(), 2);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(BuddyListCtrlTest, TapOnBuddyRowSelectsItAndOpensThePopupAtTheTap) {
    m_list.Refill(DemoRows());
    QSignalSpy refills(&m_list, &CBuddyListCtrl::RefillRequested);
    const QPoint tap = RowCenter(2) + QPoint(15, 0);

    Tap(tap);
    EXPECT_EQ(QApplication::activePopupWidget(), &m_menu);
    EXPECT_EQ(m_menu.pos(), m_list.viewport()->mapToGlobal(tap));
    EXPECT_EQ(m_list.SelectedRow()->buddy, &m_lee);
    EXPECT_EQ(refills.size(), 0);
    EXPECT_EQ(m_friends.expanded, 1);
}

TEST_F(BuddyListCtrlTest, TapBesideEveryRowLeavesNoneSelectedAndOpensThePopup) {
    m_list.Refill(DemoRows());
    ASSERT_NE(m_list.SelectedRow(), nullptr);
    const QPoint below(20, m_list.viewport()->height() - 5);
    ASSERT_EQ(m_list.itemAt(below), nullptr);

    Tap(below);
    EXPECT_EQ(m_list.SelectedRow(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), &m_menu);
    EXPECT_EQ(m_friends.expanded, 1);
}

}  // namespace
}  // namespace nimbo
