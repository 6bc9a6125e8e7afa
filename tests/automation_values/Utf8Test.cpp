// Measuring and repairing UTF-8 must answer what the round trip through UTF-16 answers.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "automation/Strings.h"
#include "automation/Utf8.h"

namespace {

void ExpectAsRoundTrip(const std::string& inText)
{
    EXPECT_EQ(UTF16LengthOfUTF8(inText), UTF16FromUTF8(inText).size()) << testing::PrintToString(inText);
    EXPECT_EQ(WellFormedUTF8(inText), UTF8FromUTF16(UTF16FromUTF8(inText))) << testing::PrintToString(inText);
}

TEST(Utf8, EdgeCasesAnswerAsTheRoundTrip)
{
    for (const char* theText :
         {"", "plain",
          "Gr\xC3\xBC\xC3\x9F"
          "e",
          "\xEF\xBF\xBD",
          "a\xEF\xBF\xBD"
          "b",
          "\xF0\x9F\x98\x80", "\xF0\x9F\x98", "\xE2\x82", "\xC3", "x\x80", "\x80x", "\xC0\xAF", "\xED\xA0\x80",
          "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF\xFE", "ok\xC3\xA9\xE2"})
        ExpectAsRoundTrip(theText);
}

// Short texts biased towards the bytes that start and continue sequences.
TEST(Utf8, RandomBytesAnswerAsTheRoundTrip)
{
    const unsigned char kBytes[] = {'a',  0x7F, 0x80, 0xBF, 0xC2, 0xC3, 0xDF, 0xE0, 0xE2, 0xED,
                                    0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0xA0, 0x9F, 0x82, 0xBD, 0xBB};
    std::mt19937 theRandom(4);
    for (int theCase = 0; theCase < 20000; ++theCase) {
        std::string theText(theRandom() % 9, '\0');
        for (char& theByte : theText)
            theByte = char(kBytes[theRandom() % sizeof kBytes]);
        ExpectAsRoundTrip(theText);
        if (HasFailure())
            break;
    }
}

}  // namespace
