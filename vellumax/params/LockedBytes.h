// The locked bytes of a script's byte array, unlocked however the holder's work ends.
#pragma once

#include <cstddef>

#include "vellumax/params/Utilities.h"

class LockedBytes {
public:
    explicit LockedBytes(const VARIANT* inValue) : mValue(inValue) {}
    LockedBytes(const LockedBytes&) = delete;
    LockedBytes& operator=(const LockedBytes&) = delete;
    ~LockedBytes()
    {
        // NOTE: the owner's own unlock, pairing the lock BytesFromVariant took.
        if (mLocked)
            ReleaseVariantBytes(mValue);
    }
    // The results of BytesFromVariant; on failure nothing is held.
    HRESULT Lock()
    {
        LONG theLength = 0;
        const HRESULT theResult = BytesFromVariant(mValue, &mData, &theLength);
        if (FAILED(theResult)) {
            mData = nullptr;
            return theResult;
        }
        // An empty array is locked too, though it has no data.
        mLocked = true;
        mLength = std::size_t(theLength);
        return S_OK;
    }
    const BYTE* Data() const { return mData; }
    std::size_t Length() const { return mLength; }

private:
    const VARIANT* mValue;
    const BYTE* mData = nullptr;
    std::size_t mLength = 0;
    bool mLocked = false;
};
