// Objects made the way DllGetClassObject hands them out: through each class's
// own factory, asked for IDispatch.
#pragma once

#include <gtest/gtest.h>

#include <automation/Client.h>
#include <automation/DispatchTable.h>
#include <automation/ErrorInfo.h>
#include <automation/Interfaces.h>
#include <automation/Strings.h>

// Declared here without the weak attribute of the server's class table, so
// that the linker takes the classes from the static libraries.
HRESULT VxGetClassObject_XColor(REFIID inIid, void** outObject);
HRESULT VxGetClassObject_XRect(REFIID inIid, void** outObject);
HRESULT VxGetClassObject_XPoint(REFIID inIid, void** outObject);
HRESULT VxGetClassObject_XMultipart(REFIID inIid, void** outObject);

using GetFactoryProc = HRESULT (*)(REFIID inIid, void** outObject);

inline vx::Client CreateByFactory(GetFactoryProc inGetFactory)
{
    IClassFactory* theFactory = nullptr;
    EXPECT_EQ(inGetFactory(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)), S_OK);
    if (theFactory == nullptr)
        return vx::Client();
    IDispatch* theObject = nullptr;
    EXPECT_EQ(theFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&theObject)), S_OK);
    theFactory->Release();
    vx::Client theClient(theObject);
    if (theObject != nullptr)
        theObject->Release();
    return theClient;
}

// The help string the object's type information gives for a member.
inline std::string HelpOf(IDispatch* inObject, DISPID inId)
{
    ITypeInfo* theInfo = nullptr;
    if (FAILED(inObject->GetTypeInfo(0, 0, &theInfo)) || theInfo == nullptr)
        return "<no type info>";
    BSTR theHelp = nullptr;
    const HRESULT theResult = theInfo->GetDocumentation(inId, nullptr, &theHelp, nullptr, nullptr);
    theInfo->Release();
    std::string theText = SUCCEEDED(theResult) ? UTF8FromBSTR(theHelp) : "<none>";
    SysFreeString(theHelp);
    return theText;
}

// Whether the object answers for inIid's rich error information.
inline HRESULT SupportsErrorInfo(IDispatch* inObject, REFIID inIid)
{
    ISupportErrorInfo* theSupport = nullptr;
    if (FAILED(inObject->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&theSupport))))
        return E_NOINTERFACE;
    const HRESULT theResult = theSupport->InterfaceSupportsErrorInfo(inIid);
    theSupport->Release();
    return theResult;
}
