#include "platform/mfc/carray.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/mfc/cstring.h"

namespace {

template <class T, class A>
std::vector<T> Items(const CArray<T, A>& array) {
    return {array.begin(), array.end()};
}

TEST(CArray, InsertAndRemoveKeepTheOrder) {
    CArray<int, int> a;
    EXPECT_EQ(a.Add(1), 0);
    EXPECT_EQ(a.Add(4), 1);
    a.InsertAt(1, 2);
    a.InsertAt(2, 3);
    a.InsertAt(4, 5, 2);  // at the end
    EXPECT_EQ(Items(a), (std::vector<int>{1, 2, 3, 4, 5, 5}));
    a.RemoveAt(1, 2);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 4, 5, 5}));
    a.RemoveAt(2, 10);  // a count past the end removes the rest
    EXPECT_EQ(a.GetUpperBound(), 1);
    EXPECT_EQ(a.Append(a), 2);  // appending the array to itself
    EXPECT_EQ(Items(a), (std::vector<int>{1, 4, 1, 4}));
    a.InsertAt(1, &a);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 1, 4, 1, 4, 4, 1, 4}));
    a.SetSize(10);
    EXPECT_EQ(a[9], 0);
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
}

TEST(CArray, ElementReferencesSurviveGrowth) {
    CArray<CString> a;
    a.Add(L"first");
    for (int i = 0; i < 40; ++i) a.Add(a[0]);  // the argument refers into the array
    a.SetAtGrow(100, a[0]);
    a.InsertAt(0, a[100], 3);
    EXPECT_EQ(a.GetSize(), 104);
    EXPECT_EQ(a[0], L"first");
    EXPECT_EQ(a[103], L"first");
    EXPECT_TRUE(a[50].IsEmpty());
}

TEST(CArray, OutOfRangeIndexesAreHarmless) {
    auto owned = std::make_unique<int>(7);
    CArray<int*, int*> a;
    a.Add(owned.get());
    EXPECT_EQ(a.GetAt(-1), nullptr);
    EXPECT_EQ(a.GetAt(1), nullptr);
    a.SetAt(1, owned.get());
    a.ElementAt(5) = owned.get();  // lands in a scratch element
    EXPECT_EQ(a[5], nullptr);
    a.InsertAt(3, owned.get());
    a.InsertAt(-1, owned.get());
    a.RemoveAt(1);
    a.RemoveAt(-1);
    a.SetAtGrow(-1, nullptr);
    EXPECT_EQ(a.GetSize(), 1);
    a.RemoveAll();  // the array does not own what its pointers point to
    EXPECT_EQ(*owned, 7);
}

}  // namespace
