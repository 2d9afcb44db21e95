// What each key, button and pointer movement does to the view state, free of GLUT.
#pragma once

#include "view_state.h"

// What the window side must do after an input has changed the state.
enum class InputEffect {
    none,
    redisplay,  // the picture changed: request a frame
    pause,      // remove the idle handler
    resume,     // install the idle handler again
    quit,       // end the process with status 0
};

// GLUT's key, button and state codes, as the window library defines them.
namespace keys {
constexpr unsigned char escape = 27;
constexpr unsigned char space = 32;
constexpr int left = 100;
constexpr int up = 101;
constexpr int right = 102;
constexpr int down = 103;
}  // namespace keys

namespace buttons {
constexpr int left = 0;
constexpr int down = 0;
constexpr int up = 1;
}  // namespace buttons

// One animation step: the tick advances by one, wrapping past INT32_MAX.
void advanceTick(ViewState& state);

InputEffect keyPressed(ViewState& state, unsigned char key);
InputEffect specialKeyPressed(ViewState& state, int key);
void buttonChanged(ViewState& state, int button, int buttonState, int x, int y);
InputEffect pointerDragged(ViewState& state, int x, int y);
