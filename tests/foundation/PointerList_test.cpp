// Tests of PointerList with its iterators, and of the owning PtrLinkList.
#include "foundation/PointerList.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/PtrLinkList.h"

namespace {

std::vector<void*> contents(const PointerList& list) {
    std::vector<void*> out;
    for (ConstPointerListItr it = list.Begin(); it != list.End(); ++it) {
        out.push_back(*it);
    }
    return out;
}

}  // namespace

TEST(PointerList, EmptyListAndOrder) {
    PointerList list;
    EXPECT_TRUE(list.Begin() == list.End());
    EXPECT_EQ(list.Front(), nullptr);
    EXPECT_EQ(list.Back(), nullptr);
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_EQ(*list.End(), nullptr);
    list.PopFront();
    list.PopBack();
    EXPECT_TRUE(list.Empty());

    int a = 1, b = 2, c = 3;
    list.PushFront(&a);
    list.PushBack(&b);
    list.PushFront(&c);
    EXPECT_EQ(contents(list), (std::vector<void*>{&c, &a, &b}));
    EXPECT_EQ(list.Front(), &c);
    EXPECT_EQ(list.Back(), &b);
    EXPECT_EQ(*list.End(), nullptr);

    // Null and repeated entries are ordinary entries.
    list.PushBack(nullptr);
    list.PushBack(&a);
    EXPECT_EQ(list.Size(), 5u);
    EXPECT_EQ(list.Back(), &a);

    // Walking backwards from End reaches the same entries.
    std::vector<void*> backwards;
    for (PointerListItr it = list.End(); it != list.Begin();) {
        --it;
        backwards.push_back(*it);
    }
    EXPECT_EQ(backwards, (std::vector<void*>{&a, nullptr, &b, &a, &c}));
}

TEST(PointerList, InsertAndErase) {
    PointerList list;
    int a = 1, b = 2, c = 3, d = 4;
    list.PushBack(&a);
    PointerListItr second = list.PushBack(&b);
    list.PushBack(&c);

    PointerListItr before = list.InsertBefore(second, &d);
    EXPECT_EQ(*before, &d);
    EXPECT_EQ(contents(list), (std::vector<void*>{&a, &d, &b, &c}));

    PointerListItr next = list.Erase(second);
    EXPECT_EQ(*next, &c);
    PointerListItr last = list.Begin();
    ++last;
    ++last;
    EXPECT_EQ(*last, &c);
    EXPECT_TRUE(list.Erase(last) == list.End());
    EXPECT_EQ(contents(list), (std::vector<void*>{&a, &d}));

    EXPECT_TRUE(list.Erase(PointerListItr()) == list.Begin());
    EXPECT_EQ(list.Size(), 2u);

    list.PushBack(&b);
    list.PushBack(&c);
    PointerListItr from = list.Begin();
    ++from;
    PointerListItr to = from;
    ++to;
    ++to;
    EXPECT_TRUE(list.Erase(from, to) == to);
    EXPECT_EQ(contents(list), (std::vector<void*>{&a, &c}));

    list.PopBack();
    EXPECT_EQ(contents(list), (std::vector<void*>{&a}));
    list.PopFront();
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(list.Begin() == list.End());
}

TEST(PointerList, CopiesShareEntriesButNotNodes) {
    std::vector<int> objects{10, 20, 30};
    PointerList b;
    for (int& o : objects) {
        b.PushBack(&o);
    }

    PointerList a;
    int stray = 0;
    a.PushBack(&stray);
    a = b;
    EXPECT_EQ(contents(a), contents(b));
    PointerList& same = a;
    a = same;
    EXPECT_EQ(contents(a), contents(b));

    a.PopFront();
    b.PushBack(&stray);
    EXPECT_EQ(a.Size(), 2u);
    EXPECT_EQ(b.Size(), 4u);

    PointerList c(b);
    EXPECT_EQ(contents(c), contents(b));

    // Emptying frees nodes only: the objects stay alive and untouched.
    c.MakeEmpty();
    EXPECT_TRUE(c.Empty());
    EXPECT_EQ(objects, (std::vector<int>{10, 20, 30}));
    c.PushBack(&objects[0]);
    EXPECT_EQ(c.Front(), &objects[0]);
}

namespace {

struct Counted : LinkElement_Dual {
    explicit Counted(int* alive) : mAlive(alive) { ++*mAlive; }
    ~Counted() override { --*mAlive; }
    int* mAlive;
};

}  // namespace

TEST(PtrLinkList, OwnsAndIndexesElements) {
    int alive = 0;
    {
        PtrLinkList empty;
        EXPECT_EQ(empty.index(0), nullptr);
        EXPECT_EQ(empty.add(nullptr), 0);
        EXPECT_EQ(empty.Count(), 0u);
    }
    {
        Counted* first = new Counted(&alive);
        PtrLinkList list(first);
        Counted* second = new Counted(&alive);
        Counted* third = new Counted(&alive);
        EXPECT_EQ(list.add(second), 1);
        EXPECT_EQ(list.add(third), 1);
        EXPECT_EQ(list.add(nullptr), 0);
        EXPECT_EQ(list.Count(), 3u);
        EXPECT_EQ(list.index(0), first);
        EXPECT_EQ(list.index(2), third);
        EXPECT_EQ(list.index(3), nullptr);
        EXPECT_EQ(third->mPrev, second);
        EXPECT_EQ(third->mNext, nullptr);
        list.dumpEntireList(nullptr);

        // Prefix and postfix both move; postfix hands back the new position.
        LinkElementDualIterator it(list);
        EXPECT_EQ(*it, first);
        LinkElementDualIterator moved = it++;
        EXPECT_EQ(*moved, second);
        EXPECT_EQ(*it, second);
        EXPECT_EQ(*++it, third);
        EXPECT_EQ(*(it--), second);
        ++it;
        ++it;
        EXPECT_EQ(*it, nullptr);
        ++it;  // stays at null
        EXPECT_EQ(*it, nullptr);
        EXPECT_TRUE(it == LinkElementDualIterator());
        EXPECT_EQ(alive, 3);
    }
    EXPECT_EQ(alive, 0);
}
