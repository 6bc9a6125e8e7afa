// A byte array made for a method's result before its bytes are written, so
// that a large picture is written straight into the array the script gets
// instead of being copied into it. Destroyed unless handed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <automation/Types.h>

class ByteArrayResult {
public:
    // A new array of inLength (at least 1) bytes, its data returned to be
    // written; null when it can't be made. Replaces an array made before.
    std::uint8_t* Make(std::size_t inLength);
    // Hands the array over as a VT_ARRAY | VT_UI1 value (outValue is
    // overwritten, not cleared); false when there is none.
    bool MoveTo(VARIANT* outValue);

private:
    // The array is kept accessed while it is written, so it is unaccessed before it goes.
    struct AccessedArrayCloser {
        void operator()(SAFEARRAY* inArray) const;
    };

    std::unique_ptr<SAFEARRAY, AccessedArrayCloser> mArray;
};
