// The layer's own per-thread last error, and MulDiv.
#include "drawing/Gdi.h"

#include <cstdint>

namespace {
// Read straight from the thread's block: every drawing call sets and reads it.
__attribute__((tls_model("initial-exec"))) thread_local DWORD tLastError = 0;
}  // namespace

DWORD GdiGetLastError()
{
    return tLastError;
}

void GdiSetLastError(DWORD inError)
{
    tLastError = inError;
}

int MulDiv(int inNumber, int inNumerator, int inDenominator)
{
    if (inDenominator == 0) {
        return -1;
    }
    const std::int64_t theProduct = static_cast<std::int64_t>(inNumber) * inNumerator;
    // Rounded half away from zero, as the classic call does.
    const std::int64_t theHalf = inDenominator < 0 ? -(inDenominator / 2) : inDenominator / 2;
    const std::int64_t theResult = (theProduct + (theProduct < 0 ? -theHalf : theHalf)) / inDenominator;
    if (theResult > INT32_MAX || theResult < INT32_MIN) {
        return -1;
    }
    return static_cast<int>(theResult);
}
