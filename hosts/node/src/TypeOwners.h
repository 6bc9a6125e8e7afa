// Owners for what a type information object hands out: each description goes back to it.
#pragma once

#include <memory>

#include <automation/Interfaces.h>

namespace vxnode {

struct TypeAttrReturn {
    ITypeInfo* mInfo;
    void operator()(TYPEATTR* inAttr) const { mInfo->ReleaseTypeAttr(inAttr); }
};
struct FuncDescReturn {
    ITypeInfo* mInfo;
    void operator()(FUNCDESC* inDesc) const { mInfo->ReleaseFuncDesc(inDesc); }
};
using TypeAttrRef = std::unique_ptr<TYPEATTR, TypeAttrReturn>;

}  // namespace vxnode
