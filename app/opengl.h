// The OpenGL header, from wherever the platform keeps it.
#pragma once

#if defined(__APPLE__)
#include <OpenGL/gl.h>
#else
#if defined(_WIN32)
// Windows' gl.h needs its calling conventions declared first; nothing else of windows.h
// is wanted, least of all its min and max macros.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <GL/gl.h>
#endif
