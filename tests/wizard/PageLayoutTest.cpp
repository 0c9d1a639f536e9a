// Where language-dependent texts go on the pages.
#include <gtest/gtest.h>

#include "wizard/PageLayout.h"

namespace {

TextBox Box(int left, int top, int right, int bottom)
{
    TextBox box;
    box.left = left, box.top = top, box.right = right, box.bottom = bottom;
    return box;
}

}  // namespace

TEST(PageLayout, TheModelNameNeverRunsUnderTheLabel)
{
    const TextBox label = Box(160, 18, 470, 42), name = Box(270, 20, 460, 44);
    // A short (Chinese) label ends before the template's place: it stays.
    TextBox placed = PlaceBesideLabel(label, 96, 14, name, 110, 7, 470);
    EXPECT_EQ(270, placed.left);
    EXPECT_EQ(20, placed.top);
    // A long (English) label: the name follows its text on the same line ...
    placed = PlaceBesideLabel(label, 190, 14, name, 110, 7, 470);
    EXPECT_EQ(357, placed.left);
    EXPECT_EQ(20, placed.top);
    EXPECT_EQ(470, placed.right);
    // ... or, when it would not fit there, goes below the label's text.
    placed = PlaceBesideLabel(label, 250, 14, name, 110, 7, 470);
    EXPECT_EQ(160, placed.left);
    EXPECT_EQ(32, placed.top);
    EXPECT_EQ(56, placed.bottom);
    // A name placed on another line than the label is left alone.
    placed = PlaceBesideLabel(label, 300, 14, Box(160, 60, 460, 80), 110, 7, 470);
    EXPECT_EQ(160, placed.left);
    EXPECT_EQ(60, placed.top);
}

TEST(PageLayout, TheHotlineEndsBeforeTheFirstButton)
{
    EXPECT_EQ(250, HotlineWidth(6, 262, 6));
    EXPECT_EQ(0, HotlineWidth(6, 10, 6));
}
