// Spirelle: opens the window, installs the handlers and hands control to GLUT.
#include "frame.h"
#include "handlers.h"
#include "replaceable.h"

#include "window_library.h"

namespace {
void openWindow(int* argc, char** argv)
{
    glutInit(argc, argv);  // GLUT takes its own options; the viewer has none
    glutInitWindowPosition(10, 10);
    glutInitWindowSize(480, 240);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Spirelle");
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
}

// Installing idle here starts the animation running.
void installHandlers()
{
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutSpecialFunc(special);
    glutIdleFunc(idle);
    glutDisplayFunc(display);
}
}  // namespace

int main(int argc, char** argv)
{
    holdHeapAcrossFrames();
    openWindow(&argc, argv);
    installHandlers();
    glutMainLoop();
    return 0;
}
