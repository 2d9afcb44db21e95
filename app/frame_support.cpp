// Aspect ratio and the OpenGL error line.
#include "frame_support.h"

namespace {
// The error line has always carried this number; scripts that read it may rely on it.
constexpr int errorLine = 82;
constexpr const char* unknownErrorText = "unknown error";
}  // namespace

double aspectRatio(int width, int height)
{
    return static_cast<double>(width) / static_cast<double>(height < 1 ? 1 : height);
}

void writeGlError(std::FILE* out, unsigned code, const char* text)
{
    std::fprintf(out, "GL Error %s (0x%x) at line %d\n", text != nullptr ? text : unknownErrorText,
                 code, errorLine);
    std::fflush(out);
}
