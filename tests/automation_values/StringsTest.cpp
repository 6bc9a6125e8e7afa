#include <gtest/gtest.h>

#include <cstring>

#include "automation/Strings.h"

namespace {

std::uint32_t PrefixOf(BSTR inString)
{
    std::uint32_t theLength;
    std::memcpy(&theLength, reinterpret_cast<const char*>(inString) - 4, 4);
    return theLength;
}

TEST(Bstr, LayoutHasBytePrefixAndTerminator)
{
    BSTR theText = SysAllocString(u"abc");
    ASSERT_NE(theText, nullptr);
    EXPECT_EQ(PrefixOf(theText), 6u);
    EXPECT_EQ(SysStringLen(theText), 3u);
    EXPECT_EQ(SysStringByteLen(theText), 6u);
    EXPECT_EQ(theText[3], 0);
    SysFreeString(theText);
}

TEST(Bstr, EmbeddedNulsAreKept)
{
    const OLECHAR theChars[] = {u'a', 0, u'b', 0};
    BSTR theText = SysAllocStringLen(theChars, 4);
    EXPECT_EQ(SysStringLen(theText), 4u);
    EXPECT_EQ(theText[2], u'b');
    EXPECT_EQ(theText[4], 0);
    EXPECT_EQ(UTF8FromBSTR(theText), std::string("a\0b\0", 4));
    SysFreeString(theText);
}

TEST(Bstr, AllocationWithoutText)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    BSTR theZeros = SysAllocStringLen(nullptr, 5);
    EXPECT_EQ(SysStringLen(theZeros), 5u);
    for (UINT i = 0; i <= 5; ++i)
        EXPECT_EQ(theZeros[i], 0);
    SysFreeString(theZeros);
    BSTR theEmpty = SysAllocStringLen(u"ignored", 0);
    ASSERT_NE(theEmpty, nullptr);
    EXPECT_EQ(SysStringLen(theEmpty), 0u);
    EXPECT_EQ(theEmpty[0], 0);
    SysFreeString(theEmpty);
}

TEST(Bstr, ByteLengthKeepsOddCounts)
{
    BSTR theBytes = SysAllocStringByteLen("xyz", 3);
    EXPECT_EQ(SysStringByteLen(theBytes), 3u);
    EXPECT_EQ(SysStringLen(theBytes), 1u);
    const auto* theRaw = reinterpret_cast<const unsigned char*>(theBytes);
    EXPECT_EQ(std::memcmp(theRaw, "xyz", 3), 0);
    // Terminated even when read as UTF-16 from the last whole character.
    EXPECT_EQ(theRaw[3], 0);
    EXPECT_EQ(theRaw[4], 0);
    SysFreeString(theBytes);
}

TEST(Bstr, NullReadsAsEmpty)
{
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    EXPECT_EQ(UTF8FromBSTR(nullptr), "");
    SysFreeString(nullptr);
}

TEST(Bstr, ReallocationFromItsOwnText)
{
    BSTR theText = SysAllocString(u"hello world");
    ASSERT_EQ(SysReAllocString(&theText, theText + 6), 1);
    EXPECT_EQ(UTF8FromBSTR(theText), "world");
    ASSERT_EQ(SysReAllocString(&theText, nullptr), 1);
    EXPECT_EQ(theText, nullptr);
    EXPECT_EQ(SysReAllocString(nullptr, u"x"), 0);
}

TEST(Utf8, RoundTripsIncludingOutsideTheBasicPlane)
{
    const std::string theText = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // A é € 😀 z
    const std::u16string theWide = UTF16FromUTF8(theText);
    ASSERT_EQ(theWide.size(), 6u);
    EXPECT_EQ(theWide[1], 0x00E9);
    EXPECT_EQ(theWide[2], 0x20AC);
    EXPECT_EQ(theWide[3], 0xD83D);
    EXPECT_EQ(theWide[4], 0xDE00);
    EXPECT_EQ(UTF8FromUTF16(theWide), theText);

    BSTR theString = SysAllocStringUTF8(theText);
    EXPECT_EQ(SysStringLen(theString), 6u);
    EXPECT_EQ(UTF8FromBSTR(theString), theText);
    SysFreeString(theString);
}

struct BadUtf8Row {
    const char* mLabel;
    std::string mInput;
    std::u16string mExpected;
};

TEST(Utf8, InvalidSequencesBecomeReplacementCharacters)
{
    const BadUtf8Row theRows[] = {
        {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
        {"truncated at end", "a\xE2\x82", u"a\uFFFD\uFFFD"},
        {"lead byte then ASCII",
         "\xC3"
         "A",
         u"\uFFFDA"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond the last code point", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"invalid lead byte", "\xFF", u"\uFFFD"},
        {"embedded NUL kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const BadUtf8Row& theRow : theRows)
        EXPECT_EQ(UTF16FromUTF8(theRow.mInput), theRow.mExpected) << theRow.mLabel;
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters)
{
    const std::u16string theHigh = {u'a', char16_t(0xD83D), u'b'};
    EXPECT_EQ(UTF8FromUTF16(theHigh), "a\xEF\xBF\xBD"
                                      "b");
    const std::u16string theLow = {char16_t(0xDE00)};
    EXPECT_EQ(UTF8FromUTF16(theLow), "\xEF\xBF\xBD");
}

struct Utf16Row {
    const char* mLabel;
    std::u16string mInput;
    std::string mExpected;
};

// ASCII is copied apart from the rest: each row puts the first other unit at
// a different place, or has none.
TEST(Utf8, FromUtf16WhereverTheFirstNonAsciiUnitFalls)
{
    const std::string kFFFD = "\xEF\xBF\xBD";
    const Utf16Row theRows[] = {
        {"empty", u"", ""},
        {"ASCII with NUL and DEL", std::u16string(u"a\0\x7F", 3), std::string("a\0\x7F", 3)},
        {"first unit two bytes", u"\u0080x", "\xC2\x80x"},
        {"last unit two bytes", u"abc\u07FF", "abc\xDF\xBF"},
        {"three bytes then ASCII", u"ab\u0800cd",
         "ab\xE0\xA0\x80"
         "cd"},
        {"top of the plane", u"\uFFFF", "\xEF\xBF\xBF"},
        {"pair after ASCII", u"x\U0010FFFF", "x\xF4\x8F\xBF\xBF"},
        {"high at the end", std::u16string{u'a', char16_t(0xDBFF)}, "a" + kFFFD},
        {"high before ASCII", std::u16string{char16_t(0xD800), u'z'}, kFFFD + "z"},
        {"reversed pair", std::u16string{char16_t(0xDC00), char16_t(0xD800)}, kFFFD + kFFFD},
        {"two highs then low", std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)},
         kFFFD + "\xF0\x90\x80\x80"},
        {"ASCII after a non-ASCII unit", u"\u00E9tude", "\xC3\xA9tude"},
    };
    for (const Utf16Row& theRow : theRows)
        EXPECT_EQ(UTF8FromUTF16(theRow.mInput), theRow.mExpected) << theRow.mLabel;
    const std::u16string theLong(1000, u'q');
    EXPECT_EQ(UTF8FromUTF16(theLong), std::string(1000, 'q'));
    EXPECT_EQ(UTF8FromUTF16(theLong + u"\u00E9"), std::string(1000, 'q') + "\xC3\xA9");
}

// The ASCII start is widened apart from the rest; both conversions from UTF-8
// must agree wherever the first other byte falls, or when there is none.
TEST(Utf8, ToUtf16AndToBstrWhereverTheFirstNonAsciiByteFalls)
{
    const BadUtf8Row theRows[] = {
        {"empty", "", u""},
        {"ASCII with NUL and DEL", std::string("a\0\x7F", 3), std::u16string(u"a\0\x7F", 3)},
        {"first byte a lead", "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {"after ASCII, four bytes", "ab\xF0\x9F\x98\x80", u"ab\U0001F600"},
        {"last byte a lone lead", "abc\xE2", u"abc\uFFFD"},
        {"continuation after ASCII", "x\x80y", u"x\uFFFDy"},
    };
    for (const BadUtf8Row& theRow : theRows) {
        EXPECT_EQ(UTF16FromUTF8(theRow.mInput), theRow.mExpected) << theRow.mLabel;
        BSTR theString = SysAllocStringUTF8(theRow.mInput);
        ASSERT_NE(theString, nullptr) << theRow.mLabel;
        EXPECT_EQ(std::u16string(theString, SysStringLen(theString)), theRow.mExpected) << theRow.mLabel;
        EXPECT_EQ(theString[SysStringLen(theString)], 0) << theRow.mLabel;
        SysFreeString(theString);
    }
}

TEST(EqualNoCase, FoldsAsciiLettersOnly)
{
    EXPECT_TRUE(EqualNoCase(u"DrawText", u"drawTEXT"));
    EXPECT_FALSE(EqualNoCase(u"Draw", u"Drawn"));
    EXPECT_FALSE(EqualNoCase(u"\u00E9", u"\u00C9"));
    EXPECT_FALSE(EqualNoCase(u"[", u"{"));  // not a letter: no case
    EXPECT_TRUE(EqualNoCase(u"", u""));
}

}  // namespace
