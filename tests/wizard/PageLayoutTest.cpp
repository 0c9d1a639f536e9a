// Where language-dependent texts go on the pages.
#include <gtest/gtest.h>

#include "wizard/PageLayout.h"

#include <string>
#include <vector>

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

TEST(PageLayout, FontsAndMarginsFollowTheScale)
{
    EXPECT_EQ(12, PointsToPixels(9, 96));
    EXPECT_EQ(20, PointsToPixels(15, 96));  // the heading, as designed at 100 %
    EXPECT_EQ(25, PointsToPixels(15, 120));
    EXPECT_EQ(30, PointsToPixels(15, 144));
    EXPECT_EQ(40, PointsToPixels(15, 192));
    EXPECT_EQ(16, ScaledPixels(16, 96));
    EXPECT_EQ(20, ScaledPixels(16, 120));
    EXPECT_EQ(8, ScaledPixels(6, 125));  // 7.8, rounded
}

TEST(PageLayout, APictureFillsItsFrameFromTheNearestDrawnSize)
{
    const std::vector<PixelSize> banner = {{160, 310}, {200, 388}, {240, 465}, {320, 620}};
    struct Case {
        PixelSize frame;
        size_t variant;
        bool resample;
        PixelSize scaled;
        int offsetX;
    } const cases[] = {
        {{159, 309}, 0, false, {160, 310}, 0},   // 100 %: as drawn
        {{160, 270}, 0, false, {160, 310}, 0},   // a shorter page: the foot is cut off
        {{242, 466}, 2, false, {240, 465}, -1},  // short by two pixels: as drawn
        {{210, 400}, 2, true, {210, 407}, 0},    // between sizes: the next larger, scaled down
        {{400, 800}, 3, true, {413, 800}, 6},    // beyond 200 %: the largest, scaled up
        {{100, 100}, 0, true, {100, 194}, 0},    // a frame of another shape: covered, cut off
    };
    for (const Case& c : cases) {
        const PictureChoice choice = ChoosePicture(banner, c.frame, PictureAnchor::Top);
        SCOPED_TRACE(std::to_string(c.frame.width) + "x" + std::to_string(c.frame.height));
        EXPECT_EQ(c.variant, choice.variant);
        EXPECT_EQ(c.resample, choice.resample);
        EXPECT_EQ(c.scaled.width, choice.scaled.width);
        EXPECT_EQ(c.scaled.height, choice.scaled.height);
        EXPECT_EQ(c.offsetX, choice.offsetX);
        EXPECT_EQ(0, choice.offsetY);
        EXPECT_GE(choice.scaled.width, c.frame.width - kPictureSlack);
        EXPECT_GE(choice.scaled.height, c.frame.height - kPictureSlack);
    }
    // Centred pictures are cut off evenly; a missing size is never chosen.
    const std::vector<PixelSize> cable = {{124, 120}, {0, 0}, {186, 180}, {248, 240}};
    const PictureChoice centred = ChoosePicture(cable, {150, 120}, PictureAnchor::Centre);
    EXPECT_EQ(2u, centred.variant);
    EXPECT_EQ(150, centred.scaled.width);
    EXPECT_EQ(146, centred.scaled.height);
    EXPECT_EQ(0, centred.offsetX);
    EXPECT_EQ(13, centred.offsetY);
    EXPECT_EQ(0u, ChoosePicture(cable, {0, 40}, PictureAnchor::Centre).variant);
}

TEST(PageLayout, ResamplingAveragesAndBlendsWithoutShiftingColours)
{
    // One colour stays that colour at any size.
    const std::vector<uint32_t> plain(6 * 4, 0x3366CCu);
    for (const PixelSize& to : {PixelSize{3, 2}, PixelSize{15, 10}, PixelSize{6, 4}, PixelSize{1, 1}})
        for (uint32_t p : ResamplePixels(plain, {6, 4}, to))
            ASSERT_EQ(0x3366CCu, p);

    // Halving a black and white checkerboard averages it to grey.
    std::vector<uint32_t> board(8 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            board[static_cast<size_t>(y * 8 + x)] = (x + y) % 2 ? 0xFFFFFFu : 0u;
    for (uint32_t p : ResamplePixels(board, {8, 8}, {4, 4})) {
        EXPECT_NEAR(128, static_cast<int>(p & 0xFF), 40);
        EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
    }

    // Enlarging a black-to-white step blends it, dark to light in order,
    // the ends keeping their colours.
    const std::vector<uint32_t> step = {0u, 0u, 0xFFFFFFu, 0xFFFFFFu};
    const std::vector<uint32_t> wide = ResamplePixels(step, {4, 1}, {12, 1});
    ASSERT_EQ(12u, wide.size());
    EXPECT_EQ(0u, wide.front());
    EXPECT_EQ(0xFFFFFFu, wide.back());
    for (size_t i = 1; i < wide.size(); ++i)
        EXPECT_GE(wide[i] & 0xFF, wide[i - 1] & 0xFF);

    // A short pixel list gives a white picture of the size asked, not a read past it.
    EXPECT_EQ(std::vector<uint32_t>(4, 0xFFFFFFu), ResamplePixels(step, {4, 4}, {2, 2}));
}

TEST(PageLayout, CroppingKeepsThePartAndFillsOutsideWithWhite)
{
    const std::vector<uint32_t> pixels = {1, 2, 3, 4, 5, 6};  // 3 x 2
    EXPECT_EQ((std::vector<uint32_t>{2, 3, 5, 6}), CropPixels(pixels, {3, 2}, 1, 0, {2, 2}));
    EXPECT_EQ((std::vector<uint32_t>{0xFFFFFFu, 1, 0xFFFFFFu, 4}), CropPixels(pixels, {3, 2}, -1, 0, {2, 2}));
    EXPECT_EQ((std::vector<uint32_t>{5, 6, 0xFFFFFFu}), CropPixels(pixels, {3, 2}, 1, 1, {3, 1}));
}
