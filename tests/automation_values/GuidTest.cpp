#include <gtest/gtest.h>

#include "automation/Guid.h"
#include "automation/Interfaces.h"

namespace {

constexpr GUID kSample = {0x1234ABCD, 0x0F0E, 0xA0B1, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

TEST(Guid, FormatsUpperCaseWithBraces)
{
    EXPECT_EQ(StringFromGUID(kSample), "{1234ABCD-0F0E-A0B1-0123-456789ABCDEF}");
    EXPECT_EQ(StringFromGUID(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
}

TEST(Guid, RoundTripsAnyCase)
{
    EXPECT_EQ(GUIDFromString(StringFromGUID(kSample)), kSample);
    EXPECT_EQ(GUIDFromString("{1234abcd-0f0e-a0b1-0123-456789abcdef}"), kSample);
    EXPECT_EQ(GUIDFromString("{00000000-0000-0000-0000-000000000000}"), GUID_NULL);
}

TEST(Guid, RefusesBadTexts)
{
    const char* const theTexts[] = {
        "",
        "1234ABCD-0F0E-A0B1-0123-456789ABCDEF",     // no braces
        "{1234ABCD-0F0E-A0B1-0123-456789ABCDE}",    // short
        "{1234ABCD-0F0E-A0B1-0123-456789ABCDEF0}",  // long
        "{1234ABCD-0F0E-A0B1-0123-456789ABCDEG}",   // not hex
        "{1234ABCD0-F0E-A0B1-0123-456789ABCDEF}",   // dash moved
        "{1234ABCD-0F0E-A0B1-0123+456789ABCDEF}",   // wrong separator
        "(1234ABCD-0F0E-A0B1-0123-456789ABCDEF)",   // wrong brackets
        "{ 234ABCD-0F0E-A0B1-0123-456789ABCDEF}",   // blank
    };
    for (const char* theText : theTexts)
        EXPECT_FALSE(GUIDFromString(theText).has_value()) << theText;
}

TEST(Guid, WideForms)
{
    CLSID theClsid{};
    EXPECT_EQ(CLSIDFromString(u"{1234abcd-0F0E-A0B1-0123-456789ABCDEF}", &theClsid), S_OK);
    EXPECT_EQ(theClsid, kSample);
    EXPECT_EQ(CLSIDFromString(u"{1234abcd-0F0E-A0B1-0123-456789ABCDEF}x", &theClsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"Vellumax.Canvas", &theClsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(nullptr, &theClsid), CO_E_CLASSSTRING);

    OLECHAR theText[39];
    EXPECT_EQ(StringFromGUID2(kSample, theText, 38), 0);
    ASSERT_EQ(StringFromGUID2(kSample, theText, 39), 39);
    EXPECT_EQ(std::u16string(theText), u"{1234ABCD-0F0E-A0B1-0123-456789ABCDEF}");
}

}  // namespace
