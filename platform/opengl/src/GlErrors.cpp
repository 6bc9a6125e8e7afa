#include "opengl/GlErrors.h"

#include <GL/glu.h>

const char* GlErrorText(unsigned int inCode)
{
    return reinterpret_cast<const char*>(gluErrorString(static_cast<GLenum>(inCode)));
}
