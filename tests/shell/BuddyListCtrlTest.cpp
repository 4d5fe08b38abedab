#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>

#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"
#include "shell/BuddyRowDelegate.h"
#include "shell/CBuddyListCtrl.h"
#include "tests/shell/DragAndDrop.h"

namespace nimbo {
namespace {

QImage Icon16(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Resource(const char* path) {
    return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A cell as the style draws a view item, moved right by the row's indent.
class StyleDrawnRow : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        if (index.column() == 0) {
            shifted.rect.setLeft(shifted.rect.left() +
                                 index.data(BuddyRowDelegate::INDENT_ROLE).toInt() * BuddyRowDelegate::INDENT_WIDTH);
        }
        QStyledItemDelegate::paint(painter, shifted, index);
    }
};

class BuddyListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddGroup(u"친구", 1, {u"kim", u"ghost", u"lee"});
        AddGroup(u"회사", 0, {u"park"});
        AddBuddy(u"kim", u"Kim", u"점심 먹는 중", LOGON_FOOD);
        AddBuddy(u"lee", u"", u"", LOGON_ONLINE);
        AddBuddy(u"park", u"", u"회의 중", LOGON_BUSY);

        m_list.resize(300, 200);
        m_list.show();
        m_list.SetPopupMenu(&m_menu);
        m_menu.addAction(QStringLiteral("쪽지 보내기(&M)"));
        QObject::connect(&m_list, &CBuddyListCtrl::RefillRequested, [this] { m_list.Refill(m_groups, m_buddies); });
    }

    void TearDown() override { m_menu.close(); }

    CBuddyGroup& AddGroup(const std::u16string& name, int expanded, const std::vector<std::u16string>& members) {
        return m_groups.Store(name, std::make_unique<CBuddyGroup>(CBuddyGroup{name, 0, expanded, MemberIds(members)}));
    }

    const CBuddyInfo& AddBuddy(const std::u16string& userId, const std::u16string& name,
                               const std::u16string& message, int status) {
        return m_buddies.Store(BuddyTexts{userId, name, message, u"", 0, status});
    }

    CBuddyGroup* Group(const std::u16string& name) { return m_groups.Lookup(name); }
    const CBuddyInfo* Buddy(const std::u16string& userId) { return m_buddies.Lookup(userId); }

    QString Text(int row, int column = 0) const { return m_list.IndexOf(row, column).data().toString(); }
    QImage RowIcon(int row) const { return Icon16(m_list.IndexOf(row).data(Qt::DecorationRole).value<QIcon>()); }

    QStringList Texts() const {
        QStringList texts;
        for (int i = 0; i < m_list.RowCount(); ++i) {
            texts << Text(i) + u'|' + Text(i, 1);
        }
        return texts;
    }

    QPoint RowCenter(int row) { return m_list.visualRect(m_list.IndexOf(row)).center(); }

    void Tap(const QPoint& position) { QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, position); }

    CGroupTable m_groups;
    BuddyTable m_buddies;
    CBuddyListCtrl m_list;
    QMenu m_menu;
};

TEST_F(BuddyListCtrlTest, ShowsTwoHeaderlessColumnsOfRowsFromTheTables) {
    m_list.Refill(m_groups, m_buddies);
    EXPECT_TRUE(m_list.horizontalHeader()->isHidden() && m_list.verticalHeader()->isHidden());
    EXPECT_EQ(m_list.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("친구|"), QStringLiteral(" Kim(kim)|점심 먹는 중"),
                                    QStringLiteral(" lee|"), QStringLiteral("회사|")}));
}

// The names take 180 pixels, or half a narrower list; the status messages
// the rest, so that no column runs past the edge.
TEST_F(BuddyListCtrlTest, ColumnsFollowTheListsWidth) {
    m_list.Refill(m_groups, m_buddies);
    for (const int width : {600, 240}) {
        m_list.resize(width, 200);
        const int shown = m_list.viewport()->width();
        EXPECT_EQ(m_list.columnWidth(0), std::min(180, shown / 2)) << width;
        EXPECT_EQ(m_list.columnWidth(0) + m_list.columnWidth(1), shown) << width;
    }
}

TEST_F(BuddyListCtrlTest, RowsShowTheIconOfTheirImageIndex) {
    m_list.Refill(m_groups, m_buddies);
    EXPECT_EQ(RowIcon(0), Resource(":/icons/group-expanded.png"));
    EXPECT_EQ(RowIcon(1), Resource(":/icons/status-food.png"));
    EXPECT_EQ(RowIcon(2), Resource(":/icons/status-online.png"));
    EXPECT_EQ(RowIcon(3), Resource(":/icons/group-collapsed.png"));

    const char* files[] = {":/icons/group-collapsed.png", ":/icons/group-expanded.png", ":/icons/status-online.png",
                           ":/icons/status-offline.png",  ":/icons/status-food.png",    ":/icons/status-absence.png",
                           ":/icons/status-busy.png"};
    for (int i = 0; i < CBuddyListCtrl::IMAGE_COUNT; ++i) {
        EXPECT_FALSE(Resource(files[i]).isNull()) << i;
        EXPECT_EQ(Icon16(m_list.Image(i)), Resource(files[i])) << i;
    }
}

TEST_F(BuddyListCtrlTest, OfflineBuddyShowsTheOfflineIconAndNoMessage) {
    AddBuddy(u"lee", u"", u"휴가 중", LOGON_OFFLINE);
    m_list.Refill(m_groups, m_buddies);
    EXPECT_EQ(Text(2, 1), QString());
    EXPECT_EQ(RowIcon(2), Resource(":/icons/status-offline.png"));
}

// The list draws its rows itself, keeping their laid-out texts, and must
// look exactly as the style draws them: selection, focus, indent, and texts
// too long for their column elided, a name of any length among them.
TEST_F(BuddyListCtrlTest, RowsLookAsTheStyleDrawsThem) {
    AddBuddy(u"lee", u"", u"오늘은 하루 종일 회의가 있어서 쪽지에 늦게 답합니다 (long status message)", LOGON_BUSY);
    AddBuddy(u"kim", std::u16string(100000, u'김'), u"", LOGON_ONLINE);
    m_list.Refill(m_groups, m_buddies);
    m_list.setFocus();
    m_list.setCurrentIndex(m_list.IndexOf(2));
    const QImage drawn = m_list.viewport()->grab().toImage();
    QAbstractItemDelegate* own = m_list.itemDelegate();
    StyleDrawnRow reference;
    m_list.setItemDelegate(&reference);
    const QImage expected = m_list.viewport()->grab().toImage();
    m_list.setItemDelegate(own);
    EXPECT_EQ(drawn, expected);
}

TEST_F(BuddyListCtrlTest, MembersAreIndentedAndBuddiesWithoutAGroupAreNot) {
    AddGroup(NOGROUP_NAME, 0, {u"park"}).type = 1;
    m_list.Refill(m_groups, m_buddies);
    ASSERT_EQ(m_list.RowCount(), 5);
    m_list.clearSelection();
    m_list.selectionModel()->clearCurrentIndex();

    // The first pixel drawn in a row: the start of its icon, the same figure
    // for an online and a busy buddy.
    const QImage shot = m_list.viewport()->grab().toImage();
    const auto firstInk = [&](int row) {
        const int y = m_list.visualRect(m_list.IndexOf(row)).center().y();
        const QRgb background = shot.pixel(shot.width() - 1, y);
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixel(x, y) != background) {
                return x;
            }
        }
        return -1;
    };
    EXPECT_EQ(Text(2), QStringLiteral(" lee"));
    EXPECT_EQ(Text(4), QStringLiteral(" park"));
    EXPECT_EQ(firstInk(2) - firstInk(4), 16);  // a member under its header, a no-group buddy without
}

TEST_F(BuddyListCtrlTest, EachRowRefersToItsRecord) {
    m_list.Refill(m_groups, m_buddies);
    EXPECT_EQ(m_list.RowAt(0)->group, Group(u"친구"));
    EXPECT_EQ(m_list.RowAt(1)->buddy, Buddy(u"kim"));
    EXPECT_EQ(m_list.RowAt(2)->buddy, Buddy(u"lee"));
    EXPECT_EQ(m_list.RowAt(3)->group, Group(u"회사"));
    EXPECT_EQ(m_list.RowAt(4), nullptr);
}

TEST_F(BuddyListCtrlTest, RefillSelectsAndFocusesRowZero) {
    m_list.Refill(m_groups, m_buddies);
    m_list.setCurrentIndex(m_list.IndexOf(2));
    m_list.Refill(m_groups, m_buddies);
    ASSERT_NE(m_list.SelectedRow(), nullptr);
    EXPECT_EQ(m_list.SelectedRow()->group, Group(u"친구"));
    EXPECT_EQ(m_list.currentIndex(), m_list.IndexOf(0));
    EXPECT_EQ(m_list.selectionModel()->selectedRows().size(), 1);
}

TEST_F(BuddyListCtrlTest, RowsFitTheirTextAndGrowWithTheFont) {
    m_list.Refill(m_groups, m_buddies);
    const int height = m_list.visualRect(m_list.IndexOf(1)).height();
    EXPECT_GE(height, std::max(m_list.fontMetrics().height(), 16));
    QFont larger = m_list.font();
    larger.setPointSizeF(larger.pointSizeF() * 3);
    m_list.setFont(larger);
    EXPECT_GE(m_list.visualRect(m_list.IndexOf(1)).height(), m_list.fontMetrics().height());
    EXPECT_GT(m_list.visualRect(m_list.IndexOf(1)).height(), height);
}

TEST_F(BuddyListCtrlTest, EmptyTablesShowNothingSelected) {
    m_list.Refill(m_groups, m_buddies);
    m_list.Refill(CGroupTable(), BuddyTable());
    EXPECT_EQ(m_list.RowCount(), 0);
    EXPECT_EQ(m_list.SelectedRow(), nullptr);
}

TEST_F(BuddyListCtrlTest, RefillKeepsTheScrollOffset) {
    std::vector<std::u16string> many;
    for (int i = 0; i < 60; ++i) {
        many.push_back(u"user" + std::u16string(1, static_cast<char16_t>(u'A' + i)));
        AddBuddy(many.back(), u"", u"", LOGON_ONLINE);
    }
    AddGroup(u"많은 친구", 1, many);
    m_list.Refill(m_groups, m_buddies);
    QScrollBar* bar = m_list.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    bar->setValue(17);
    const QString topText = m_list.indexAt(QPoint(1, 1)).data().toString();

    m_list.Refill(m_groups, m_buddies);
    EXPECT_EQ(bar->value(), 17);
    EXPECT_EQ(m_list.indexAt(QPoint(1, 1)).data().toString(), topText);
    EXPECT_EQ(m_list.SelectedRow(), m_list.RowAt(0));
}

TEST_F(BuddyListCtrlTest, TapOnACollapsedGroupShowsItsMembers) {
    m_list.Refill(m_groups, m_buddies);
    QSignalSpy refills(&m_list, &CBuddyListCtrl::RefillRequested);

    Tap(RowCenter(3));
    EXPECT_EQ(refills.size(), 1);
    EXPECT_EQ(Group(u"회사")->expanded, 1);
    EXPECT_EQ(Texts().mid(3), (QStringList{QStringLiteral("회사|"), QStringLiteral(" park|회의 중")}));
    EXPECT_EQ(RowIcon(3), Resource(":/icons/group-expanded.png"));
    EXPECT_EQ(m_list.SelectedRow(), m_list.RowAt(0));

    Tap(RowCenter(0));
    EXPECT_EQ(Group(u"친구")->expanded, 0);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("친구|"), QStringLiteral("회사|"), QStringLiteral(" park|회의 중")}));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(BuddyListCtrlTest, TapOnBuddyRowSelectsItAndOpensThePopupAtTheTap) {
    m_list.Refill(m_groups, m_buddies);
    QSignalSpy refills(&m_list, &CBuddyListCtrl::RefillRequested);
    const QPoint tap = RowCenter(2) + QPoint(15, 0);

    Tap(tap);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == &m_menu; }));
    EXPECT_EQ(m_menu.pos(), m_list.viewport()->mapToGlobal(tap));
    EXPECT_EQ(m_list.SelectedRow()->buddy, Buddy(u"lee"));
    EXPECT_EQ(refills.size(), 0);
}

TEST_F(BuddyListCtrlTest, TapBesideEveryRowLeavesNoneSelectedAndOpensThePopup) {
    m_list.Refill(m_groups, m_buddies);
    ASSERT_NE(m_list.SelectedRow(), nullptr);
    const QPoint below(20, m_list.viewport()->height() - 5);
    ASSERT_FALSE(m_list.indexAt(below).isValid());

    Tap(below);
    EXPECT_EQ(m_list.SelectedRow(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == &m_menu; }));
    EXPECT_EQ(Group(u"친구")->expanded, 1);
}

// A double click is no tap: the popup does not follow it.
TEST_F(BuddyListCtrlTest, DoubleClickOrEnterOnABuddyAsksForANoteAndOnAGroupFoldsIt) {
    m_list.Refill(m_groups, m_buddies);
    QSignalSpy notes(&m_list, &CBuddyListCtrl::SendNoteRequested);
    QTest::mouseDClick(m_list.viewport(), Qt::LeftButton, {}, RowCenter(2));
    EXPECT_EQ(notes.size(), 1);
    EXPECT_EQ(m_list.SelectedRow()->buddy, Buddy(u"lee"));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    QTest::keyClick(&m_list, Qt::Key_Up);  // kim
    QTest::keyClick(&m_list, Qt::Key_Return);
    EXPECT_EQ(notes.size(), 2);

    // From the keyboard a group folds and unfolds and keeps the selection.
    QTest::keyClick(&m_list, Qt::Key_Up);
    QTest::keyClick(&m_list, Qt::Key_Left);
    EXPECT_EQ(Group(u"친구")->expanded, 0);
    EXPECT_EQ(m_list.SelectedRow()->group, Group(u"친구"));
    QTest::keyClick(&m_list, Qt::Key_Down);  // 회사
    QTest::keyClick(&m_list, Qt::Key_Enter);
    EXPECT_EQ(Group(u"회사")->expanded, 1);
    EXPECT_EQ(m_list.SelectedRow()->group, Group(u"회사"));
    QTest::keyClick(&m_list, Qt::Key_Right);  // already unfolded
    EXPECT_EQ(Group(u"회사")->expanded, 1);
    EXPECT_EQ(notes.size(), 2);
}

TEST_F(BuddyListCtrlTest, RightButtonAndMenuKeysOpenThePopupAtOnce) {
    m_list.Refill(m_groups, m_buddies);
    QContextMenuEvent right(QContextMenuEvent::Mouse, RowCenter(2), m_list.viewport()->mapToGlobal(RowCenter(2)));
    QApplication::sendEvent(m_list.viewport(), &right);
    EXPECT_EQ(QApplication::activePopupWidget(), &m_menu);
    EXPECT_EQ(m_menu.pos(), m_list.viewport()->mapToGlobal(RowCenter(2)));
    EXPECT_EQ(m_list.SelectedRow()->buddy, Buddy(u"lee"));
    m_menu.close();

    QTest::keyClick(&m_list, Qt::Key_Up);  // kim
    QTest::keyClick(&m_list, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), &m_menu);
    EXPECT_EQ(m_menu.pos(), m_list.viewport()->mapToGlobal(m_list.visualRect(m_list.IndexOf(1)).bottomLeft()));
}

// Files dragged from a file manager: a buddy row takes them and is shown
// as the target; a group, a folder alone or leaving takes nothing.
TEST_F(BuddyListCtrlTest, FilesDroppedOnABuddyAreHandedOverForIt) {
    m_list.Refill(m_groups, m_buddies);
    QTemporaryDir folder;
    const QStringList files = {folder.filePath(QStringLiteral("사진.jpg")), folder.filePath(QStringLiteral("b.txt"))};
    for (const QString& file : files) {
        QFile(file).open(QIODevice::WriteOnly);
    }
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(files[0]), QUrl::fromLocalFile(folder.path()), QUrl::fromLocalFile(files[1])});
    QMimeData onlyAFolder;
    onlyAFolder.setUrls({QUrl::fromLocalFile(folder.path())});
    QSignalSpy dropped(&m_list, &CBuddyListCtrl::FilesDropped);
    const auto drag = [&](QEvent::Type type, int row, const QMimeData& what) {
        return test::SendDrag(*m_list.viewport(), type, RowCenter(row), what);
    };
    const auto drop = [&](int row, const QMimeData& what) { return drag(QEvent::Drop, row, what); };

    EXPECT_FALSE(drag(QEvent::DragEnter, 2, onlyAFolder));
    EXPECT_TRUE(drag(QEvent::DragEnter, 3, data));
    EXPECT_FALSE(drag(QEvent::DragMove, 3, data));  // 회사
    EXPECT_TRUE(drag(QEvent::DragMove, 1, data));
    EXPECT_EQ(m_list.SelectedRow()->buddy, Buddy(u"kim"));
    QDragLeaveEvent leave;
    QApplication::sendEvent(m_list.viewport(), &leave);
    EXPECT_EQ(m_list.SelectedRow()->group, Group(u"친구"));
    EXPECT_FALSE(drop(0, data));
    EXPECT_TRUE(dropped.isEmpty());

    EXPECT_TRUE(drag(QEvent::DragEnter, 2, data));
    EXPECT_TRUE(drag(QEvent::DragMove, 2, data));
    EXPECT_TRUE(drop(2, data));
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(dropped[0][0].value<std::u16string>(), u"lee");
    EXPECT_EQ(dropped[0][1].toStringList(), files);
    EXPECT_EQ(m_list.SelectedRow()->buddy, Buddy(u"lee"));
}

// While the tables are fetched again the list repaints what it showed,
// without its records; the next refill shows the tables again.
TEST_F(BuddyListCtrlTest, KeptRowsOutliveTheirRecords) {
    m_list.Refill(m_groups, m_buddies);
    m_list.setCurrentIndex(m_list.IndexOf(1));
    const QStringList shown = Texts();
    const QVariant spoken = m_list.IndexOf(1).data(Qt::AccessibleDescriptionRole);
    m_list.KeepShown();
    m_buddies.Clear();
    m_groups.Clear();
    m_list.KeepShown();  // a second refresh before the first one's refill
    m_list.grab();
    EXPECT_EQ(Texts(), shown);
    EXPECT_EQ(m_list.IndexOf(1).data(Qt::AccessibleDescriptionRole), spoken);
    EXPECT_EQ(m_list.SelectedRow()->buddy, nullptr);

    m_list.Refill(m_groups, m_buddies);
    EXPECT_TRUE(Texts().isEmpty());
}

// Only the rows near sight are kept, so that keeping costs a long list no
// more than a short one; the rows far below show nothing until the refill.
TEST_F(BuddyListCtrlTest, OnlyRowsNearSightAreKept) {
    std::vector<std::u16string> members;
    for (int i = 0; i < 1000; ++i) {
        members.push_back(u"b" + QString::number(i).toStdU16String());
        AddBuddy(members.back(), u"", u"", LOGON_ONLINE);
    }
    AddGroup(u"많은 친구", 1, members);
    m_list.Refill(m_groups, m_buddies);
    const int last = m_list.RowCount() - 1;
    const QString top = Text(0);
    const QString belowSight = Text(CBuddyListCtrl::KEPT_MARGIN);
    m_list.KeepShown();
    m_buddies.Clear();
    m_groups.Clear();
    EXPECT_EQ(Text(0), top);
    EXPECT_EQ(Text(CBuddyListCtrl::KEPT_MARGIN), belowSight);
    EXPECT_TRUE(Text(last).isEmpty());
}

// A refresh that finds as many rows repaints only those that changed, where
// a different number of rows lays the list out anew.
TEST_F(BuddyListCtrlTest, ARefreshRepaintsOnlyTheRowsThatChanged) {
    m_list.Refill(m_groups, m_buddies);
    QSignalSpy resets(m_list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(m_list.model(), &QAbstractItemModel::dataChanged);
    m_list.KeepShown();
    AddBuddy(u"lee", u"", u"", LOGON_BUSY);
    m_list.Refill(m_groups, m_buddies);
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), BuddyListModel::COLUMN_COUNT);
    for (const QList<QVariant>& change : changes) {
        EXPECT_EQ(change.at(0).toModelIndex().row(), 2);
        EXPECT_EQ(change.at(1).toModelIndex(), change.at(0).toModelIndex());
    }
    EXPECT_EQ(RowIcon(2), Icon16(m_list.Image(6)));

    m_list.KeepShown();
    AddBuddy(u"ghost", u"", u"", LOGON_ONLINE);
    m_list.Refill(m_groups, m_buddies);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(Text(2), QStringLiteral(" ghost"));
}

// What a screen reader says of each row: the name as shown, then the
// picture in words and the status message.
TEST_F(BuddyListCtrlTest, RowsTellAScreenReaderWhoAndHow) {
    AddBuddy(u"lee", u"", u"휴가 중", LOGON_OFFLINE);
    m_list.Refill(m_groups, m_buddies);
    QStringList spoken;
    for (int i = 0; i < m_list.RowCount(); ++i) {
        spoken << m_list.IndexOf(i).data(Qt::AccessibleTextRole).toString() + u'|' +
                      m_list.IndexOf(i).data(Qt::AccessibleDescriptionRole).toString();
    }
    EXPECT_EQ(spoken, (QStringList{QStringLiteral("친구|펼친 그룹"), QStringLiteral("Kim(kim)|식사 중, 점심 먹는 중"),
                                   QStringLiteral("lee|오프라인"), QStringLiteral("회사|접힌 그룹")}));
    EXPECT_EQ(m_list.accessibleName(), QStringLiteral("친구 목록"));
}

}  // namespace
}  // namespace nimbo
