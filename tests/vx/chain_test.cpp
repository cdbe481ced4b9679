#include "VX/VX.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> walk(VX_Chain& c) {
    std::vector<int> out;
    for (VX_Chain_Item* i = c.first(); !c.isEnd(i); i = i->next)
        out.push_back(*static_cast<int*>(i->data));
    return out;
}

TEST(Chain, InsertBeforeAndAtTheEnd) {
    int v[4] = {0, 1, 2, 3};
    VX_Chain c;
    EXPECT_TRUE(walk(c).empty()); // an empty chain meets the tail at once
    VX_Chain_Item a(&v[0]), b(&v[1]), d(&v[2]), e(&v[3]);
    c.insert(&a);
    c.insert(&b);
    c.insert(&d, &a);
    c.insert(&e, &b);
    EXPECT_EQ(walk(c), (std::vector<int>{2, 0, 3, 1}));
    EXPECT_EQ(c.count, 4);
    c.remove(&d);
    c.remove(&b);
    EXPECT_EQ(walk(c), (std::vector<int>{0, 3}));
    EXPECT_EQ(c.count, 2);
    EXPECT_EQ(d.chain, nullptr);
}

TEST(Chain, ItemsBelongToOneChainAtATime) {
    int x = 7;
    VX_Chain one, two;
    VX_Chain_Item item(&x), other(&x);
    one.insert(&item);
    one.insert(&item); // already in this chain
    two.insert(&item); // already in another
    EXPECT_EQ(one.count, 1);
    EXPECT_EQ(two.count, 0);
    EXPECT_EQ(two.remove(&item), &item); // not in it: nothing happens
    EXPECT_EQ(one.count, 1);
    EXPECT_EQ(item.chain, &one);
    // An anchor from another chain cannot splice the two together: the item goes to the end.
    two.insert(&other, &item);
    EXPECT_EQ(two.count, 1);
    EXPECT_EQ(walk(one), std::vector<int>{7});
    EXPECT_EQ(walk(two), std::vector<int>{7});
}

TEST(Chain, VisitorMayRemoveWhatItVisits) {
    int v[3] = {0, 1, 2};
    VX_Chain c;
    VX_Chain_Item a(&v[0]), b(&v[1]), d(&v[2]);
    c.insert(&a);
    c.insert(&b);
    c.insert(&d);
    int seen = 0;
    c.forEach<int>([&](int* p) {
        ++seen;
        if (*p != 1) c.remove(*p == 0 ? &a : &d);
    });
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(walk(c), std::vector<int>{1});
}

} // namespace
