// Aspect ratio and the OpenGL error line.
#include "frame_support.h"

#include "exact_rounding.h"

namespace {
// The error line has always carried this number; scripts that read it may rely on it.
constexpr int errorLine = 82;
constexpr const char* unknownErrorText = "unknown error";
}  // namespace

double aspectRatio(int width, int height)
{
    const double pixelsHigh = height < 1 ? 1 : height;
    return roundedTo<double>(static_cast<double>(width) / pixelsHigh);
}

void writeGlError(std::FILE* out, unsigned code, const char* text)
{
    std::fprintf(out, "GL Error %s (0x%x) at line %d\n", text != nullptr ? text : unknownErrorText,
                 code, errorLine);
    std::fflush(out);
}
