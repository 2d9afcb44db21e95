// Frame-cost build: the star field as a straightforward implementation writes it, each star
// from the plain formulas with the library's pow, sin and cos, straight into glVertex3f; and
// none of the viewer's tuning, so the heap stays as the C library sets it up.
#include "plain_stars.h"
#include "replaceable.h"
#include "view_state.h"

#include "opengl.h"

void holdHeapAcrossFrames() {}

void drawStarField()
{
    glPointSize(1.0f);
    glBegin(GL_POINTS);
    forEachPlainStar(viewState.starCount, viewState.tick, viewState.spinRate,
                     [](double a) { return std::sin(a); }, [](double a) { return std::cos(a); },
                     [](float x, float y) { glVertex3f(x, y, 0.0f); });
    glEnd();
}
