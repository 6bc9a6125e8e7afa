// OpenGL rendering contexts on a pixel store's memory, under the names of the
// classic rendering-context calls. Rendering is Mesa's (OSMesa, software).
//
// A context is bound to one 32-bit store (bytes B, G, R, A; row 0 at the top)
// when it is made. One unit of glOrtho(0, width, 0, height, -1, 1) is one pixel
// and y grows downwards through the store's rows, so canvas coordinates are
// used unchanged.
//
// Making a context current loads the store's pixels into its framebuffer, so
// pixels that a drawing leaves alone keep their values; releasing it (making
// another or no context current, or deleting it) finishes drawing and writes
// the framebuffer back into the store. The store must not be written by other
// means while its context is current, and must outlive the context.
//
// Contexts are current on one thread at a time. At most one context is current
// in the whole process at a time: a thread asking for one waits until the other
// thread releases its context. A thread that ends releases its context.
//
// Failures set the Windows-style last error (automation/Errors.h):
// ERROR_INVALID_PARAMETER for a bad store, ERROR_INVALID_HANDLE for an unknown
// or deleted context, ERROR_BUSY for a context current on another thread,
// ERROR_NOT_ENOUGH_MEMORY when Mesa refuses, also for a store wider or taller
// than it can draw on (OSMESA_MAX_WIDTH / OSMESA_MAX_HEIGHT, 16384 with
// llvmpipe): such a store is refused when made current and left untouched.
#pragma once

#include <GL/gl.h>

#include <cstddef>

using BOOL = int;
struct VxGLContext;  // never defined: a handle is a number, checked on every call
using HGLRC = VxGLContext*;

// A context on inWidth × inHeight pixels at inBase, inRowBytes apart (a multiple
// of 4, at least 4 × inWidth); null on failure.
HGLRC wglCreateContextOnPixels(void* inBase, int inWidth, int inHeight, std::ptrdiff_t inRowBytes);
// Makes inContext current on the calling thread (null: release the current one).
// The device context argument of the classic call is not needed: a context
// already knows its pixels.
BOOL wglMakeCurrent(HGLRC inContext);
// Releases the context first when it is current on the calling thread.
BOOL wglDeleteContext(HGLRC inContext);
HGLRC wglGetCurrentContext();
