// The one class of the test server module (TestServer.cpp), as its clients see it.
#pragma once

#include "automation/Interfaces.h"

inline constexpr CLSID CLSID_TestWidget = {
    0x6E1C5A10, 0x3B7D, 0x4C2E, {0x9A, 0x41, 0x5D, 0x0B, 0x7E, 0x22, 0xC3, 0x18}};
inline constexpr IID IID_ITestWidget = {0x6E1C5A11, 0x3B7D, 0x4C2E, {0x9A, 0x41, 0x5D, 0x0B, 0x7E, 0x22, 0xC3, 0x18}};

inline constexpr char kTestWidgetProgId[] = "VxTest.Widget";  // CurVer only, no CLSID subkey
inline constexpr char kTestWidgetVersionedProgId[] = "VxTest.Widget.1";

struct ITestWidget : IUnknown {
    virtual HRESULT Add(LONG inA, LONG inB, LONG* outSum) = 0;

protected:
    ~ITestWidget() = default;
};
