// Frame-cost build: the 25,000 stars of tick 0, computed once, sent as in every frame,
// so a frame costs its fixed work plus the vertex submission, without the star arithmetic.
// SPIRELLE_BUSY_US=n keeps the thread busy for n microseconds before each batch instead:
// a frame that spends the star computation's time on nothing, as a control.
#include "replaceable.h"
#include "star_field.h"
#include "view_state.h"

#include "opengl.h"

#include <chrono>
#include <cstdlib>
#include <vector>

namespace {
void keepBusy(std::chrono::microseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
    }
}
}  // namespace

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
    static const char* const busy = std::getenv("SPIRELLE_BUSY_US");
    if (busy != nullptr) {
        keepBusy(std::chrono::microseconds(std::atol(busy)));
    }
    glPointSize(1.0f);
    glBegin(GL_POINTS);
    for (std::size_t i = 0; i < stars.size(); i += 2) {
        glVertex3f(stars[i], stars[i + 1], 0.0f);
    }
    glEnd();
}
