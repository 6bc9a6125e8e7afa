#include "automation/SafeArray.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "automation/Interfaces.h"
#include "automation/Strings.h"
#include "automation/Variant.h"

#include "VariantInternal.h"

namespace {

// Every descriptor is preceded by a 16-byte block whose last four bytes hold
// the element type (as the classic layout does), so arrays of any numeric
// type can tell their type without a separate table.
constexpr std::size_t kPrefixBytes = 16;
constexpr std::size_t kTypeOffset = 4;

std::size_t DescriptorBytes(UINT inDims)
{
    return sizeof(SAFEARRAY) + (inDims - 1) * sizeof(SAFEARRAYBOUND);
}

ULONG ElementSize(VARTYPE inType)
{
    return inType == VT_VARIANT ? sizeof(VARIANT) : static_cast<ULONG>(VariantInternal::ValueSize(inType));
}

USHORT FeaturesOf(VARTYPE inType)
{
    switch (inType) {
    case VT_BSTR:
        return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_VARIANT:
        return FADF_HAVEVARTYPE | FADF_VARIANT;
    case VT_DISPATCH:
        return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_UNKNOWN:
        return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    default:
        return FADF_HAVEVARTYPE;
    }
}

char* BlockOf(SAFEARRAY* inArray)
{
    return reinterpret_cast<char*>(inArray) - kPrefixBytes;
}

// Element count over all dimensions; false when it does not fit in memory.
bool CellCount(const SAFEARRAY* inArray, std::size_t& outCount)
{
    std::size_t theCount = 1;
    for (USHORT i = 0; i < inArray->cDims; ++i) {
        const std::size_t theElements = inArray->rgsabound[i].cElements;
        if (theElements != 0 && theCount > std::numeric_limits<std::size_t>::max() / theElements)
            return false;
        theCount *= theElements;
    }
    outCount = theCount;
    return true;
}

// Releases what the elements own; the memory itself stays.
void ReleaseCells(SAFEARRAY* inArray, std::size_t inCount)
{
    if (inArray->pvData == nullptr)
        return;
    if (inArray->fFeatures & FADF_BSTR) {
        auto* theStrings = static_cast<BSTR*>(inArray->pvData);
        for (std::size_t i = 0; i < inCount; ++i) {
            SysFreeString(theStrings[i]);
            theStrings[i] = nullptr;
        }
    } else if (inArray->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* theObjects = static_cast<IUnknown**>(inArray->pvData);
        for (std::size_t i = 0; i < inCount; ++i) {
            if (theObjects[i] != nullptr)
                theObjects[i]->Release();
            theObjects[i] = nullptr;
        }
    } else if (inArray->fFeatures & FADF_VARIANT) {
        auto* theVariants = static_cast<VARIANT*>(inArray->pvData);
        for (std::size_t i = 0; i < inCount; ++i)
            VariantClear(&theVariants[i]);
    }
}

void FreeDescriptor(SAFEARRAY* inArray)
{
    std::free(BlockOf(inArray));
}

// Allocates a descriptor for inDims dimensions, bounds left zero.
SAFEARRAY* AllocateDescriptor(VARTYPE inType, UINT inDims)
{
    auto* theBlock = static_cast<char*>(std::calloc(1, kPrefixBytes + DescriptorBytes(inDims)));
    if (theBlock == nullptr)
        return nullptr;
    const DWORD theType = inType;
    std::memcpy(theBlock + kPrefixBytes - kTypeOffset, &theType, sizeof(theType));
    auto* theArray = reinterpret_cast<SAFEARRAY*>(theBlock + kPrefixBytes);
    theArray->cDims = static_cast<USHORT>(inDims);
    theArray->fFeatures = FeaturesOf(inType);
    theArray->cbElements = ElementSize(inType);
    return theArray;
}

// Allocates zeroed data for the bounds already in the descriptor.
bool AllocateData(SAFEARRAY* inArray)
{
    std::size_t theCount = 0;
    if (!CellCount(inArray, theCount) || theCount > std::numeric_limits<std::size_t>::max() / inArray->cbElements)
        return false;
    if (theCount == 0)
        return true;
    inArray->pvData = std::calloc(theCount, inArray->cbElements);
    return inArray->pvData != nullptr;
}

// Indices come leftmost dimension first; the descriptor keeps the bounds
// in reverse, and the leftmost index varies fastest in memory.
HRESULT CellOffset(SAFEARRAY* inArray, const LONG* inIndices, std::size_t& outCell)
{
    std::size_t theCell = 0;
    std::size_t theStride = 1;
    for (USHORT theDim = 0; theDim < inArray->cDims; ++theDim) {
        const SAFEARRAYBOUND& theBound = inArray->rgsabound[inArray->cDims - 1 - theDim];
        const std::int64_t theIndex = std::int64_t{inIndices[theDim]} - theBound.lLbound;
        if (theIndex < 0 || theIndex >= std::int64_t{theBound.cElements})
            return DISP_E_BADINDEX;
        theCell += static_cast<std::size_t>(theIndex) * theStride;
        theStride *= theBound.cElements;
    }
    outCell = theCell;
    return S_OK;
}

// Deep copy of one element into raw (unowned) memory.
HRESULT CopyCell(USHORT inFeatures, ULONG inSize, const void* inSource, void* outDest)
{
    if (inFeatures & FADF_BSTR) {
        BSTR theSource = *static_cast<const BSTR*>(inSource);
        BSTR theCopy = nullptr;
        if (theSource != nullptr) {
            theCopy = SysAllocStringByteLen(reinterpret_cast<const char*>(theSource), SysStringByteLen(theSource));
            if (theCopy == nullptr)
                return E_OUTOFMEMORY;
        }
        *static_cast<BSTR*>(outDest) = theCopy;
    } else if (inFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown* theObject = *static_cast<IUnknown* const*>(inSource);
        if (theObject != nullptr)
            theObject->AddRef();
        *static_cast<IUnknown**>(outDest) = theObject;
    } else if (inFeatures & FADF_VARIANT) {
        auto* theDest = static_cast<VARIANT*>(outDest);
        VariantInit(theDest);
        return VariantCopy(theDest, static_cast<const VARIANT*>(inSource));
    } else {
        std::memcpy(outDest, inSource, inSize);
    }
    return S_OK;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE inType, UINT inDims, const SAFEARRAYBOUND* inBounds)
{
    if (inDims == 0 || inDims > std::numeric_limits<USHORT>::max() || inBounds == nullptr || ElementSize(inType) == 0)
        return nullptr;
    SAFEARRAY* theArray = AllocateDescriptor(inType, inDims);
    if (theArray == nullptr)
        return nullptr;
    for (UINT i = 0; i < inDims; ++i)
        theArray->rgsabound[i] = inBounds[inDims - 1 - i];
    if (!AllocateData(theArray)) {
        FreeDescriptor(theArray);
        return nullptr;
    }
    return theArray;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE inType, LONG inLowerBound, ULONG inCount)
{
    const SAFEARRAYBOUND theBound{inCount, inLowerBound};
    return SafeArrayCreate(inType, 1, &theBound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* inArray)
{
    if (inArray == nullptr)
        return S_OK;
    if (inArray->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    std::size_t theCount = 0;
    if (CellCount(inArray, theCount))
        ReleaseCells(inArray, theCount);
    if (!(inArray->fFeatures & (FADF_AUTO | FADF_STATIC | FADF_EMBEDDED)))
        std::free(inArray->pvData);
    FreeDescriptor(inArray);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* inArray, SAFEARRAY** outCopy)
{
    if (outCopy == nullptr)
        return E_INVALIDARG;
    *outCopy = nullptr;
    if (inArray == nullptr)
        return S_OK;
    VARTYPE theType = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(inArray, &theType)) || inArray->cDims == 0)
        return E_INVALIDARG;
    SAFEARRAY* theCopy = AllocateDescriptor(theType, inArray->cDims);
    if (theCopy == nullptr)
        return E_OUTOFMEMORY;
    theCopy->fFeatures = static_cast<USHORT>(
        (inArray->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT)) | FADF_HAVEVARTYPE);
    theCopy->cbElements = inArray->cbElements;
    std::memcpy(theCopy->rgsabound, inArray->rgsabound, inArray->cDims * sizeof(SAFEARRAYBOUND));
    if (!AllocateData(theCopy)) {
        FreeDescriptor(theCopy);
        return E_OUTOFMEMORY;
    }
    std::size_t theCount = 0;
    CellCount(inArray, theCount);
    const auto* theSource = static_cast<const char*>(inArray->pvData);
    auto* theDest = static_cast<char*>(theCopy->pvData);
    // Plain elements (bytes of an upload or an export, numbers) copy as one block.
    if ((inArray->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT)) == 0) {
        if (theCount != 0)
            std::memcpy(theDest, theSource, theCount * inArray->cbElements);
        *outCopy = theCopy;
        return S_OK;
    }
    for (std::size_t i = 0; i < theCount; ++i) {
        const HRESULT theResult = CopyCell(inArray->fFeatures, inArray->cbElements, theSource + i * inArray->cbElements,
                                           theDest + i * inArray->cbElements);
        if (FAILED(theResult)) {
            SafeArrayDestroy(theCopy);
            return theResult;
        }
    }
    *outCopy = theCopy;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* inArray)
{
    return inArray != nullptr ? inArray->cDims : 0;
}

UINT SafeArrayGetElemsize(SAFEARRAY* inArray)
{
    return inArray != nullptr ? inArray->cbElements : 0;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound)
{
    if (inArray == nullptr || outBound == nullptr)
        return E_INVALIDARG;
    if (inDim == 0 || inDim > inArray->cDims)
        return DISP_E_BADINDEX;
    *outBound = inArray->rgsabound[inArray->cDims - inDim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound)
{
    if (inArray == nullptr || outBound == nullptr)
        return E_INVALIDARG;
    if (inDim == 0 || inDim > inArray->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& theBound = inArray->rgsabound[inArray->cDims - inDim];
    // An empty dimension has an upper bound one below its lower bound.
    *outBound = static_cast<LONG>(std::int64_t{theBound.lLbound} + theBound.cElements - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* inArray, VARTYPE* outType)
{
    if (inArray == nullptr || outType == nullptr)
        return E_INVALIDARG;
    if (inArray->fFeatures & FADF_HAVEVARTYPE) {
        DWORD theType;
        std::memcpy(&theType, BlockOf(inArray) + kPrefixBytes - kTypeOffset, sizeof(theType));
        *outType = static_cast<VARTYPE>(theType);
    } else if (inArray->fFeatures & FADF_BSTR) {
        *outType = VT_BSTR;
    } else if (inArray->fFeatures & FADF_VARIANT) {
        *outType = VT_VARIANT;
    } else if (inArray->fFeatures & FADF_DISPATCH) {
        *outType = VT_DISPATCH;
    } else if (inArray->fFeatures & FADF_UNKNOWN) {
        *outType = VT_UNKNOWN;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* inArray)
{
    if (inArray == nullptr)
        return E_INVALIDARG;
    if (inArray->cLocks == std::numeric_limits<ULONG>::max())
        return E_UNEXPECTED;
    ++inArray->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* inArray)
{
    if (inArray == nullptr)
        return E_INVALIDARG;
    if (inArray->cLocks == 0)
        return E_UNEXPECTED;
    --inArray->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* inArray, void** outData)
{
    if (inArray == nullptr || outData == nullptr)
        return E_INVALIDARG;
    const HRESULT theResult = SafeArrayLock(inArray);
    if (FAILED(theResult))
        return theResult;
    *outData = inArray->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* inArray)
{
    return SafeArrayUnlock(inArray);
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* inArray, LONG* inIndices, void** outElement)
{
    if (inArray == nullptr || inIndices == nullptr || outElement == nullptr)
        return E_INVALIDARG;
    std::size_t theCell = 0;
    const HRESULT theResult = CellOffset(inArray, inIndices, theCell);
    if (FAILED(theResult))
        return theResult;
    *outElement = static_cast<char*>(inArray->pvData) + theCell * inArray->cbElements;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* inArray, LONG* inIndices, void* outValue)
{
    if (outValue == nullptr)
        return E_INVALIDARG;
    void* theElement = nullptr;
    HRESULT theResult = SafeArrayPtrOfIndex(inArray, inIndices, &theElement);
    if (FAILED(theResult))
        return theResult;
    theResult = SafeArrayLock(inArray);
    if (FAILED(theResult))
        return theResult;
    theResult = CopyCell(inArray->fFeatures, inArray->cbElements, theElement, outValue);
    SafeArrayUnlock(inArray);
    return theResult;
}

HRESULT SafeArrayPutElement(SAFEARRAY* inArray, LONG* inIndices, void* inValue)
{
    void* theElement = nullptr;
    HRESULT theResult = SafeArrayPtrOfIndex(inArray, inIndices, &theElement);
    if (FAILED(theResult))
        return theResult;
    const USHORT theFeatures = inArray->fFeatures;
    // Strings and interfaces are passed as the pointer itself, variants and
    // numbers by address, as in the classic interface.
    if (theFeatures & FADF_BSTR) {
        auto theSource = static_cast<BSTR>(inValue);
        BSTR theCopy = nullptr;
        if (CopyCell(theFeatures, inArray->cbElements, &theSource, &theCopy) != S_OK)
            return E_OUTOFMEMORY;
        SysFreeString(*static_cast<BSTR*>(theElement));
        *static_cast<BSTR*>(theElement) = theCopy;
        return S_OK;
    }
    if (theFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* theObject = static_cast<IUnknown*>(inValue);
        if (theObject != nullptr)
            theObject->AddRef();
        IUnknown*& theSlot = *static_cast<IUnknown**>(theElement);
        if (theSlot != nullptr)
            theSlot->Release();
        theSlot = theObject;
        return S_OK;
    }
    if (inValue == nullptr)
        return E_INVALIDARG;
    if (theFeatures & FADF_VARIANT) {
        // Copy first, so that putting an element's own value back is safe.
        VARIANT theCopy;
        theResult = CopyCell(theFeatures, inArray->cbElements, inValue, &theCopy);
        if (FAILED(theResult))
            return theResult;
        auto* theSlot = static_cast<VARIANT*>(theElement);
        VariantClear(theSlot);
        *theSlot = theCopy;
        return S_OK;
    }
    std::memmove(theElement, inValue, inArray->cbElements);
    return S_OK;
}

HRESULT ByteArrayVariant(const void* inData, std::size_t inSize, VARIANT* outValue)
{
    if (outValue == nullptr || inSize > std::size_t(std::numeric_limits<LONG>::max()) ||
        (inSize > 0 && inData == nullptr))
        return E_INVALIDARG;
    // Made empty, then given room that is not zeroed first: every byte is written at once, and
    // clearing a photo's worth of bytes cost as much as copying them.
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, 0);
    if (theArray == nullptr)
        return E_OUTOFMEMORY;
    if (inSize > 0) {
        theArray->pvData = std::malloc(inSize);
        if (theArray->pvData == nullptr) {
            SafeArrayDestroy(theArray);
            return E_OUTOFMEMORY;
        }
        std::memcpy(theArray->pvData, inData, inSize);
        theArray->rgsabound[0].cElements = static_cast<ULONG>(inSize);
    }
    VariantInit(outValue);
    outValue->vt = VT_ARRAY | VT_UI1;
    outValue->parray = theArray;
    return S_OK;
}
