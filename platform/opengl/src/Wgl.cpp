#define GL_GLEXT_PROTOTYPES 1
#include "opengl/Wgl.h"

#include <GL/glext.h>
#include <GL/osmesa.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "automation/Errors.h"

namespace {

struct Context {
    OSMesaContext mMesa = nullptr;
    std::uint8_t* mBase = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    std::ptrdiff_t mRowBytes = 0;
    bool mCurrent = false;  // on some thread; guarded by gTableLock
};

std::mutex gTableLock;
std::unordered_map<std::uintptr_t, std::unique_ptr<Context>> gContexts;
std::uintptr_t gNextHandle = 1;

// Mesa keeps its framebuffers in one process-wide list, found by size and
// format, so contexts on equal-sized stores may share one; only one may draw
// at a time.
std::mutex gRenderLock;

thread_local Context* tCurrent = nullptr;

std::uintptr_t HandleNumber(HGLRC inContext)
{
    return reinterpret_cast<std::uintptr_t>(inContext);
}

Context* Find(HGLRC inContext)
{
    std::lock_guard theGuard(gTableLock);
    auto theEntry = gContexts.find(HandleNumber(inContext));
    return theEntry == gContexts.end() ? nullptr : theEntry->second.get();
}

HGLRC HandleOf(const Context* inContext)
{
    std::lock_guard theGuard(gTableLock);
    for (const auto& [theNumber, theContext] : gContexts)
        if (theContext.get() == inContext)
            return reinterpret_cast<HGLRC>(theNumber);
    return nullptr;
}

// Mesa writes its whole framebuffer over the caller's memory when drawing ends
// and never reads that memory, so the store's pixels are drawn in first.
void LoadPixels(const Context& inContext)
{
    const std::size_t theRowSize = static_cast<std::size_t>(inContext.mWidth) * 4;
    std::vector<std::uint8_t> theCopy(theRowSize * static_cast<std::size_t>(inContext.mHeight));
    for (int theRow = 0; theRow < inContext.mHeight; ++theRow)
        std::memcpy(theCopy.data() + theRowSize * theRow, inContext.mBase + inContext.mRowBytes * theRow, theRowSize);

    GLint theUnpackBuffer = 0;
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &theUnpackBuffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    for (GLenum theChannel : {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE})
        glPixelTransferf(theChannel, 1.0f);
    for (GLenum theChannel : {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS})
        glPixelTransferf(theChannel, 0.0f);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelZoom(1.0f, 1.0f);
    for (GLenum theCap : {GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_TEXTURE_1D,
                          GL_TEXTURE_2D, GL_FOG, GL_COLOR_LOGIC_OP, GL_DITHER})
        glDisable(theCap);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glWindowPos2i(0, 0);
    glDrawPixels(inContext.mWidth, inContext.mHeight, GL_BGRA, GL_UNSIGNED_BYTE, theCopy.data());
    glPopClientAttrib();
    glPopAttrib();
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(theUnpackBuffer));
}

// Writes the framebuffer back into the store and leaves no context current.
void Release(Context& ioContext)
{
    glFinish();
    OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    {
        std::lock_guard theGuard(gTableLock);
        ioContext.mCurrent = false;
    }
    tCurrent = nullptr;
    gRenderLock.unlock();
}

// A thread that ends with a context current would keep every other thread waiting.
struct ThreadExit {
    ~ThreadExit()
    {
        if (tCurrent != nullptr)
            Release(*tCurrent);
    }
};
thread_local ThreadExit tThreadExit;

}  // namespace

HGLRC wglCreateContextOnPixels(void* inBase, int inWidth, int inHeight, std::ptrdiff_t inRowBytes)
{
    if (inBase == nullptr || inWidth < 1 || inHeight < 1 || inRowBytes % 4 != 0 ||
        inRowBytes < static_cast<std::ptrdiff_t>(inWidth) * 4) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto theContext = std::make_unique<Context>();
    theContext->mMesa = OSMesaCreateContextExt(OSMESA_BGRA, 0, 0, 0, nullptr);
    if (theContext->mMesa == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    theContext->mBase = static_cast<std::uint8_t*>(inBase);
    theContext->mWidth = inWidth;
    theContext->mHeight = inHeight;
    theContext->mRowBytes = inRowBytes;
    std::lock_guard theGuard(gTableLock);
    const std::uintptr_t theNumber = gNextHandle++;  // never reused, so a stale handle stays unknown
    gContexts.emplace(theNumber, std::move(theContext));
    return reinterpret_cast<HGLRC>(theNumber);
}

BOOL wglMakeCurrent(HGLRC inContext)
{
    (void)tThreadExit;  // odr-use: constructs this thread's exit guard
    if (inContext == nullptr) {
        if (tCurrent != nullptr)
            Release(*tCurrent);
        return 1;
    }
    Context* theContext = Find(inContext);
    if (theContext == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (theContext == tCurrent)
        return 1;
    if (tCurrent != nullptr)
        Release(*tCurrent);
    {
        std::lock_guard theGuard(gTableLock);
        if (theContext->mCurrent) {
            SetLastError(ERROR_BUSY);
            return 0;
        }
        // Claimed before waiting for the render lock, so no other thread takes it meanwhile.
        theContext->mCurrent = true;
    }

    gRenderLock.lock();
    const auto theRefuse = [theContext] {
        gRenderLock.unlock();
        std::lock_guard theGuard(gTableLock);
        theContext->mCurrent = false;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    };
    if (!OSMesaMakeCurrent(theContext->mMesa, theContext->mBase, GL_UNSIGNED_BYTE, theContext->mWidth,
                           theContext->mHeight))
        return theRefuse();
    // Mesa accepts larger buffers but then writes back a framebuffer cut to its limit over the
    // store; nothing has been drawn yet, so releasing here leaves the store untouched.
    GLint theMaxWidth = 0;
    GLint theMaxHeight = 0;
    OSMesaGetIntegerv(OSMESA_MAX_WIDTH, &theMaxWidth);
    OSMesaGetIntegerv(OSMESA_MAX_HEIGHT, &theMaxHeight);
    if (theContext->mWidth > theMaxWidth || theContext->mHeight > theMaxHeight) {
        OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
        return theRefuse();
    }
    // Rows are counted upwards from the store's first row: GL's y is the canvas's y.
    OSMesaPixelStore(OSMESA_Y_UP, 1);
    OSMesaPixelStore(OSMESA_ROW_LENGTH, static_cast<GLint>(theContext->mRowBytes / 4));
    tCurrent = theContext;
    LoadPixels(*theContext);
    return 1;
}

BOOL wglDeleteContext(HGLRC inContext)
{
    Context* theContext = Find(inContext);
    if (theContext == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (theContext == tCurrent)
        Release(*theContext);
    std::unique_ptr<Context> theDoomed;
    {
        std::lock_guard theGuard(gTableLock);
        auto theEntry = gContexts.find(HandleNumber(inContext));
        if (theEntry == gContexts.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        if (theEntry->second->mCurrent) {
            SetLastError(ERROR_BUSY);
            return 0;
        }
        theDoomed = std::move(theEntry->second);
        gContexts.erase(theEntry);
    }
    OSMesaDestroyContext(theDoomed->mMesa);
    return 1;
}

HGLRC wglGetCurrentContext()
{
    return tCurrent != nullptr ? HandleOf(tCurrent) : nullptr;
}
