// XField: one field of a posted form, made by XMultipart (scripts can refill
// one with SetValues). Holds its own copies of everything.
#pragma once

#include <string>

#include <automation/Dispatch.h>
#include <vellumax/IXField.h>

const vx::DispatchTable& XFieldTable();

class XField final : public vx::ComObject<XField, vx::DispatchImpl<IXField, XFieldTable>,
                                          vx::SupportErrorInfo<XField>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IXField, IID_IXField>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    // Texts longer than this keep their first kTextLimit characters.
    static constexpr std::size_t kTextLimit = 255;

    XField();
    ~XField();

    HRESULT get_Name(VARIANT* outValue) override;
    HRESULT get_Type(VARIANT* outValue) override;
    HRESULT get_Filename(VARIANT* outValue) override;
    HRESULT get_Contents(VARIANT* outValue) override;
    HRESULT get_Data(VARIANT* outValue) override;
    HRESULT SetValues(VARIANT inName, VARIANT inType, VARIANT inFilename, VARIANT inContents,
                      VARIANT inData) override;

    // What SetValues does, for the parser: takes over ioContents and ioData
    // (left VT_EMPTY) instead of copying them.
    void Adopt(std::u16string inName, std::u16string inType, std::u16string inFilename, VARIANT& ioContents,
               VARIANT& ioData);

    const std::u16string& Name() const { return mName; }

private:
    std::u16string mName;
    std::u16string mType;
    std::u16string mFilename;
    VARIANT mContents;
    VARIANT mData;
};
