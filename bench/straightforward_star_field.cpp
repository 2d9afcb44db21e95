// Frame-cost build: the star field as a straightforward implementation writes it, each star
// from the plain formulas with the library's pow, sin and cos, straight into glVertex3f; and
// none of the viewer's tuning, so the heap stays as the C library sets it up.
#include "heap.h"
#include "star_field.h"
#include "view_state.h"

#include "opengl.h"

#include <cmath>

void holdHeapAcrossFrames() {}

void drawStarField()
{
    StarRandom random;
    random.seed(0);
    glPointSize(1.0f);
    glBegin(GL_POINTS);
    for (int i = 0; i < viewState.starCount; ++i) {
        const float u1 = static_cast<float>(random.next() / 32767.0);
        const float r = static_cast<float>(u1 * 7.0 + static_cast<double>(0.1f));
        const float u2 = static_cast<float>(random.next() / 32767.0);
        const double t = static_cast<double>(viewState.tick) * static_cast<double>(viewState.spinRate);
        const float theta = static_cast<float>(t / std::pow(static_cast<double>(r), 1.5) +
                                               (u2 * 3.14159) * 2.0);
        const float y = static_cast<float>(static_cast<float>(std::sin(theta)) * static_cast<double>(r));
        const float x = static_cast<float>(static_cast<float>(std::cos(theta)) * static_cast<double>(r));
        glVertex3f(x, y, 0.0f);
    }
    glEnd();
}
