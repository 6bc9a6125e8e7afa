// The grammar: tokens, quotes, error codes, positions, excerpts and messages.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "vellumax/params/ParameterParser.h"

namespace {

// Records every pair; the name "fail" reports code 6 and "bad" code 7.
class RecordingParser : public ParameterParser {
public:
    void SetParameter(const char* inName, const char* inValue) override
    {
        mPairs.emplace_back(inName, inValue);
        if (std::string(inName) == "fail")
            SetError(kBadValue, inName, "=", inValue);
        else if (std::string(inName) == "bad")
            SetError(kUnknownName, inName);
    }

    std::string Message() const
    {
        char theMessage[kMessageCapacity];
        ErrorMessage(theMessage);
        return theMessage;
    }

    std::vector<std::pair<std::string, std::string>> mPairs;
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct GoodCase {
    const char* label;
    std::string text;
    Pairs pairs;
};

class GrammarAccepts : public testing::TestWithParam<GoodCase> {};

TEST_P(GrammarAccepts, PairsInOrder)
{
    RecordingParser theParser;
    EXPECT_EQ(theParser.Parse(GetParam().text.c_str()), 0) << GetParam().label;
    EXPECT_EQ(theParser.ErrorCode(), 0);
    EXPECT_EQ(theParser.mPairs, GetParam().pairs) << GetParam().label;
    EXPECT_EQ(theParser.Message(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrammarAccepts,
    testing::Values(GoodCase{"empty", "", {}}, GoodCase{"white space only", " \t\r\n\v\f", {}},
                    GoodCase{"three pairs",
                             "pos=10,20 textcolor=red text='Hello world'",
                             {{"pos", "10,20"}, {"textcolor", "red"}, {"text", "Hello world"}}},
                    GoodCase{"blanks around equals", "a = 1\tb\n=\n2", {{"a", "1"}, {"b", "2"}}},
                    GoodCase{"doubled single quote", "text='It''s'", {{"text", "It's"}}},
                    GoodCase{"doubled double quote", "text=\"say \"\"hi\"\"\"", {{"text", "say \"hi\""}}},
                    GoodCase{"other quote is ordinary", "text=\"it's\" b='a\"b'", {{"text", "it's"}, {"b", "a\"b"}}},
                    GoodCase{"empty quoted value", "text='' b=\"\"", {{"text", ""}, {"b", ""}}},
                    GoodCase{"pair right after a quote", "text='a'b=2", {{"text", "a"}, {"b", "2"}}},
                    GoodCase{"quoted name", "'my name'=1", {{"my name", "1"}}},
                    GoodCase{"case kept", "PenColor=RED", {{"PenColor", "RED"}}},
                    GoodCase{"255 characters", "v=" + std::string(255, 'x'), {{"v", std::string(255, 'x')}}},
                    GoodCase{"255 quoted characters with doubled quotes",
                             "v='" + std::string(253, 'x') + "'''''",
                             {{"v", std::string(253, 'x') + "''"}}}),
    [](const auto& inInfo) { return std::to_string(inInfo.index); });

TEST(GrammarAccepts, PlainEqualsAfterValueIsAnError)
{
    // "a=b=c" stops the value at the second '=' and then finds no name there.
    RecordingParser theParser;
    EXPECT_EQ(theParser.Parse("a=b=c"), ParameterParser::kMissingParameter);
    EXPECT_EQ(theParser.ErrorPosition(), 3);
}

struct BadCase {
    const char* label;
    std::string text;
    std::int32_t code;
    std::int32_t position;
    std::string context;
    std::string message;
};

class GrammarRejects : public testing::TestWithParam<BadCase> {};

TEST_P(GrammarRejects, CodePositionContextAndMessage)
{
    const BadCase& theCase = GetParam();
    RecordingParser theParser;
    EXPECT_EQ(theParser.Parse(theCase.text.c_str()), theCase.code) << theCase.label;
    EXPECT_EQ(theParser.ErrorCode(), theCase.code) << theCase.label;
    EXPECT_EQ(theParser.ErrorPosition(), theCase.position) << theCase.label;
    EXPECT_STREQ(theParser.ErrorContext(), theCase.context.c_str()) << theCase.label;
    EXPECT_EQ(theParser.Message(), theCase.message) << theCase.label;
}

const std::string k256(256, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, GrammarRejects,
    testing::Values(
        BadCase{"name alone", "pencolor", 2, 8, "pencolor^",
                "Could not find equals sign expected at character 8 \"pencolor^\""},
        BadCase{"two words", "pos 10", 2, 4, "pos ^10",
                "Could not find equals sign expected at character 4 \"pos ^10\""},
        BadCase{"value missing", "pencolor=", 3, 9, "pencolor=^",
                "Could not find a parameter expected at character 9 \"pencolor=^\""},
        BadCase{"value missing before next pair", "a=1 b= ", 3, 7, "a=1 b= ^",
                "Could not find a parameter expected at character 7 \"a=1 b= ^\""},
        BadCase{"name missing", "=5", 3, 0, "^=5", "Could not find a parameter expected at character 0 \"^=5\""},
        BadCase{"empty quoted name", "''=5", 3, 2, "''^=5",
                "Could not find a parameter expected at character 2 \"''^=5\""},
        BadCase{"lone quote at the end", "a=1 \"", 3, 5, "a=1 \"^",
                "Could not find a parameter expected at character 5 \"a=1 \"^\""},
        BadCase{"no closing double quote", "text=\"abc", 5, 9, "text=\"abc^",
                "Gave up looking for end quote of quoted string at character 9 \"text=\"abc^\""},
        BadCase{"no closing single quote", "text='It''s", 5, 11, "text='It''s^",
                "Gave up looking for end quote of quoted string at character 11 \"text='It''s^\""},
        BadCase{"quoted name without end", "'abc", 5, 4, "'abc^",
                "Gave up looking for end quote of quoted string at character 4 \"'abc^\""},
        BadCase{"256-character value", "v=" + k256, 4, 257, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx^x",
                "Gave up getting value at character 257 because it was too long  "
                "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx^x\""},
        BadCase{"256-character name", k256 + "=1", 4, 255, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx^x=1",
                "Gave up getting value at character 255 because it was too long  "
                "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx^x=1\""},
        BadCase{"256 quoted characters", "v='" + k256 + "'", 4, 258, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx^x'",
                "Gave up getting value at character 258 because it was too long  "
                "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx^x'\""},
        BadCase{"value read fails", "a=1 fail=reddish b=2", 6, 16, "fail=reddish",
                "Could not understand value of parameter \"fail=reddish\""},
        BadCase{"unknown name", "bad=1", 7, 5, "bad", "Do not recognise parameter \"bad\""},
        BadCase{"excerpt reaches 30 characters each way", "a=" + std::string(40, 'b') + " c " + std::string(40, 'd'), 2,
                45, std::string(27, 'b') + " c ^" + std::string(30, 'd'),
                "Could not find equals sign expected at character 45 \"" + std::string(27, 'b') + " c ^" +
                    std::string(30, 'd') + "\""}),
    [](const auto& inInfo) { return std::to_string(inInfo.index); });

TEST(GrammarRejects, PairsBeforeTheErrorAreApplied)
{
    RecordingParser theParser;
    EXPECT_EQ(theParser.Parse("a=1 b=2 c"), 2);
    EXPECT_EQ(theParser.mPairs, (Pairs{{"a", "1"}, {"b", "2"}}));
    theParser.mPairs.clear();
    EXPECT_EQ(theParser.Parse("fail=1 after=2"), 6);
    EXPECT_EQ(theParser.mPairs, (Pairs{{"fail", "1"}}));
}

TEST(GrammarAccepts, NullTextIsEmpty)
{
    RecordingParser theParser;
    EXPECT_EQ(theParser.Parse(nullptr), 0);
    EXPECT_TRUE(theParser.mPairs.empty());
}

TEST(GrammarRejects, ParsingAgainStartsClean)
{
    RecordingParser theParser;
    ASSERT_EQ(theParser.Parse("bad=1"), 7);
    EXPECT_EQ(theParser.Parse("a=1"), 0);
    EXPECT_EQ(theParser.ErrorPosition(), 0);
    EXPECT_STREQ(theParser.ErrorContext(), "");
    char theMessage[ParameterParser::kMessageCapacity] = "junk";
    EXPECT_FALSE(theParser.ErrorMessage(theMessage));
    EXPECT_STREQ(theMessage, "");
}

TEST(SetError, JoinsPartsAndCutsToTheContext)
{
    RecordingParser theParser;
    theParser.SetError(6, "name", nullptr, "value");
    EXPECT_EQ(theParser.ErrorCode(), 6);
    EXPECT_STREQ(theParser.ErrorContext(), "namevalue");
    const std::string theLong(255, 'v');
    theParser.SetError(6, "name", "=", theLong.c_str());
    EXPECT_EQ(std::string(theParser.ErrorContext()), ("name=" + theLong).substr(0, 255));
    // The message is cut to its buffer, never overrun.
    std::string theMessage = theParser.Message();
    EXPECT_EQ(theMessage.size(), 255u);
    EXPECT_EQ(theMessage.rfind("Could not understand value of parameter \"name=vvv", 0), 0u);
}

TEST(GrammarRejects, LongestContextsStayTerminated)
{
    RecordingParser theParser;
    const std::string theValue(255, 'z');
    EXPECT_EQ(theParser.Parse(("fail=" + theValue).c_str()), 6);
    EXPECT_EQ(std::string(theParser.ErrorContext()), ("fail=" + theValue).substr(0, 255));
}

}  // namespace
