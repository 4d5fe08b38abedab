#include "buddies/OwningTable.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace nimbo {
namespace {

// Counts how many of its kind are alive.
struct Counted {
    explicit Counted(int& counter, int number = 0) : alive(counter), value(number) { ++alive; }
    ~Counted() { --alive; }
    int& alive;
    int value;
};

std::u16string Key(int n) {
    const std::string text = "user" + std::to_string(n);
    return std::u16string(text.begin(), text.end());
}

TEST(OwningTable, ReplacesUnderAPresentKeyAndKeepsWhatLeavesAsSpares) {
    int alive = 0;
    {
        OwningTable<Counted> table;
        EXPECT_EQ(table.Lookup(u"kim"), nullptr);
        EXPECT_EQ(table.TakeSpare(), nullptr);
        table.Store(u"kim", std::make_unique<Counted>(alive, 1));
        Counted& second = table.Store(u"kim", std::make_unique<Counted>(alive, 2));
        table.Store(u"", std::make_unique<Counted>(alive, 3));
        EXPECT_EQ(table.Size(), 2u);
        EXPECT_EQ(table.Lookup(u"kim"), &second);
        EXPECT_EQ(table.Lookup(u"")->value, 3);
        EXPECT_EQ(table.Lookup(u"Kim"), nullptr);

        table.Clear();
        EXPECT_TRUE(table.IsEmpty());
        EXPECT_EQ(table.Lookup(u"kim"), nullptr);
        // The cleared objects come back in the order they were stored, then
        // the replaced one; a key stored before the clear is new again.
        std::unique_ptr<Counted> spare = table.TakeSpare();
        EXPECT_EQ(spare->value, 2);
        spare->value = 4;
        table.Store(u"lee", std::move(spare));
        EXPECT_EQ(table.TakeSpare()->value, 3);
        EXPECT_EQ(table.TakeSpare()->value, 1);
        EXPECT_EQ(table.TakeSpare(), nullptr);
        EXPECT_EQ(alive, 1);
        table.Store(u"kim", std::make_unique<Counted>(alive, 5));
        EXPECT_EQ(table.Size(), 2u);
        EXPECT_EQ(table.Lookup(u"lee")->value, 4);
        EXPECT_EQ(table.Lookup(u"kim")->value, 5);
        table.Clear();
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0);
}

TEST(OwningTable, ObjectsKeepTheirAddressWhileTheTableGrows) {
    int alive = 0;
    OwningTable<Counted> table;
    std::map<std::u16string, Counted*> stored;
    for (int n = 0; n < 3000; ++n)
        stored[Key(n)] = &table.Store(Key(n), std::make_unique<Counted>(alive, n));
    ASSERT_EQ(table.Size(), 3000u);
    std::map<std::u16string, Counted*> visited;
    for (const auto& [key, object] : table)
        visited[key] = object.get();
    EXPECT_EQ(visited, stored);
    for (const auto& [key, object] : stored)
        EXPECT_EQ(table.Lookup(key), object);

    // Refilled as a refresh does: only the new keys are found.
    table.Clear();
    for (int n = 3000; n < 6000; ++n)
        table.Store(Key(n), std::make_unique<Counted>(alive, n));
    EXPECT_EQ(table.Size(), 3000u);
    EXPECT_EQ(table.Lookup(Key(0)), nullptr);
    EXPECT_EQ(table.Lookup(Key(5999))->value, 5999);
}

}  // namespace
}  // namespace nimbo
