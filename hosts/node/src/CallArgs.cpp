#include "CallArgs.h"

#include <cstdint>

namespace vxnode {

bool PrepareCall(napi_env inEnv, napi_value inArgs, napi_value inOutPositions, PreparedCall* outCall)
{
    uint32_t theCount = 0;
    napi_get_array_length(inEnv, inArgs, &theCount);
    std::vector<vx::Variant>& theValues = outCall->mValues;
    theValues.resize(theCount);
    for (uint32_t i = 0; i < theCount; ++i) {
        napi_value theItem = nullptr;
        napi_get_element(inEnv, inArgs, i, &theItem);
        if (!ToVariant(inEnv, theItem, NullAs::kNull, theValues[i].Out()))
            return false;
    }
    // [out] places beyond what the caller gave receive references to fresh variants.
    napi_valuetype theKind = napi_undefined;
    napi_typeof(inEnv, inOutPositions, &theKind);
    if (theKind != napi_object)
        return true;
    uint32_t thePlaces = 0;
    napi_get_array_length(inEnv, inOutPositions, &thePlaces);
    std::vector<uint32_t> theSlots;
    for (uint32_t i = 0; i < thePlaces; ++i) {
        napi_value theItem = nullptr;
        napi_get_element(inEnv, inOutPositions, i, &theItem);
        int32_t theSlot = 0;
        napi_get_value_int32(inEnv, theItem, &theSlot);
        if (static_cast<uint32_t>(theSlot) >= theCount)
            theSlots.push_back(static_cast<uint32_t>(theSlot));
    }
    outCall->mOuts.resize(theSlots.size());
    if (!theSlots.empty() && theSlots.back() >= theValues.size())
        theValues.resize(theSlots.back() + 1);
    for (std::size_t i = theCount; i < theValues.size(); ++i)
        theValues[i] = vx::Variant::Missing();
    for (std::size_t i = 0; i < theSlots.size(); ++i) {
        VARIANT* theArg = theValues[theSlots[i]].Out();
        theArg->vt = VT_BYREF | VT_VARIANT;
        theArg->pvarVal = outCall->mOuts[i].Get();
    }
    return true;
}

napi_value CallResult(napi_env inEnv, PreparedCall& ioCall, vx::Variant inResult, bool inHasRetval)
{
    std::vector<vx::Variant>& theOuts = ioCall.mOuts;
    if (theOuts.empty())
        return FromVariant(inEnv, *inResult);
    if (theOuts.size() == 1 && !inHasRetval)
        return FromVariant(inEnv, *theOuts[0]);
    if (inHasRetval)
        theOuts.push_back(std::move(inResult));
    return ArrayFromVariants(inEnv, theOuts);
}

napi_value ArrayFromVariants(napi_env inEnv, const std::vector<vx::Variant>& inValues)
{
    napi_value theArray = nullptr;
    napi_create_array_with_length(inEnv, inValues.size(), &theArray);
    for (std::size_t i = 0; i < inValues.size(); ++i) {
        napi_value theItem = FromVariant(inEnv, *inValues[i]);
        if (theItem == nullptr)
            return nullptr;
        napi_set_element(inEnv, theArray, static_cast<uint32_t>(i), theItem);
    }
    return theArray;
}

}  // namespace vxnode
