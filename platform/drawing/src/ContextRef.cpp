#include "ContextRef.h"

#include "FontObject.h"
#include "HandleTable.h"
#include "StockObjects.h"

namespace {

// This thread's pin. Plain values with the initial-exec model, so that every
// lookup reads them straight from the thread's block instead of calling the
// dynamic TLS resolver (which cost more than the lock it spares); the owning
// reference lives on the heap until GdiUnpinDC.
__attribute__((tls_model("initial-exec"))) thread_local HDC tPinnedHandle = 0;
__attribute__((tls_model("initial-exec"))) thread_local DeviceContext* tPinnedContext = nullptr;
__attribute__((tls_model("initial-exec"))) thread_local std::shared_ptr<DeviceContext>* tPinnedOwner = nullptr;

}  // namespace

// A shape makes a dozen calls on one context: the pin spares each the
// table's lock and a shared count.
DeviceContext* PinnedDC(HDC inDC)
{
    if (inDC != 0 && inDC == tPinnedHandle && !tPinnedContext->mRemoved.load(std::memory_order_acquire)) {
        return tPinnedContext;
    }
    return nullptr;
}

ContextRef FindDC(HDC inDC)
{
    if (DeviceContext* thePinned = PinnedDC(inDC)) {
        return ContextRef(thePinned);
    }
    std::shared_ptr<DeviceContext> theDC = HandleTable::Instance().FindAs<DeviceContext>(inDC, GdiKind::kDeviceContext);
    if (theDC == nullptr) {
        GdiSetLastError(kGdiErrorInvalidHandle);
    }
    return ContextRef(std::move(theDC));
}

std::shared_ptr<DeviceContext> NewDC(std::shared_ptr<DibSection> inBitmap)
{
    const StockObjects& theStock = StockObjects::Instance();
    return std::make_shared<DeviceContext>(std::move(inBitmap), theStock.Object<PenObject>(BLACK_PEN, GdiKind::kPen),
                                           theStock.Object<BrushObject>(WHITE_BRUSH, GdiKind::kBrush),
                                           theStock.Object<FontObject>(SYSTEM_FONT, GdiKind::kFont));
}

HGDIOBJ Enter(std::shared_ptr<GdiObject> inObject)
{
    const HGDIOBJ theHandle = HandleTable::Instance().Add(std::move(inObject));
    if (theHandle == 0) {
        GdiSetLastError(kGdiErrorNoMemory);
    }
    return theHandle;
}

BOOL GdiPinDC(HDC inDC)
{
    std::shared_ptr<DeviceContext> theDC = HandleTable::Instance().FindAs<DeviceContext>(inDC, GdiKind::kDeviceContext);
    if (theDC == nullptr) {
        GdiUnpinDC();
        return Fail(kGdiErrorInvalidHandle, 0);
    }
    GdiUnpinDC();
    tPinnedContext = theDC.get();
    tPinnedOwner = new std::shared_ptr<DeviceContext>(std::move(theDC));
    tPinnedHandle = inDC;
    return 1;
}

void GdiUnpinDC()
{
    tPinnedHandle = 0;
    tPinnedContext = nullptr;
    delete tPinnedOwner;
    tPinnedOwner = nullptr;
}
