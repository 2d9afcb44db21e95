// The floor of the page's frame, for bench/web_frame_rate.py: the same stars each frame,
// written into one array, uploaded and drawn by one WebGL call, with no matrix stack, no
// vertex calls and no error check. It links WebGL as Emscripten offers it, without web/'s
// layer, and steps once a frame as the page does (web/glut_frames.js).
#define GL_GLEXT_PROTOTYPES
#include "input.h"
#include "star_field.h"
#include "view_state.h"

#include <GL/glut.h>

#include <vector>

namespace {
std::vector<GLfloat> stars;

GLuint compile(GLenum type, const char* source)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

void frame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    stars.clear();
    forEachStar(viewState.starCount, viewState.tick, viewState.spinRate, [](float x, float y) {
        stars.push_back(x);
        stars.push_back(y);
    });
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(stars.size() * sizeof(GLfloat)),
                 stars.data(), GL_STREAM_DRAW);
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(stars.size() / 2));
    glutSwapBuffers();
}

void idle()
{
    advanceTick(viewState);
    glutPostRedisplay();
}
}  // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitWindowSize(480, 240);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Spirelle");
    const GLuint program = glCreateProgram();
    // The start-up framing, near enough: the disc seen square on, 5.6 by 2.8 units.
    glAttachShader(program, compile(GL_VERTEX_SHADER, R"(
        attribute vec2 position;
        void main() {
            gl_Position = vec4(position.x / 5.6, position.y / 2.8, 0.0, 1.0);
            gl_PointSize = 1.0;
        })"));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, R"(
        precision mediump float;
        void main() { gl_FragColor = vec4(1.0); })"));
    glBindAttribLocation(program, 0, "position");
    glLinkProgram(program);
    glUseProgram(program);
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glutDisplayFunc(frame);
    glutIdleFunc(idle);
    glutMainLoop();
    return 0;
}
