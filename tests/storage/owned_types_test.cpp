#include "storage/owned_types.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ByteBufferTest, ResizeAndEquality) {
    ByteBuffer a;
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.assign("abc"), 0);
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(a.resize(0), 0);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(a.data(), nullptr);

    ByteBuffer b;
    EXPECT_TRUE(a.equals(b)); // two empty buffers
    a.assign("abc");
    b.assign(std::string_view("abc\0", 4));
    EXPECT_FALSE(a.equals(b));
    b.assignFrom(a);
    EXPECT_TRUE(a.equals(b));
    a.assignFrom(a); // self-assignment keeps the bytes
    EXPECT_EQ(a.view(), "abc");
}

TEST(CountedStringTest, EmptyTextHoldsNothing) {
    CountedString s("text");
    EXPECT_EQ(s.length(), 4u);
    s.assign("");
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.length(), 0u);
    s.assign("again");
    s.assign(s.view()); // its own text: unchanged
    EXPECT_EQ(s, "again");
}

struct Counted : ListItem {
    explicit Counted(int v, int* destroyed) : value(v), destroyed_(destroyed) {}
    ~Counted() override { ++*destroyed_; }
    int value;
    int* destroyed_;
};

TEST(ObjectListTest, OwnsItsItemsInOrder) {
    int destroyed = 0;
    {
        ObjectList<Counted> list;
        list.clear(); // on an empty list: nothing happens
        for (int i = 0; i < 3; ++i)
            list.append(std::make_unique<Counted>(i, &destroyed));
        EXPECT_EQ(list.count(), 3u);
        EXPECT_EQ(list.itemAt(3), nullptr);

        std::unique_ptr<Counted> removed = list.remove(1);
        ASSERT_NE(removed, nullptr);
        EXPECT_EQ(removed->value, 1);
        EXPECT_EQ(destroyed, 0); // handed back, not destroyed
        EXPECT_EQ(list.count(), 2u);
        EXPECT_EQ(list.itemAt(0)->value, 0);
        EXPECT_EQ(list.itemAt(1)->value, 2);
        EXPECT_EQ(list.remove(5), nullptr);
    }
    EXPECT_EQ(destroyed, 3);
}

} // namespace
} // namespace corvane
