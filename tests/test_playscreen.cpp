#include "core/playscreen.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<int> morphRun(int target, int frames) {
    std::vector<int> shown;
    for (int f = frames; f >= 0; f--)
        shown.push_back(morphFrame(target, f));
    return shown;
}

// The frame shown for each 4-frame step of a morph, first to last.
std::vector<int> morphSteps(int target, int frames) {
    std::vector<int> all = morphRun(target, frames), steps;
    for (size_t i = 0; i < all.size(); i += 4)
        steps.push_back(all[i]);
    return steps;
}

TEST(PlayFrames, MorphTable) {
    struct {
        int target, frames;
        std::vector<int> steps;
    } cases[] = {
        {0, 31, {5, 13, 13, 5, 5, 13, 13, -1}}, // a fruit blinks away
        {1, 31, {37, 29, 29, 21, 21, 13, 13, 5}},
        {4, 31, {70, 62, 62, 54, 54, 46, 46, 38}},
        {3, 31, {38, 30, 30, 22, 22, 14, 14, 6}},
        {3, 63, {70, 62, 62, 54, 54, 46, 46, 38, 38, 30, 30, 22, 22, 14, 14, 6}},
        {0, 63, {37, 29, 29, 21, 21, 13, 13, 5, 5, 13, 13, 5, 5, 13, 13, -1}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(morphSteps(c.target, c.frames), c.steps) << c.target << " " << c.frames;
    // A morph still waiting for its delay shows its first picture: a 3
    // becoming a 2 shows the 3 (tile 69), a 4 becoming a 2 the 4 (tile 38).
    EXPECT_EQ(morphFrame(2, 31), 69);
    EXPECT_EQ(morphFrame(2, 63), 38);
    EXPECT_EQ(morphFrame(4, 63), -1); // off the table: nothing
    EXPECT_EQ(morphFrame(-1, 31), -1);
}

TEST(PlayFrames, PickingHandCountsDownFrom32) {
    std::vector<int> shown;
    for (int a = 32; a >= 1; a--)
        shown.push_back(handFrame(a));
    std::vector<int> want = {55};
    auto repeat = [&](int frame, int n) { want.insert(want.end(), n, frame); };
    repeat(56, 4);
    repeat(57, 4);
    repeat(58, 4);
    repeat(59, 8);
    repeat(58, 4);
    repeat(57, 4);
    repeat(56, 3);
    EXPECT_EQ(shown, want);
}

TEST(PlayFrames, CursorCyclesFourFramesOfFour) {
    const int want[] = {64, 64, 64, 64, 65, 65, 65, 65, 66, 66, 66, 66, 67, 67, 67, 67, 64};
    for (int a = 0; a <= 16; a++)
        EXPECT_EQ(cursorFrame(a), want[a]) << a;
}

} // namespace
