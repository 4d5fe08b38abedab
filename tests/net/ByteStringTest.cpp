#include "net/ByteString.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace nimbo {
namespace {

TEST(ByteString, EmptyStringsShareTheProcessWideBuffer) {
    ByteString a;
    ByteString b("x");
    b.Empty();
    EXPECT_TRUE(a.IsSharedEmpty());
    EXPECT_TRUE(b.IsSharedEmpty());
    EXPECT_EQ(a.BufferId(), b.BufferId());
    EXPECT_EQ(a.RefCount(), -1);
    ByteString c(nullptr);
    EXPECT_TRUE(c.IsSharedEmpty());
}

TEST(ByteString, CopiesShareUntilOneIsWritten) {
    ByteString a("hello ");
    ByteString b = a;
    EXPECT_EQ(a.BufferId(), b.BufferId());
    EXPECT_EQ(a.RefCount(), 2);
    ASSERT_TRUE(b.TrimRight());
    EXPECT_NE(a.BufferId(), b.BufferId());
    EXPECT_EQ(a, "hello ");
    EXPECT_EQ(b, "hello");
    EXPECT_EQ(a.RefCount(), 1);
}

TEST(ByteString, SelfAssignmentAndSelfAppendKeepTheValue) {
    ByteString a("abc");
    const ByteString& alias = a;
    a = alias;
    EXPECT_EQ(a, "abc");
    a.Append(a);
    EXPECT_EQ(a, "abcabc");
    a.Assign(a.c_str() + 3);
    EXPECT_EQ(a, "abc");
}

TEST(ByteString, LockedBufferIsCopiedNotShared) {
    ByteString a("secret");
    a.LockBuffer();
    ByteString b = a;
    EXPECT_NE(a.BufferId(), b.BufferId());
    EXPECT_EQ(b, "secret");
    EXPECT_EQ(b.RefCount(), 1);
    ByteString c("other");
    c.LockBuffer();
    c = b;  // assigning into a locked buffer copies as well
    EXPECT_NE(c.BufferId(), b.BufferId());
    EXPECT_EQ(c, "secret");
    a.Empty();  // a locked buffer is emptied in place
    EXPECT_FALSE(a.IsSharedEmpty());
    EXPECT_EQ(a.GetLength(), 0);
    a.UnlockBuffer();
    ByteString d = a;
    EXPECT_EQ(d.BufferId(), a.BufferId());
}

TEST(ByteString, AppendGrowsToExactLengthAndReusesUnsharedRoom) {
    ByteString a;
    a.Append("ab");
    a.Append('c');
    a.Append(ByteString("de"));
    a.Append(static_cast<const char*>(nullptr));
    EXPECT_EQ(a, "abcde");
    char* buffer = a.GetBuffer(64);
    ASSERT_NE(buffer, nullptr);
    a.ReleaseBuffer();
    const void* before = a.BufferId();
    a.Append("fgh");
    EXPECT_EQ(a.BufferId(), before);
    EXPECT_EQ(a, "abcdefgh");
    ByteString shared = a;
    a.Append("i");  // a shared buffer is never written in place
    EXPECT_EQ(shared, "abcdefgh");
    EXPECT_EQ(a, "abcdefghi");
}

TEST(ByteString, GetBufferAndReleaseBufferSetTheLength) {
    ByteString a("xyz");
    ByteString shared = a;
    char* buffer = a.GetBuffer(10);
    ASSERT_NE(buffer, nullptr);
    std::snprintf(buffer, 11, "%s", "0123456789");
    a.ReleaseBuffer();
    EXPECT_EQ(a, "0123456789");
    EXPECT_EQ(shared, "xyz");
    a.GetBuffer(0);
    a.ReleaseBuffer(4);
    EXPECT_EQ(a, "0123");
}

TEST(ByteString, MidAndLeftClampTheirRanges) {
    ByteString a("abcdef");
    EXPECT_EQ(a.Mid(2, 3), "cde");
    EXPECT_EQ(a.Mid(-3, 2), "ab");
    EXPECT_EQ(a.Mid(4, 100), "ef");
    EXPECT_EQ(a.Mid(6, 1), "");
    EXPECT_EQ(a.Mid(99, 1), "");
    EXPECT_EQ(a.Mid(1, -5), "");
    EXPECT_EQ(a.Left(-1), "");
    EXPECT_EQ(a.Left(3), "abc");
    EXPECT_EQ(a.Left(60), "abcdef");
    EXPECT_EQ(a.Mid(0).BufferId(), a.BufferId());
}

TEST(ByteString, TrimRemovesCLibraryWhiteSpace) {
    ByteString a("abc \r\n");
    a.TrimRight();
    EXPECT_EQ(a, "abc");
    ByteString b(" \tabc");
    b.TrimLeft();
    EXPECT_EQ(b, "abc");
    ByteString c(" \t\r\n\v\f");
    c.TrimRight();
    EXPECT_EQ(c.GetLength(), 0);
    ByteString empty;
    EXPECT_TRUE(empty.TrimLeft());
    EXPECT_TRUE(empty.IsSharedEmpty());
}

TEST(ByteString, FieldSplitsAtMultiCharacterSeparators) {
    ByteString a("notify logon kim");
    EXPECT_EQ(a.Field(" ", 0), "notify");
    EXPECT_EQ(a.Field(" ", 1), "logon");
    EXPECT_EQ(a.Field(" ", 2), "kim");
    EXPECT_EQ(a.Field(" ", 3), "");
    EXPECT_EQ(a.Field(" ", 50), "");
    ByteString b("a\r\n\r\nb");
    EXPECT_EQ(b.Field("\r\n\r\n", 1), "b");
    EXPECT_EQ(b.Field("\r\n", 1), "");
    EXPECT_EQ(b.FieldCount("\r\n"), 3);
    EXPECT_EQ(ByteString().FieldCount(" "), 1);
    EXPECT_EQ(ByteString("aaaa").FieldCount("aa"), 3);
    ByteString out("stale");
    ByteString().Field(" ", 0, out);
    EXPECT_EQ(out, "");
}

TEST(ByteString, BetweenFindsTheNthEnclosedText) {
    ByteString offer("<kim><1024><a.txt><9>");
    EXPECT_EQ(offer.Between("<", ">", 0), "kim");
    EXPECT_EQ(offer.Between("<", ">", 2), "a.txt");
    EXPECT_EQ(offer.Between("<", ">", 3), "9");
    EXPECT_EQ(offer.Between("<", ">", 4), "");
    EXPECT_EQ(ByteString("<open only").Between("<", ">", 0), "");
    // The search resumes one close-length past the opening delimiter, so an
    // opening delimiter inside a field starts the next one.
    ByteString nested("<10.0.0.5><9042><a<b.txt><1500>");
    EXPECT_EQ(nested.Between("<", ">", 2), "a<b.txt");
    EXPECT_EQ(nested.Between("<", ">", 3), "b.txt");
    ByteString entries("OK\r\n<b>kim</b><b>lee</b>");
    EXPECT_EQ(entries.Between("<b>", "</b>", 1), "lee");
}

TEST(ByteString, FormatHoldsTheWholeTextOfAnyLength) {
    std::string longText(100000, 'x');
    ByteString a;
    ASSERT_TRUE(a.Format("%s|%d|%s", longText.c_str(), -2147483647 - 1, "end"));
    EXPECT_EQ(a.GetLength(), 100000 + 1 + 11 + 1 + 3);
    EXPECT_EQ(a.Mid(100001), "-2147483648|end");
    ASSERT_TRUE(a.Format("%5d/%-8s/%.2s/%%/%ld/%lld", 7, "ab", "xyz", 2147483648L, -9223372036854775807LL));
    EXPECT_EQ(a, "    7/ab      /xy/%/2147483648/-9223372036854775807");
    ASSERT_TRUE(a.Format("%*d|%.*s", 40, 1, 3, "abcdef"));
    EXPECT_EQ(a.GetLength(), 44);
    ASSERT_TRUE(a.Format("%.1fKB", 1025.0f / 1024));
    EXPECT_EQ(a, "1.0KB");
}

TEST(ByteString, FormatMayReadItsOwnValue) {
    ByteString a("abc");
    a.Format("%s-%s", a.c_str(), a.c_str());
    EXPECT_EQ(a, "abc-abc");
}

TEST(ByteString, WideTextConvertsThroughTheWireCodePage) {
    ByteString a;
    ASSERT_TRUE(a.AssignWide(u"안녕 kim"));
    EXPECT_EQ(a, "\xBE\xC8\xB3\xE7 kim");
    EXPECT_EQ(a.ToWide(), u"안녕 kim");
    a.AssignWide(static_cast<const char16_t*>(nullptr));
    EXPECT_TRUE(a.IsSharedEmpty());
}

TEST(ByteString, BuffersCrossThreadsSafely) {
    ByteString source("shared between threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([source] {
            for (int i = 0; i < 2000; ++i) {
                ByteString copy = source;
                ByteString field = copy.Field(" ", 2);
                copy.Append("!");
                ASSERT_EQ(field, "threads");
                ASSERT_EQ(copy, "shared between threads!");
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(source.RefCount(), 1);
    EXPECT_EQ(source, "shared between threads");
}

}  // namespace
}  // namespace nimbo
