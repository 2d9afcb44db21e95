// The projection and one frame: the star field under the view's zoom and rotations.
#include "frame.h"

#include "frame_support.h"
#include "replaceable.h"
#include "view_state.h"

#include "window_library.h"

#include <cstdio>

namespace {
constexpr double fieldOfView = 50.0;  // degrees, vertical
constexpr double nearPlane = 0.1;
constexpr double farPlane = 200.0;
constexpr GLfloat viewDistance = 6.0f;  // scene units from the eye to the disc's centre

// At most one code per frame: further pending errors show in later frames.
void reportGlError()
{
    const GLenum code = glGetError();
    if (code != GL_NO_ERROR) {
        writeGlError(stdout, code, reinterpret_cast<const char*>(gluErrorString(code)));
    }
}
}  // namespace

void reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, aspectRatio(width, height), nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -viewDistance);
    glScalef(viewState.zoom, viewState.zoom, viewState.zoom);
    glRotatef(viewState.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(viewState.angleY, 0.0f, 1.0f, 0.0f);
    drawStarField();
    glPopMatrix();
    glFlush();
    reportGlError();
    glutSwapBuffers();
}
