// The zoom history on its own: equal states, wheel merging, dropping the
// entries ahead of the current one, walking back and forth.
#include <gtest/gtest.h>

#include "view/zoom_history.h"

using namespace veltor;

namespace {

TEST(ZoomHistory, StartsWithTheStateOfANewView) {
    ZoomHistory h;
    EXPECT_EQ(h.count(), 1);
    EXPECT_EQ(h.index(), 0);
    EXPECT_EQ(h.current(), (ZoomHistoryEntry{0, 0, 1.0, ZoomChangeKind::Other}));
    EXPECT_FALSE(h.canGoBack());
    EXPECT_FALSE(h.canGoForward());
    EXPECT_FALSE(h.back());
    EXPECT_FALSE(h.forward());
}

TEST(ZoomHistory, AStateEqualToTheCurrentEntryIsNotRecorded) {
    ZoomHistory h;
    EXPECT_FALSE(h.push(0, 0, 1.000001, ZoomChangeKind::Other)); // within 0.00001
    EXPECT_TRUE(h.push(0, 0, 1.0001, ZoomChangeKind::Other));
    EXPECT_TRUE(h.push(1, 0, 1.0001, ZoomChangeKind::Other)); // scroll differs
    EXPECT_EQ(h.count(), 3);
}

TEST(ZoomHistory, ConsecutiveWheelNotchesShareOneEntry) {
    ZoomHistory h;
    for (int i = 1; i <= 10; ++i)
        h.push(0, 0, 1.0 + 0.1 * i, ZoomChangeKind::Wheel);
    ASSERT_EQ(h.count(), 2);
    EXPECT_NEAR(h.current().zoom, 2.0, 1e-9);
    EXPECT_EQ(h.current().kind, ZoomChangeKind::Wheel);
    // A command after the notches starts its own entry; a notch after that too.
    h.push(0, 0, 1.0, ZoomChangeKind::Other);
    h.push(0, 0, 1.1, ZoomChangeKind::Wheel);
    EXPECT_EQ(h.count(), 4);
}

TEST(ZoomHistory, GoingBackAndPushingDropsTheEntriesAhead) {
    ZoomHistory h;
    h.push(0, 0, 2.0, ZoomChangeKind::Other);
    h.push(10, 20, 3.0, ZoomChangeKind::Other);
    h.push(30, 40, 4.0, ZoomChangeKind::Other);
    ASSERT_TRUE(h.back());
    ASSERT_TRUE(h.back());
    EXPECT_EQ(h.index(), 1);
    h.push(5, 5, 1.5, ZoomChangeKind::Other);
    EXPECT_EQ(h.count(), 3);
    EXPECT_EQ(h.index(), 2);
    EXPECT_FALSE(h.canGoForward());
    EXPECT_DOUBLE_EQ(h.entries()[1].zoom, 2.0);
}

TEST(ZoomHistory, ReturningToAWheelEntryKeepsItFromBeingOverwritten) {
    ZoomHistory h;
    h.push(0, 0, 1.5, ZoomChangeKind::Wheel);
    h.push(0, 0, 3.0, ZoomChangeKind::Other);
    const auto back = h.back();
    ASSERT_TRUE(back);
    EXPECT_DOUBLE_EQ(back->zoom, 1.5);
    EXPECT_EQ(back->kind, ZoomChangeKind::Other);
    // A notch there appends (dropping 3.0) instead of replacing 1.5.
    h.push(0, 0, 1.6, ZoomChangeKind::Wheel);
    ASSERT_EQ(h.count(), 3);
    EXPECT_DOUBLE_EQ(h.entries()[1].zoom, 1.5);
    EXPECT_DOUBLE_EQ(h.entries()[2].zoom, 1.6);
}

TEST(ZoomHistory, BackThenForwardReturnsTheSameEntry) {
    ZoomHistory h;
    h.push(0, 0, 2.0, ZoomChangeKind::Other);
    h.push(150, 200, 2.1, ZoomChangeKind::Other);
    h.back();
    const auto again = h.forward();
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, (ZoomHistoryEntry{150, 200, 2.1, ZoomChangeKind::Other}));
}

} // namespace
