// OpenGL 1.1 and GLU for the browser, on WebGL 1: just the calls the viewer makes. Matrices
// live on the CPU in single precision as desktop OpenGL keeps them; vertices collect in wasm
// memory, and each glBegin/glEnd batch is one upload and one draw.
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>  // WebGL as emscripten_gl*: the gl* names belong to this layer

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace {
constexpr GLenum contextLost = 0x9242;      // CONTEXT_LOST_WEBGL
constexpr double pi = 3.14159265358979323846;

// Column-major, as OpenGL stores it: element (row, column) is at [column * 4 + row].
using Matrix = std::array<GLfloat, 16>;
constexpr Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// a × b, each element a sum of four single-precision products taken in order.
Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix product;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            product[column * 4 + row] =
                a[row] * b[column * 4] + a[4 + row] * b[column * 4 + 1] +
                a[8 + row] * b[column * 4 + 2] + a[12 + row] * b[column * 4 + 3];
        }
    }
    return product;
}

// A matrix stack with the depths of Mesa's: 32 for the model-view and projection, 10 for texture.
struct MatrixStack {
    std::vector<Matrix> entries{identity};
    std::size_t depth;
    Matrix& top() { return entries.back(); }
};
enum class MatrixMode : std::size_t { modelView, projection, texture };

struct Vertex {
    GLfloat x, y, z;
};
using Box = std::array<GLint, 4>;  // x, y, width, height, in pixels

// The shader takes the product of projection and model-view; every point is white. A point
// goes to the centre of the pixel its window position lies in, once that position is snapped
// to 1/256 pixel as Mesa's rasteriser snaps it: the browser's rasteriser snaps more coarsely
// and breaks ties at pixel edges otherwise, which moved about one star in sixteen by a pixel.
struct Pipeline {
    GLint matrix = -1;
    GLint pointSize = -1;
    GLint viewport = -1;
    GLsizeiptr bufferBytes = 0;  // the vertex buffer's size, grown as batches need
};

// Everything the layer keeps: the state the program set, which WebGL either lacks (matrices,
// the batch, the point size, the pending error) or loses with its context (the rest).
struct Layer {
    std::array<MatrixStack, 3> stacks = {{{{identity}, 32}, {{identity}, 32}, {{identity}, 10}}};
    MatrixMode mode = MatrixMode::modelView;
    std::vector<Vertex> batch;
    bool inBatch = false;
    GLfloat pointSize = 1.0f;
    std::array<GLfloat, 4> clearColour = {};
    bool depthTest = false;
    std::optional<Box> viewport;  // once glViewport is called; till then the canvas's own
    GLenum pendingError = GL_NO_ERROR;
    std::optional<Pipeline> pipeline;  // made at the first draw, again after a lost context

    MatrixStack& stack(MatrixMode which) { return stacks[static_cast<std::size_t>(which)]; }
    MatrixStack& current() { return stack(mode); }
};
Layer layer;

// As desktop OpenGL does, the first error is kept until glGetError reads it.
void record(GLenum error)
{
    if (layer.pendingError == GL_NO_ERROR) {
        layer.pendingError = error;
    }
}

// Most calls are not allowed between glBegin and glEnd; they are then ignored.
bool outsideBatch()
{
    if (layer.inBatch) {
        record(GL_INVALID_OPERATION);
    }
    return !layer.inBatch;
}

void multiplyCurrent(const Matrix& m)
{
    Matrix& top = layer.current().top();
    top = multiply(top, m);
}

// The viewport as the shader takes it: half width and height, then the centre, in pixels.
std::array<GLfloat, 4> shaderViewport()
{
    Box box = {};
    if (layer.viewport) {
        box = *layer.viewport;
    } else {
        emscripten_glGetIntegerv(GL_VIEWPORT, box.data());
    }
    const auto [x, y, width, height] = box;
    return {width / 2.0f, height / 2.0f, x + width / 2.0f, y + height / 2.0f};
}

GLuint compile(GLenum type, const char* source)
{
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

Pipeline makePipeline()
{
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compile(GL_VERTEX_SHADER, R"(
        attribute vec3 position;
        uniform mat4 matrix;
        uniform float pointSize;
        uniform vec4 viewport;  // half width and height, then the centre, in pixels
        void main() {
            vec4 clip = matrix * vec4(position, 1.0);
            vec2 window = clip.xy / clip.w * viewport.xy + viewport.zw;
            vec2 centre = floor(window + 1.0 / 512.0) + 0.5;
            gl_Position = vec4((centre - viewport.zw) / viewport.xy * clip.w, clip.zw);
            gl_PointSize = pointSize;
        })"));
    emscripten_glAttachShader(program, compile(GL_FRAGMENT_SHADER, R"(
        precision mediump float;
        void main() { gl_FragColor = vec4(1.0); })"));
    emscripten_glBindAttribLocation(program, 0, "position");
    emscripten_glLinkProgram(program);
    emscripten_glUseProgram(program);
    GLuint buffer = 0;
    emscripten_glGenBuffers(1, &buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
    emscripten_glEnableVertexAttribArray(0);
    emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    return Pipeline{emscripten_glGetUniformLocation(program, "matrix"),
                    emscripten_glGetUniformLocation(program, "pointSize"),
                    emscripten_glGetUniformLocation(program, "viewport")};
}

// Browsers take a WebGL context back under memory pressure or when a phone puts the page in
// the background. Cancelling the loss lets the browser give it back; the program and buffer
// are then made again and the context set as the program left it, so drawing carries on.
// The loss is the one WebGL error the program hears of without asking WebGL (see glGetError).
EM_BOOL keepLostContext(int, const void*, void*)
{
    record(contextLost);
    return EM_TRUE;
}

EM_BOOL restoreContext(int, const void*, void*)
{
    layer.pipeline.reset();
    const auto [red, green, blue, alpha] = layer.clearColour;
    emscripten_glClearColor(red, green, blue, alpha);
    if (layer.depthTest) {
        emscripten_glEnable(GL_DEPTH_TEST);
    }
    if (layer.viewport) {
        const auto [x, y, width, height] = *layer.viewport;
        emscripten_glViewport(x, y, width, height);
    }
    glutPostRedisplay();  // as a window shown again is drawn again
    return EM_TRUE;
}

// The pipeline to draw with, made on first use; the context's loss is watched from then on.
Pipeline& drawingPipeline()
{
    static const bool watching = [] {
        emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, keepLostContext);
        emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, restoreContext);
        return true;
    }();
    static_cast<void>(watching);
    if (!layer.pipeline) {
        layer.pipeline = makePipeline();
    }
    return *layer.pipeline;
}
}  // namespace

extern "C" {
void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    if (outsideBatch()) {
        emscripten_glClearColor(red, green, blue, alpha);
        layer.clearColour = {red, green, blue, alpha};
    }
}

void glClear(GLbitfield mask)
{
    constexpr GLbitfield buffers =
        GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT;
    if (!outsideBatch()) {
        return;
    }
    if ((mask & ~buffers) != 0) {
        record(GL_INVALID_VALUE);
        return;
    }
    emscripten_glClear(mask & ~GL_ACCUM_BUFFER_BIT);
}

// Depth testing is the one capability the layer draws with.
void glEnable(GLenum capability)
{
    if (!outsideBatch()) {
        return;
    }
    if (capability != GL_DEPTH_TEST) {
        record(GL_INVALID_ENUM);
        return;
    }
    emscripten_glEnable(capability);
    layer.depthTest = true;
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (!outsideBatch()) {
        return;
    }
    if (width < 0 || height < 0) {
        record(GL_INVALID_VALUE);
        return;
    }
    emscripten_glViewport(x, y, width, height);
    layer.viewport = Box{x, y, width, height};
}

// The browser hands a frame's commands to the GPU when the frame's task ends, so a flush has
// nothing to add there; it is checked like any other call.
void glFlush() { outsideBatch(); }

void glMatrixMode(GLenum mode)
{
    if (!outsideBatch()) {
        return;
    }
    switch (mode) {
    case GL_MODELVIEW: layer.mode = MatrixMode::modelView; break;
    case GL_PROJECTION: layer.mode = MatrixMode::projection; break;
    case GL_TEXTURE: layer.mode = MatrixMode::texture; break;
    default: record(GL_INVALID_ENUM);
    }
}

// For the tests only (the viewer never reads a matrix back): the matrices at the top of their
// stacks, column by column, as desktop OpenGL gives them.
void glGetFloatv(GLenum name, GLfloat* values)
{
    if (!outsideBatch()) {
        return;
    }
    MatrixMode which = MatrixMode::modelView;
    switch (name) {
    case GL_MODELVIEW_MATRIX: which = MatrixMode::modelView; break;
    case GL_PROJECTION_MATRIX: which = MatrixMode::projection; break;
    case GL_TEXTURE_MATRIX: which = MatrixMode::texture; break;
    default: record(GL_INVALID_ENUM); return;
    }
    const Matrix& top = layer.stack(which).top();
    std::copy(top.begin(), top.end(), values);
}

void glLoadIdentity()
{
    if (outsideBatch()) {
        layer.current().top() = identity;
    }
}

void glPushMatrix()
{
    if (!outsideBatch()) {
        return;
    }
    MatrixStack& stack = layer.current();
    if (stack.entries.size() == stack.depth) {
        record(GL_STACK_OVERFLOW);
        return;
    }
    stack.entries.push_back(stack.top());
}

void glPopMatrix()
{
    if (!outsideBatch()) {
        return;
    }
    MatrixStack& stack = layer.current();
    if (stack.entries.size() == 1) {
        record(GL_STACK_UNDERFLOW);
        return;
    }
    stack.entries.pop_back();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (outsideBatch()) {
        multiplyCurrent({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
    }
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    if (outsideBatch()) {
        multiplyCurrent({x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1});
    }
}

// As Mesa does, the angle in radians is rounded to float before its sine and cosine are
// taken, each rounded once to float. Mesa takes them with the C library's sinf and cosf, which
// glibc rounds otherwise for about one whole degree in forty: those elements then differ by
// one unit in the last place. About a coordinate axis the other elements stay exact, as in
// Mesa; about any other axis, the axis is normalised first.
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (!outsideBatch() || angle == 0.0f) {
        return;
    }
    const auto radians = static_cast<GLfloat>(angle * pi / 180.0);
    const auto s = static_cast<GLfloat>(std::sin(static_cast<double>(radians)));
    const auto c = static_cast<GLfloat>(std::cos(static_cast<double>(radians)));
    Matrix m = identity;
    auto at = [&m](int row, int column) -> GLfloat& { return m[column * 4 + row]; };
    auto place = [&](int a, int b, GLfloat sign) {  // the rotation in the plane of axes a, b
        at(a, a) = c;
        at(b, b) = c;
        at(a, b) = -sign * s;
        at(b, a) = sign * s;
    };
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        place(0, 1, z < 0.0f ? -1.0f : 1.0f);
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        place(2, 0, y < 0.0f ? -1.0f : 1.0f);
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        place(1, 2, x < 0.0f ? -1.0f : 1.0f);
    } else {
        const GLfloat length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f) {
            return;
        }
        x /= length;
        y /= length;
        z /= length;
        const GLfloat xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        const GLfloat xs = x * s, ys = y * s, zs = z * s, oneMinusC = 1.0f - c;
        at(0, 0) = oneMinusC * xx + c;
        at(0, 1) = oneMinusC * xy - zs;
        at(0, 2) = oneMinusC * zx + ys;
        at(1, 0) = oneMinusC * xy + zs;
        at(1, 1) = oneMinusC * yy + c;
        at(1, 2) = oneMinusC * yz - xs;
        at(2, 0) = oneMinusC * zx - ys;
        at(2, 1) = oneMinusC * yz + xs;
        at(2, 2) = oneMinusC * zz + c;
    }
    multiplyCurrent(m);
}

void glPointSize(GLfloat size)
{
    if (!outsideBatch()) {
        return;
    }
    if (!(size > 0.0f)) {
        record(GL_INVALID_VALUE);
        return;
    }
    layer.pointSize = size;
}

// Points are the one primitive the layer draws.
void glBegin(GLenum mode)
{
    if (!outsideBatch()) {
        return;
    }
    if (mode != GL_POINTS) {
        record(GL_INVALID_ENUM);
        return;
    }
    layer.inBatch = true;
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (layer.inBatch) {
        layer.batch.push_back({x, y, z});
    }
}

void glEnd()
{
    if (!layer.inBatch) {
        record(GL_INVALID_OPERATION);
        return;
    }
    layer.inBatch = false;
    std::vector<Vertex>& batch = layer.batch;
    if (batch.empty()) {
        return;
    }
    Pipeline& drawing = drawingPipeline();
    const Matrix transform = multiply(layer.stack(MatrixMode::projection).top(),
                                      layer.stack(MatrixMode::modelView).top());
    emscripten_glUniformMatrix4fv(drawing.matrix, 1, GL_FALSE, transform.data());
    emscripten_glUniform1f(drawing.pointSize, layer.pointSize);
    emscripten_glUniform4fv(drawing.viewport, 1, shaderViewport().data());
    // Only making the buffer larger can run out of memory: that one call is checked at once.
    const auto bytes = static_cast<GLsizeiptr>(batch.size() * sizeof(Vertex));
    if (bytes > drawing.bufferBytes) {
        emscripten_glBufferData(GL_ARRAY_BUFFER, bytes, batch.data(), GL_STREAM_DRAW);
        const GLenum error = emscripten_glGetError();
        if (error != GL_NO_ERROR) {
            record(error);
            batch.clear();
            return;
        }
        drawing.bufferBytes = bytes;
    } else {
        emscripten_glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, batch.data());
    }
    emscripten_glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(batch.size()));
    batch.clear();
}

// The first error recorded since the last call. WebGL's getError waits for the GPU to finish
// every command before it: asked even once a second, it took a third of the main thread's time
// in Chromium. So WebGL is asked only right after the one call that can fail by running out
// of memory, and a lost context is recorded when the browser reports it.
GLenum glGetError()
{
    if (!outsideBatch()) {
        return GL_NO_ERROR;
    }
    const GLenum error = layer.pendingError;
    layer.pendingError = GL_NO_ERROR;
    return error;
}

// GLU's perspective, computed in double as GLU does, then multiplied on in single precision.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double radians = fovy / 2 * pi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) {
        return;
    }
    const double cotangent = std::cos(radians) / sine;
    if (!outsideBatch()) {
        return;
    }
    Matrix m = identity;
    m[0] = static_cast<GLfloat>(cotangent / aspect);
    m[5] = static_cast<GLfloat>(cotangent);
    m[10] = static_cast<GLfloat>(-(zFar + zNear) / deltaZ);
    m[11] = -1.0f;
    m[14] = static_cast<GLfloat>(-2 * zNear * zFar / deltaZ);
    m[15] = 0.0f;
    multiplyCurrent(m);
}

// The texts of the desktop's GLU, and one for the browser's lost context.
const GLubyte* gluErrorString(GLenum code)
{
    struct Text {
        GLenum code;
        const char* text;
    };
    static constexpr Text texts[] = {
        {GL_NO_ERROR, "no error"},
        {GL_INVALID_ENUM, "invalid enumerant"},
        {GL_INVALID_VALUE, "invalid value"},
        {GL_INVALID_OPERATION, "invalid operation"},
        {GL_STACK_OVERFLOW, "stack overflow"},
        {GL_STACK_UNDERFLOW, "stack underflow"},
        {GL_OUT_OF_MEMORY, "out of memory"},
        {0x0506, "invalid framebuffer operation"},  // GL_INVALID_FRAMEBUFFER_OPERATION
        {0x8031, "table too large"},                // GL_TABLE_TOO_LARGE
        {GLU_INVALID_ENUM, "invalid enumerant"},
        {GLU_INVALID_VALUE, "invalid value"},
        {GLU_OUT_OF_MEMORY, "out of memory"},
        {GLU_INCOMPATIBLE_GL_VERSION, "incompatible gl version"},
        {GLU_INVALID_OPERATION, "invalid operation"},
        {contextLost, "context lost"},
    };
    for (const Text& entry : texts) {
        if (entry.code == code) {
            return reinterpret_cast<const GLubyte*>(entry.text);
        }
    }
    return nullptr;  // as GLU does for codes it does not know
}
}
