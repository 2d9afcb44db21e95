// GLUT with OpenGL and GLU, from wherever the platform keeps them.
#pragma once

#if defined(__APPLE__)
#include <GLUT/glut.h>  // Apple's GLUT framework, which brings OpenGL/gl.h and glu.h
#else
// freeglut, which brings GL/gl.h and GL/glu.h. On Windows its header also turns glutInit
// and glutCreateWindow into calls that hand GLUT the C runtime's exit.
#include <GL/glut.h>
#endif
