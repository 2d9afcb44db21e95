// Sends the star field of the current view state to OpenGL as immediate-mode points.
#include "star_field.h"
#include "view_state.h"

#include <GL/gl.h>

#include <cstddef>

void drawStarField()
{
    // Vertices reach GL in bursts rather than one by one between the star computations:
    // the driver's work then no longer interleaves with the arithmetic star by star,
    // which keeps both fast. A burst is fixed in size, whatever the star count.
    constexpr std::size_t burstSize = 4096;
    float burst[2 * burstSize];
    std::size_t pending = 0;
    const auto submit = [&] {
        for (std::size_t i = 0; i < pending; ++i) {
            glVertex3f(burst[2 * i], burst[2 * i + 1], 0.0f);
        }
        pending = 0;
    };

    glPointSize(1.0f);
    glBegin(GL_POINTS);
    forEachStar(viewState.starCount, viewState.tick, viewState.spinRate, [&](float x, float y) {
        burst[2 * pending] = x;
        burst[2 * pending + 1] = y;
        if (++pending == burstSize) {
            submit();
        }
    });
    submit();
    glEnd();
}
