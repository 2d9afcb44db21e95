// Linked only into the test build of the page: lets the browser test read the view state, and
// give the viewer one (tick, rate, zoom and both angles) and draw it, to compare with the
// desktop's frame.
#include "view_state.h"

#include "window_library.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <string>

std::string stateLine();  // state_report.cpp

extern "C" EMSCRIPTEN_KEEPALIVE const char* spirelleState()
{
    static std::string line;
    line = stateLine();
    return line.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE void spirelleSetView(std::int32_t tick, float spinRate,
                                                     float zoom, float angleX, float angleY)
{
    viewState.tick = tick;
    viewState.spinRate = spinRate;
    viewState.zoom = zoom;
    viewState.angleX = angleX;
    viewState.angleY = angleY;
    glutPostRedisplay();
}
