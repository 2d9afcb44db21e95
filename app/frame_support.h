// The parts of the frame code that are plain arithmetic and text, testable without a window.
#pragma once

#include <cstdio>

// Width over height for the projection; a window of height 0 counts as 1 pixel high.
double aspectRatio(int width, int height);

// Writes the one-line report of a pending OpenGL error. text is the library's
// description of the code and may be null for codes it does not know.
void writeGlError(std::FILE* out, unsigned code, const char* text);
