// gluErrorString for the browser, whose GLU emulation lacks it: the texts of the desktop's GLU.
#include <GL/glu.h>

extern "C" const GLubyte* gluErrorString(GLenum code)
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
    };
    for (const Text& entry : texts) {
        if (entry.code == code) {
            return reinterpret_cast<const GLubyte*>(entry.text);
        }
    }
    return nullptr;  // as GLU does for codes it does not know
}
