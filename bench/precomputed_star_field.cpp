// Frame-cost build: the 25,000 stars of tick 0, computed once, sent as in every frame,
// so a frame costs its fixed work plus the vertex submission, without the star arithmetic.
#include "star_field.h"
#include "view_state.h"

#include <GL/gl.h>

#include <vector>

void drawStarField()
{
    static const std::vector<float> stars = [] {
        std::vector<float> xy;
        forEachStar(viewState.starCount, 0, viewState.spinRate, [&](float x, float y) {
            xy.push_back(x);
            xy.push_back(y);
        });
        return xy;
    }();
    glPointSize(1.0f);
    glBegin(GL_POINTS);
    for (std::size_t i = 0; i < stars.size(); i += 2) {
        glVertex3f(stars[i], stars[i + 1], 0.0f);
    }
    glEnd();
}
