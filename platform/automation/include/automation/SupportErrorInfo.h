// ISupportErrorInfo answered from the object's interface list: yes for the
// object's own interfaces, no for the standard ones and anything else.
#pragma once

#include "automation/Interfaces.h"

namespace vx {

template <class Derived>
class SupportErrorInfo : public ISupportErrorInfo {
public:
    HRESULT InterfaceSupportsErrorInfo(REFIID inIid) override
    {
        if (IsEqualIID(inIid, IID_IUnknown) || IsEqualIID(inIid, IID_IDispatch) ||
            IsEqualIID(inIid, IID_ISupportErrorInfo))
            return S_FALSE;
        return Derived::Interfaces::Contains(inIid) ? S_OK : S_FALSE;
    }
};

}  // namespace vx
