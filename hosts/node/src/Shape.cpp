#include "Shape.h"

#include <string>

#include <automation/Guid.h>
#include <automation/Owners.h>

#include "TypeOwners.h"

namespace vxnode {

namespace {

// The attributes of the object's first type information, or null when it has none.
TypeAttrRef AttributesOf(IDispatch* inObject, vx::ComPtr<ITypeInfo>& outInfo)
{
    TYPEATTR* theAttr = nullptr;
    if (FAILED(inObject->GetTypeInfo(0, LOCALE_USER_DEFAULT, outInfo.Out())) || !outInfo ||
        FAILED(outInfo->GetTypeAttr(&theAttr)))
        return TypeAttrRef(nullptr, TypeAttrReturn{nullptr});
    return TypeAttrRef(theAttr, TypeAttrReturn{outInfo.Get()});
}

}  // namespace

napi_value InterfaceId(napi_env inEnv, napi_callback_info inInfo)
{
    napi_value theHandle = nullptr;
    size_t theCount = 1;
    if (napi_get_cb_info(inEnv, inInfo, &theCount, &theHandle, nullptr, nullptr) != napi_ok)
        return nullptr;
    HostObject* theObject = HandleObject(inEnv, theHandle);
    if (theObject == nullptr)
        return nullptr;
    napi_value theResult = nullptr;
    vx::ComPtr<ITypeInfo> theInfo;
    const TypeAttrRef theAttr = AttributesOf(theObject->mClient.Object(), theInfo);
    if (theAttr == nullptr) {
        napi_get_null(inEnv, &theResult);
        return theResult;
    }
    const std::string theIid = StringFromGUID(theAttr->guid);
    napi_create_string_utf8(inEnv, theIid.c_str(), theIid.size(), &theResult);
    return theResult;
}

}  // namespace vxnode
