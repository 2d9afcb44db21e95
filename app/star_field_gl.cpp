// Sends the star field of the current view state to OpenGL as immediate-mode points.
#include "replaceable.h"
#include "star_field.h"
#include "view_state.h"

#include "opengl.h"

void drawStarField()
{
    glPointSize(1.0f);
    glBegin(GL_POINTS);
    // The stars arrive in runs of a batch each, so the driver's work does not interleave
    // with the arithmetic star by star.
    forEachStar(viewState.starCount, viewState.tick, viewState.spinRate,
                [](float x, float y) { glVertex3f(x, y, 0.0f); });
    glEnd();
}
