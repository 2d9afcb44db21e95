// Linked only into the test builds of the viewer: the view state as one line, in hex floats,
// printed on standard error at exit, so that tests can compare it with what their inputs
// should give.
#include "view_state.h"

#include <cstdio>
#include <cstdlib>
#include <string>

std::string stateLine()
{
    char line[256];
    std::snprintf(line, sizeof line,
                  "state tick=%d spinRate=%a zoom=%a angleX=%a angleY=%a animating=%d dragging=%d",
                  viewState.tick, static_cast<double>(viewState.spinRate),
                  static_cast<double>(viewState.zoom), static_cast<double>(viewState.angleX),
                  static_cast<double>(viewState.angleY), viewState.animating ? 1 : 0,
                  viewState.dragging ? 1 : 0);
    return line;
}

namespace {
void reportState() { std::fprintf(stderr, "%s\n", stateLine().c_str()); }

const bool registered = std::atexit(reportState) == 0;
}  // namespace
