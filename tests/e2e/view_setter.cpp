// Linked only into the test build of the page: lets the browser test read the view state and
// the matrices the last frame drew with, give the viewer a view (tick, rate, zoom and both
// angles) and draw it, to compare with the desktop's frame, draw again, and provoke an OpenGL
// error.
#include "view_state.h"

#include "window_library.h"

#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <cstdio>
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

// A frame drawn again as it stands, for a test that reads the canvas back as it is drawn.
extern "C" EMSCRIPTEN_KEEPALIVE void spirelleRedraw() { glutPostRedisplay(); }

// A call the layer refuses, as a faulty frame would make: the next frame reports the error.
extern "C" EMSCRIPTEN_KEEPALIVE void spirelleRefusedCall() { glEnable(0x1234); }

// The model-view and projection at the last glBegin, as the desktop's spy records them
// (linked with --wrap=glBegin).
extern "C" void __real_glBegin(GLenum mode);
std::array<GLfloat, 32> drawnMatrices{};

extern "C" void __wrap_glBegin(GLenum mode)
{
    glGetFloatv(GL_MODELVIEW_MATRIX, drawnMatrices.data());
    glGetFloatv(GL_PROJECTION_MATRIX, drawnMatrices.data() + 16);
    __real_glBegin(mode);
}

// "modelview" and "projection" lines of 16 elements each, in hex, as the spy's report has them.
extern "C" EMSCRIPTEN_KEEPALIVE const char* spirelleMatrices()
{
    static std::string text;
    text.clear();
    for (std::size_t matrix = 0; matrix < 2; ++matrix) {
        text += matrix == 0 ? "modelview" : "\nprojection";
        for (std::size_t i = 0; i < 16; ++i) {
            char element[32];
            std::snprintf(element, sizeof element, " %a",
                          static_cast<double>(drawnMatrices[matrix * 16 + i]));
            text += element;
        }
    }
    return text.c_str();
}
