// Sends the star field of the current view state to OpenGL as immediate-mode points.
#include "star_field.h"
#include "view_state.h"

#include <GL/gl.h>

void drawStarField()
{
    glPointSize(1.0f);
    glBegin(GL_POINTS);
    forEachStar(viewState.starCount, viewState.tick, viewState.spinRate,
                [](float x, float y) { glVertex3f(x, y, 0.0f); });
    glEnd();
}
