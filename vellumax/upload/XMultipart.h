// XMultipart: a posted multipart/form-data body split into XField objects,
// read by name or number, counted and enumerated. Empty until SetData.
#pragma once

#include <automation/Dispatch.h>
#include <automation/Owners.h>
#include <vellumax/IXMultipart.h>

#include "vellumax/upload/PartLimit.h"

const vx::DispatchTable& XMultipartTable();

// The class factory the server's class table lists.
HRESULT VxGetClassObject_XMultipart(REFIID inIid, void** outObject);

class FieldList;

class XMultipart final : public vx::ComObject<XMultipart, vx::DispatchImpl<IXMultipart, XMultipartTable>,
                                              vx::SupportErrorInfo<XMultipart>> {
public:
    using Interfaces =
        vx::InterfaceMap<vx::Answers<IXMultipart, IID_IXMultipart>, vx::Answers<IDispatch, IID_IDispatch>,
                         vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    XMultipart();
    ~XMultipart();

    HRESULT get__NewEnum(IUnknown** outEnum) override;
    HRESULT get_Item(VARIANT inIndex, VARIANT* outItem) override;
    HRESULT get_Count(LONG* outCount) override;
    HRESULT SetData(VARIANT inData) override;
    HRESULT get_MaxParts(LONG* outLimit) override;
    HRESULT put_MaxParts(VARIANT inLimit) override;

private:
    LONG mMaxParts = 0;  // 0 until a script sets it

    // The fields of the last SetData. Replaced whole, never changed, so an
    // enumerator keeps the list it started on.
    vx::ComPtr<FieldList> mFields;
};
