// Linked only into the test build of the viewer: prints the view state on standard error
// at exit, in hex floats, so that tests can compare it with what their inputs should give.
#include "view_state.h"

#include <cstdio>
#include <cstdlib>

namespace {
void reportState()
{
    std::fprintf(stderr,
                 "state tick=%d spinRate=%a zoom=%a angleX=%a angleY=%a animating=%d dragging=%d\n",
                 viewState.tick, static_cast<double>(viewState.spinRate),
                 static_cast<double>(viewState.zoom), static_cast<double>(viewState.angleX),
                 static_cast<double>(viewState.angleY), viewState.animating ? 1 : 0,
                 viewState.dragging ? 1 : 0);
}

const bool registered = std::atexit(reportState) == 0;
}  // namespace
