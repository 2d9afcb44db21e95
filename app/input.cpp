// State changes of the animation tick, the keys and the left-button drag.
#include "input.h"

#include <cstdint>

namespace {
constexpr float spinStep = 0.001f;   // radians per tick, per arrow press
constexpr float zoomFactor = 0.99f;  // per arrow press
}  // namespace

void advanceTick(ViewState& state)
{
    state.tick = static_cast<std::int32_t>(static_cast<std::uint32_t>(state.tick) + 1u);
}

InputEffect keyPressed(ViewState& state, unsigned char key)
{
    switch (key) {
    case keys::escape:
        return InputEffect::quit;
    case keys::space:
        state.animating = !state.animating;
        return state.animating ? InputEffect::resume : InputEffect::pause;
    default:
        return InputEffect::none;
    }
}

// Single-precision operations round once, exactly as the double-precision
// result of the same float operands rounded to float would.
InputEffect specialKeyPressed(ViewState& state, int key)
{
    switch (key) {
    case keys::left:
        state.spinRate -= spinStep;
        break;
    case keys::right:
        state.spinRate += spinStep;
        break;
    case keys::up:
        state.zoom *= zoomFactor;
        break;
    case keys::down:
        state.zoom /= zoomFactor;
        break;
    default:
        return InputEffect::none;
    }
    return InputEffect::redisplay;
}

void buttonChanged(ViewState& state, int button, int buttonState, int x, int y)
{
    if (button != buttons::left) {
        return;
    }
    if (buttonState == buttons::down) {
        state.dragging = true;
        state.lastMouseX = x;
        state.lastMouseY = y;
    } else if (buttonState == buttons::up) {
        state.dragging = false;
    }
}

// One degree of turn per pixel of travel: horizontal turns about Y, vertical about X.
InputEffect pointerDragged(ViewState& state, int x, int y)
{
    if (!state.dragging) {
        return InputEffect::none;
    }
    // Differences in 64 bits cannot overflow, whatever coordinates arrive.
    const std::int64_t dx = std::int64_t{x} - state.lastMouseX;
    state.lastMouseX = x;
    state.angleY += static_cast<float>(dx);
    const std::int64_t dy = std::int64_t{y} - state.lastMouseY;
    state.lastMouseY = y;
    state.angleX += static_cast<float>(dy);
    return InputEffect::redisplay;
}
