// The owner of a rendering context, so that no early return leaves one made.
#pragma once

#include <cassert>
#include <memory>

#include "opengl/Wgl.h"

struct WglContextDeleter {
    void operator()(HGLRC inContext) const
    {
        // Released first when current: the pixels it drew are written back.
        [[maybe_unused]] const BOOL theDeleted = wglDeleteContext(inContext);
        assert(theDeleted && "wglDeleteContext");
    }
};

using WglContextOwner = std::unique_ptr<VxGLContext, WglContextDeleter>;
