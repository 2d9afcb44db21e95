// exit() for the browser (linked with -Wl,--wrap=exit): ends the runtime even while an
// animation frame is pending (web/glut_frames.js), as the process ends on the desktop. Ending
// it removes GLUT's listeners, stops the animation and calls the page's Module.onExit.
#include <emscripten.h>

extern "C" [[noreturn]] void __wrap_exit(int status)
{
    emscripten_force_exit(status);
    __builtin_unreachable();
}
