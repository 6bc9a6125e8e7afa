#include "Shape.h"

#include <string>

#include <automation/Guid.h>

namespace vxnode {

namespace {

// Releases what GetTypeInfo and GetTypeAttr hand out, on every path.
class TypeAttr {
public:
    explicit TypeAttr(IDispatch* inObject)
    {
        if (FAILED(inObject->GetTypeInfo(0, LOCALE_USER_DEFAULT, &mInfo)) || mInfo == nullptr)
            return;
        if (FAILED(mInfo->GetTypeAttr(&mAttr)))
            mAttr = nullptr;
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    ~TypeAttr()
    {
        if (mAttr != nullptr)
            mInfo->ReleaseTypeAttr(mAttr);
        if (mInfo != nullptr)
            mInfo->Release();
    }
    const TYPEATTR* Get() const { return mAttr; }

private:
    ITypeInfo* mInfo = nullptr;
    TYPEATTR* mAttr = nullptr;
};

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
    const TypeAttr theAttr(theObject->mClient.Object());
    if (theAttr.Get() == nullptr) {
        napi_get_null(inEnv, &theResult);
        return theResult;
    }
    const std::string theIid = StringFromGUID(theAttr.Get()->guid);
    napi_create_string_utf8(inEnv, theIid.c_str(), theIid.size(), &theResult);
    return theResult;
}

}  // namespace vxnode
