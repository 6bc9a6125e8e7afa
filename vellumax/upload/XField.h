// XField: one field of a posted form, made by XMultipart (scripts can refill
// one with SetValues). A field made from a body keeps a range of that body,
// shared with the other fields, and copies it out only when Contents or Data
// is read; SetValues gives it copies of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <automation/ComVariant.h>
#include <automation/Dispatch.h>
#include <vellumax/IXField.h>

const vx::DispatchTable& XFieldTable();

// A posted body, held by its form and by the fields made from it.
using UploadBody = std::shared_ptr<const std::vector<std::uint8_t>>;

class XField;

// The list a field was made for, which keeps no reference on it: it is told
// when the field goes, and when a script's SetValues makes the field differ
// from its part, so that the list then keeps it.
class FieldOwner {
public:
    virtual void FieldGone(std::uint32_t inIndex) = 0;
    virtual void KeepField(XField* inField) = 0;

protected:
    ~FieldOwner() = default;
};

class XField final
    : public vx::ComObject<XField, vx::DispatchImpl<IXField, XFieldTable>, vx::SupportErrorInfo<XField>> {
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
    HRESULT SetValues(VARIANT inName, VARIANT inType, VARIANT inFilename, VARIANT inContents, VARIANT inData) override;

    // What SetValues does once its values are copied: takes them over.
    void Adopt(std::u16string inName, std::u16string inType, std::u16string inFilename, vx::ComVariant inContents,
               vx::ComVariant inData);

    // What the parser gives a field: its texts and the range of the body that
    // holds its bytes.
    void AdoptPart(std::u16string inName, std::u16string inType, std::u16string inFilename, UploadBody inBody,
                   std::size_t inData, std::size_t inLength);

    const std::u16string& Name() const { return mName; }

    // Null when the field is not, or no longer, one of a list's parts.
    void SetOwner(FieldOwner* inOwner, std::uint32_t inIndex)
    {
        mOwner = inOwner;
        mIndex = inIndex;
    }

private:
    void ForgetPart();

    FieldOwner* mOwner = nullptr;
    std::uint32_t mIndex = 0;
    bool mKept = false;  // the owner holds a reference

    UploadBody mBody;  // set while the bytes are still a range of the body
    std::size_t mDataAt = 0;
    std::size_t mDataLength = 0;
    std::u16string mName;
    std::u16string mType;
    std::u16string mFilename;
    vx::ComVariant mContents;
    vx::ComVariant mData;
};
