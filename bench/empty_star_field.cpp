// Frame-cost build: an empty point batch in place of the star field, so a frame costs
// only its fixed work (clear, transform, flush, error query, swap).
#include "replaceable.h"

#include "opengl.h"

void drawStarField()
{
    glPointSize(1.0f);
    glBegin(GL_POINTS);
    glEnd();
}
