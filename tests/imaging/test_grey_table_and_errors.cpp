#include "imaging/grey_table.h"
#include "imaging/library_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace veltor {
namespace {

TEST(GreyTable, LuminanceRoundedAndHandComputedEntries)
{
    EXPECT_EQ(greyValue(0, 0, 0), 0);
    EXPECT_EQ(greyValue(255, 255, 255), 255);
    EXPECT_EQ(greyValue(255, 0, 0), 76);   // 76.245 + 0.5
    EXPECT_EQ(greyValue(0, 255, 0), 150);  // 149.685 + 0.5
    EXPECT_EQ(greyValue(0, 0, 255), 29);   // 29.07 + 0.5
    EXPECT_EQ(greyValue(10, 20, 30), 18);  // 2.99 + 11.74 + 3.42 + 0.5 = 18.65
    const uint8_t* table = greyTable();
    EXPECT_EQ(table, greyTable());  // built once
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t r = rng() & 255, g = rng() & 255, b = rng() & 255;
        const int expected = static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b + 0.5);
        ASSERT_EQ(table[r * 65536 + g * 256 + b], expected) << r << "," << g << "," << b;
    }
}

TEST(LibraryError, CodesAndMessages)
{
    EXPECT_EQ(static_cast<int>(LibraryError::NoError), 0);
    EXPECT_EQ(static_cast<int>(LibraryError::BuildFailed), 1);
    EXPECT_EQ(static_cast<int>(LibraryError::MemoryAllocation), 2);
    EXPECT_EQ(static_cast<int>(LibraryError::NoUndoLevel), 4);
    EXPECT_EQ(static_cast<int>(LibraryError::NoRedoLevel), 5);
    EXPECT_EQ(static_cast<int>(LibraryError::UnknownBitmapFormat), 7);
    EXPECT_EQ(static_cast<int>(LibraryError::NotAllowedInMonochrome), 8);
    EXPECT_EQ(static_cast<int>(LibraryError::NotAllowedInColour), 9);
    EXPECT_STREQ(libraryErrorText(LibraryError::NoError), "No Error");
    EXPECT_STREQ(libraryErrorText(LibraryError::BuildFailed), "");
    EXPECT_STREQ(libraryErrorText(LibraryError::MemoryAllocation), "Memory Allocation Error");
    EXPECT_STREQ(libraryErrorText(LibraryError::NoUndoLevel), "There is no other undo level");
    EXPECT_STREQ(libraryErrorText(LibraryError::NoRedoLevel), "There is no other redo level");
    EXPECT_STREQ(libraryErrorText(LibraryError::UnknownBitmapFormat), "Unknown bitmap format");
    EXPECT_STREQ(libraryErrorText(LibraryError::NotAllowedInMonochrome), "Operation not allowed in monochrome image");
    EXPECT_STREQ(libraryErrorText(LibraryError::NotAllowedInColour), "Operation not allowed in color image");
    EXPECT_STREQ(libraryErrorText(static_cast<LibraryError>(3)), "");
}

} // namespace
} // namespace veltor
