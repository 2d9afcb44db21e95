// Tests of the projection's aspect ratio and the OpenGL error line.
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
