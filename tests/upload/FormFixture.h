// A form made through its class factory, with the readings the upload tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <vellumax/IXMultipart.h>

#include "objects_values/Factories.h"

inline std::vector<std::uint8_t> Bytes(const std::string& inText)
{
    return {inText.begin(), inText.end()};
}

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        mForm = CreateByFactory(&VxGetClassObject_XMultipart);
        ASSERT_TRUE(mForm);
    }
    bool SetData(const std::string& inBody) { return mForm.Call("SetData", Bytes(inBody)), mForm.Ok(); }
    vx::Client Field(vx::Variant inIndex)
    {
        vx::Variant theItem = mForm.Invoke("Item", DISPATCH_PROPERTYGET, {std::move(inIndex)});
        return vx::Client(theItem.AsDispatch());
    }
    LONG Count() { return mForm.Get("Count").AsLong(); }

    vx::Client mForm;
};
