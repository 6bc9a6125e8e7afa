// The OpenGL layer's texts for OpenGL error codes, so that error reports need
// not call GLU themselves.
#pragma once

// GLU's text for an OpenGL or GLU error code; null when it has none.
const char* GlErrorText(unsigned int inCode);
