// Tests of the projection, the OpenGL error line and, in the web build, the browser's GL layer.
#include "frame_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {
std::string errorLine(unsigned code, const char* text)
{
    std::FILE* out = std::tmpfile();
    writeGlError(out, code, text);
    std::rewind(out);
    char buffer[256] = {};
    const std::size_t size = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    return std::string(buffer, size);
}
}  // namespace

TEST(Frame, AspectRatioIsWidthOverHeight)
{
    EXPECT_EQ(aspectRatio(480, 240), 2.0);
    EXPECT_EQ(aspectRatio(960, 240), 4.0);
    EXPECT_EQ(aspectRatio(1, 3), 1.0 / 3.0);
}

TEST(Frame, ZeroHeightWindowCountsAsOnePixelHigh)
{
    EXPECT_EQ(aspectRatio(480, 0), 480.0);
    EXPECT_EQ(aspectRatio(0, 0), 0.0);
}

TEST(Frame, ErrorLineCarriesTextCodeAndLine82)
{
    EXPECT_EQ(errorLine(0x501, "invalid value"), "GL Error invalid value (0x501) at line 82\n");
    EXPECT_EQ(errorLine(0x500, "invalid enumerant"),
              "GL Error invalid enumerant (0x500) at line 82\n");
}

TEST(Frame, ErrorWithoutATextGetsAFallback)
{
    EXPECT_EQ(errorLine(0x507, nullptr), "GL Error unknown error (0x507) at line 82\n");
    EXPECT_EQ(errorLine(0xdead, nullptr), "GL Error unknown error (0xdead) at line 82\n");
}

#ifdef __EMSCRIPTEN__
// The browser's OpenGL layer reports what desktop OpenGL 1.1 reports. No WebGL context exists
// under Node, so only calls that the layer refuses are made here.
#include <GL/gl.h>

TEST(WebGlLayer, RefusedCallsReportDesktopErrorsFirstOneKept)
{
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const struct {
        void (*call)();
        GLenum error;
    } cases[] = {
        {[] { glMatrixMode(0x1234); }, GL_INVALID_ENUM},
        {[] { glEnable(0x1234); }, GL_INVALID_ENUM},
        {[] { glBegin(GL_LINES); }, GL_INVALID_ENUM},
        {[] { glViewport(0, 0, -1, 240); }, GL_INVALID_VALUE},
        {[] { glPointSize(-1.0f); }, GL_INVALID_VALUE},
        {[] { glPointSize(0.0f); }, GL_INVALID_VALUE},
        {[] { glClear(0x1); }, GL_INVALID_VALUE},
        {[] { GLfloat values[16]; glGetFloatv(0x1234, values); }, GL_INVALID_ENUM},
    };
    for (const auto& refused : cases) {
        refused.call();
        glEnd();  // a second error, which must not replace the first
        EXPECT_EQ(glGetError(), refused.error);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST(WebGlLayer, InsideABatchOnlyVerticesAndItsEndAreAllowed)
{
    glBegin(GL_POINTS);
    glBegin(GL_POINTS);
    glTranslatef(1.0f, 0.0f, 0.0f);
    glPushMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // refused, and the error kept
    glEnd();                                                     // an empty batch draws nothing
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(WebGlLayer, MatrixStacksHaveMesasDepths)
{
    for (const auto& [mode, depth] : {std::pair{GL_MODELVIEW, 32}, {GL_PROJECTION, 32}, {GL_TEXTURE, 10}}) {
        glMatrixMode(mode);
        for (int pushes = 1; pushes < depth; ++pushes) {
            glPushMatrix();
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << mode;
        glPushMatrix();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_OVERFLOW)) << mode;
        for (int pops = 1; pops < depth; ++pops) {
            glPopMatrix();
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << mode;
        glPopMatrix();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_UNDERFLOW)) << mode;
    }
    glMatrixMode(GL_MODELVIEW);
}
// Desktop OpenGL (Mesa) rounds the angle in radians to float before taking its sine and
// cosine: at 60 and 40 degrees each is then a unit in the last place from the sine and cosine
// of the exact angle. The values are those Mesa gave.
TEST(WebGlLayer, RotationsRoundTheAngleInRadiansToFloatAsMesaDoes)
{
    const struct {
        GLfloat degrees, sine, cosine;
    } angles[] = {{60.0f, 0x1.bb67bp-1f, 0x1.fffffep-2f}, {40.0f, 0x1.491b74p-1f, 0x1.8836fap-1f}};
    for (const auto& angle : angles) {
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glRotatef(angle.degrees, 1.0f, 0.0f, 0.0f);
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        glPopMatrix();
        EXPECT_EQ(m[6], angle.sine) << angle.degrees;
        EXPECT_EQ(m[9], -angle.sine) << angle.degrees;
        EXPECT_EQ(m[5], angle.cosine) << angle.degrees;
        EXPECT_EQ(m[10], angle.cosine) << angle.degrees;
    }
}
#endif
