// Tests of what the tick, the keys and the mouse do to the view state.
#include "input.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

TEST(Input, FreshViewerStartsRunningAtTickZero)
{
    const ViewState fresh;
    EXPECT_EQ(fresh.starCount, 25000);
    EXPECT_EQ(fresh.tick, 0);
    EXPECT_EQ(fresh.spinRate, 0x1.99999ap-4f);  // the single-precision 0.1
    EXPECT_EQ(fresh.zoom, 1.0f);
    EXPECT_EQ(fresh.angleX, 0.0f);
    EXPECT_EQ(fresh.angleY, 0.0f);
    EXPECT_FALSE(fresh.dragging);
    EXPECT_TRUE(fresh.animating);
    EXPECT_EQ(viewState, fresh);
}

TEST(Input, TickAdvancesByOneAndWrapsPastInt32Max)
{
    ViewState state;
    advanceTick(state);
    EXPECT_EQ(state.tick, 1);
    state.tick = std::numeric_limits<std::int32_t>::max();
    advanceTick(state);
    EXPECT_EQ(state.tick, std::numeric_limits<std::int32_t>::min());
    advanceTick(state);
    EXPECT_EQ(state.tick, std::numeric_limits<std::int32_t>::min() + 1);
    state.tick = -1;
    advanceTick(state);
    EXPECT_EQ(state.tick, 0);
}

TEST(Input, SpacePausesThenResumes)
{
    ViewState state;
    EXPECT_EQ(keyPressed(state, ' '), InputEffect::pause);
    EXPECT_FALSE(state.animating);
    EXPECT_EQ(keyPressed(state, ' '), InputEffect::resume);
    EXPECT_TRUE(state.animating);
}

TEST(Input, EscapeQuitsAndEveryOtherKeyIsIgnored)
{
    ViewState state;
    EXPECT_EQ(keyPressed(state, 27), InputEffect::quit);
    for (int key = 0; key < 256; ++key) {
        if (key == 27 || key == ' ') {
            continue;
        }
        EXPECT_EQ(keyPressed(state, static_cast<unsigned char>(key)), InputEffect::none) << key;
    }
    EXPECT_EQ(state, ViewState{});
}

TEST(Input, ArrowsChangeRateAndZoomAndRedraw)
{
    ViewState state;
    EXPECT_EQ(specialKeyPressed(state, keys::right), InputEffect::redisplay);
    EXPECT_EQ(state.spinRate, 0x1.9db22ep-4f);  // 0.1f + 0.001f in float, about 0.101
    EXPECT_EQ(specialKeyPressed(state, keys::left), InputEffect::redisplay);
    EXPECT_EQ(specialKeyPressed(state, keys::left), InputEffect::redisplay);
    EXPECT_EQ(state.spinRate, 0x1.958106p-4f);  // and less 0.001f twice, about 0.099
    EXPECT_EQ(specialKeyPressed(state, keys::up), InputEffect::redisplay);
    EXPECT_EQ(state.zoom, 0.99f);
    EXPECT_EQ(specialKeyPressed(state, keys::down), InputEffect::redisplay);
    EXPECT_EQ(state.zoom, 1.0f);
}

// Each press rounds to single precision, so a hundred steps of 0.001 miss zero.
TEST(Input, HundredLeftPressesLeaveATinyBackwardRate)
{
    ViewState state;
    for (int i = 0; i < 100; ++i) {
        specialKeyPressed(state, keys::left);
    }
    EXPECT_EQ(state.spinRate, -0x1.bcp-26f);  // about -2.584e-8
    specialKeyPressed(state, keys::left);
    EXPECT_LT(state.spinRate, -0.0009f);
}

TEST(Input, TenZoomPressesEachWay)
{
    ViewState in;
    ViewState out;
    for (int i = 0; i < 10; ++i) {
        specialKeyPressed(in, keys::up);
        specialKeyPressed(out, keys::down);
    }
    EXPECT_EQ(in.zoom, 0x1.cf0b2ep-1f);  // about 0.9043822
    EXPECT_EQ(out.zoom, 0x1.1b10eep+0f);  // about 1.1057271
}

TEST(Input, OtherSpecialKeysAreIgnored)
{
    ViewState state;
    // F1 to F12, then page up, page down, home, end and insert.
    for (int key : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 104, 105, 106, 107, 108, 0, 99, 109}) {
        EXPECT_EQ(specialKeyPressed(state, key), InputEffect::none) << key;
    }
    EXPECT_EQ(state, ViewState{});
}

TEST(Input, LeftDragTurnsOneDegreePerPixel)
{
    ViewState state;
    buttonChanged(state, buttons::left, buttons::down, 100, 50);
    EXPECT_TRUE(state.dragging);
    EXPECT_EQ(pointerDragged(state, 130, 40), InputEffect::redisplay);
    EXPECT_EQ(state.angleY, 30.0f);
    EXPECT_EQ(state.angleX, -10.0f);
    EXPECT_EQ(pointerDragged(state, 125, 60), InputEffect::redisplay);
    EXPECT_EQ(state.angleY, 25.0f);
    EXPECT_EQ(state.angleX, 10.0f);
    EXPECT_EQ(state.lastMouseX, 125);
    EXPECT_EQ(state.lastMouseY, 60);

    buttonChanged(state, buttons::left, buttons::up, 125, 60);
    EXPECT_FALSE(state.dragging);
    EXPECT_EQ(pointerDragged(state, 500, 500), InputEffect::none);
    EXPECT_EQ(state.angleY, 25.0f);
    EXPECT_EQ(state.angleX, 10.0f);
}

TEST(Input, DragsBeyondTheWindowAndPastFullTurnsAccumulate)
{
    ViewState state;
    buttonChanged(state, buttons::left, buttons::down, 0, 0);
    for (int i = 1; i <= 10; ++i) {
        pointerDragged(state, 720 * i, -360 * i);
    }
    EXPECT_EQ(state.angleY, 7200.0f);
    EXPECT_EQ(state.angleX, -3600.0f);
    // Extreme coordinates: the difference is taken without overflow.
    pointerDragged(state, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    EXPECT_EQ(state.angleY, static_cast<float>(7200.0 + std::numeric_limits<int>::min() - 7200.0));
}

TEST(Input, OtherButtonsNeitherStartNorEndADrag)
{
    ViewState state;
    for (int button : {1, 2, 3, 4}) {
        buttonChanged(state, button, buttons::down, 10, 10);
        EXPECT_FALSE(state.dragging) << button;
        EXPECT_EQ(pointerDragged(state, 50, 50), InputEffect::none);
    }
    EXPECT_EQ(state, ViewState{});

    buttonChanged(state, buttons::left, buttons::down, 10, 10);
    buttonChanged(state, 2, buttons::down, 10, 10);
    buttonChanged(state, 2, buttons::up, 10, 10);
    EXPECT_TRUE(state.dragging);
    EXPECT_EQ(pointerDragged(state, 15, 10), InputEffect::redisplay);
    EXPECT_EQ(state.angleY, 5.0f);
}
