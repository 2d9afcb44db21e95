// The viewer's one mutable state record, shared by the frame code and every input handler.
#pragma once

#include <cstdint>

struct ViewState {
    std::int32_t starCount = 25000;
    float spinRate = 0.1f;  // orbital phase per tick, radians, of a star at radius 1
    float zoom = 1.0f;      // uniform scene scale
    std::int32_t lastMouseX = 0;  // window pixels, at the last drag event
    std::int32_t lastMouseY = 0;  // window pixels, y grows downwards
    std::int32_t tick = 0;        // wraps from INT32_MAX to INT32_MIN
    bool dragging = false;        // the left button went down in the window and is still down
    float angleX = 0.0f;          // degrees about the X axis, never wrapped
    float angleY = 0.0f;          // degrees about the Y axis, never wrapped
    bool animating = true;        // true exactly while the idle handler is installed

    bool operator==(const ViewState&) const = default;
};

// GLUT passes its handlers no user data, so they all reach this one instance.
extern ViewState viewState;
