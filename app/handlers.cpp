// GLUT callbacks: each applies its input to the view state, then acts on the effect.
#include "handlers.h"

#include "input.h"
#include "view_state.h"

#include "window_library.h"

#include <cstdlib>

// The input rules restate GLUT's codes so that they need no GLUT; here the two must agree.
static_assert(keys::left == GLUT_KEY_LEFT && keys::up == GLUT_KEY_UP &&
              keys::right == GLUT_KEY_RIGHT && keys::down == GLUT_KEY_DOWN);
static_assert(buttons::left == GLUT_LEFT_BUTTON && buttons::down == GLUT_DOWN &&
              buttons::up == GLUT_UP);

namespace {
void carryOut(InputEffect effect)
{
    switch (effect) {
    case InputEffect::none:
        break;
    case InputEffect::redisplay:
        glutPostRedisplay();
        break;
    case InputEffect::pause:
        glutIdleFunc(nullptr);
        break;
    case InputEffect::resume:
        glutIdleFunc(idle);
        break;
    case InputEffect::quit:
        std::exit(0);
    }
}
}  // namespace

void idle()
{
    advanceTick(viewState);
    glutPostRedisplay();
}

void keyboard(unsigned char key, int, int) { carryOut(keyPressed(viewState, key)); }

void special(int key, int, int) { carryOut(specialKeyPressed(viewState, key)); }

void mouse(int button, int state, int x, int y) { buttonChanged(viewState, button, state, x, y); }

void motion(int x, int y) { carryOut(pointerDragged(viewState, x, y)); }
