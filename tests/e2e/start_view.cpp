// Linked only into the desktop test build, which wraps glutIdleFunc: with SPIRELLE_TEST_VIEW
// set to "tick spinRate zoom angleX angleY" (the rate, zoom and angles as hex floats, as the
// exit report prints them), the viewer starts paused at that view. Another build of the viewer,
// for another CPU, can then be made to draw the very frame this one drew.
#include "view_state.h"

#include <cstdio>
#include <cstdlib>

extern "C" void __real_glutIdleFunc(void (*callback)());

extern "C" void __wrap_glutIdleFunc(void (*callback)())
{
    // Only the first call, made at start-up, can be the one that starts the animation.
    static bool started = false;
    const char* view = started ? nullptr : std::getenv("SPIRELLE_TEST_VIEW");
    started = true;
    if (view == nullptr) {
        __real_glutIdleFunc(callback);
        return;
    }
    int tick = 0;
    double spinRate = 0.0, zoom = 0.0, angleX = 0.0, angleY = 0.0;
    if (std::sscanf(view, "%d %la %la %la %la", &tick, &spinRate, &zoom, &angleX, &angleY) != 5) {
        std::fprintf(stderr, "SPIRELLE_TEST_VIEW is not \"tick spinRate zoom angleX angleY\"\n");
        std::exit(2);
    }
    // The values were floats when printed, so they convert back exactly.
    viewState.tick = tick;
    viewState.spinRate = static_cast<float>(spinRate);
    viewState.zoom = static_cast<float>(zoom);
    viewState.angleX = static_cast<float>(angleX);
    viewState.angleY = static_cast<float>(angleY);
    viewState.animating = false;
}
