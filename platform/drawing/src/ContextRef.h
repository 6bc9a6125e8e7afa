// How the classic entry points find a device context: from this thread's
// pin, or from the handle table; and the helpers they share.
#pragma once

#include "DeviceContext.h"
#include "GdiObject.h"

#include <memory>

// A device context found for one call: borrowed from this thread's pin, which
// keeps it alive, or shared from the table.
class ContextRef {
public:
    ContextRef() = default;
    explicit ContextRef(DeviceContext* inPinned) : mContext(inPinned) {}
    explicit ContextRef(std::shared_ptr<DeviceContext> inShared) : mShared(std::move(inShared)), mContext(mShared.get())
    {
    }
    DeviceContext* operator->() const { return mContext; }
    DeviceContext& operator*() const { return *mContext; }
    bool operator==(std::nullptr_t) const { return mContext == nullptr; }
    explicit operator bool() const { return mContext != nullptr; }

private:
    std::shared_ptr<DeviceContext> mShared;
    DeviceContext* mContext = nullptr;
};

// The context of inDC, or null with the invalid-handle error set.
ContextRef FindDC(HDC inDC);
// The context of inDC when it is this thread's pinned one, else null.
DeviceContext* PinnedDC(HDC inDC);
// A context with the stock pen, brush and font selected.
std::shared_ptr<DeviceContext> NewDC(std::shared_ptr<DibSection> inBitmap);
// The object's new handle, or 0 with the out-of-memory error set.
HGDIOBJ Enter(std::shared_ptr<GdiObject> inObject);

template <class T>
T Fail(DWORD inError, T inResult)
{
    GdiSetLastError(inError);
    return inResult;
}
