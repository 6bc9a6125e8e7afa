#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "vellumax/upload/MultipartParser.h"

namespace {

std::vector<MultipartPart> Parse(const std::string& inBody)
{
    return MultipartParser::Parse(reinterpret_cast<const std::uint8_t*>(inBody.data()), inBody.size());
}

std::string DataOf(const MultipartPart& inPart)
{
    return std::string(reinterpret_cast<const char*>(inPart.mData), inPart.mLength);
}

// A MacBinary part body: a 128-byte header announcing inForkLength, then inRest.
std::string MacBinary(std::uint32_t inForkLength, const std::string& inRest)
{
    std::string theHeader(128, '\0');
    theHeader.replace(65, 8, "GIFfVLMX");
    theHeader[83] = char(inForkLength >> 24);
    theHeader[84] = char(inForkLength >> 16);
    theHeader[85] = char(inForkLength >> 8);
    theHeader[86] = char(inForkLength);
    return theHeader + inRest;
}

struct Expected {
    std::string mName;
    std::string mFilename;
    std::string mType;
    std::string mData;
};

struct Case {
    const char* mLabel;
    std::string mBody;
    std::vector<Expected> mParts;
};

class ParsedBodies : public ::testing::TestWithParam<Case> {};

TEST_P(ParsedBodies, GiveTheirParts)
{
    const Case& theCase = GetParam();
    const std::vector<MultipartPart> theParts = Parse(theCase.mBody);
    ASSERT_EQ(theParts.size(), theCase.mParts.size());
    for (std::size_t theAt = 0; theAt < theParts.size(); ++theAt) {
        EXPECT_EQ(theParts[theAt].mName, theCase.mParts[theAt].mName) << theAt;
        EXPECT_EQ(theParts[theAt].mFilename, theCase.mParts[theAt].mFilename) << theAt;
        EXPECT_EQ(theParts[theAt].mType, theCase.mParts[theAt].mType) << theAt;
        EXPECT_EQ(DataOf(theParts[theAt]), theCase.mParts[theAt].mData) << theAt;
    }
}

const std::string kLongValue(255, 'n');
const std::string kTooLong(256, 'n');
const std::string kGif("GIF89a\x01\0\x01\0\r\n--\r\n\0;", 18);

INSTANTIATE_TEST_SUITE_P(
    Bodies, ParsedBodies,
    ::testing::Values(
        Case{"PlainField",
             "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nhello\r\n--X--\r\n",
             {{"a", "", "", "hello"}}},
        Case{"PreambleBeforeTheBoundary",
             "preamble\r\n--X\r\nContent-Disposition: form-data; name=a\r\n\r\nv\r\n--X--",
             {{"a", "", "", "v"}}},
        Case{"FilePartKeepsTypeAndExactBytes",
             "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"C:\\pics\\a.gif\"\r\n"
             "Content-Type: image/gif\r\n\r\n" +
                 kGif + "\r\n--B--\r\n",
             {{"f", "C:\\pics\\a.gif", "image/gif", kGif}}},
        Case{"DuplicateNamesAreKept",
             "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n"
             "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n2\r\n--X--",
             {{"a", "", "", "1"}, {"a", "", "", "2"}}},
        Case{"EmptyPart", "--X\r\nContent-Disposition: form-data; name=\"e\"\r\n\r\n--X--", {{"e", "", "", ""}}},
        Case{"EmptyPartWithItsLineBreak",
             "--X\r\nContent-Disposition: form-data; name=\"e\"\r\n\r\n\r\n--X--",
             {{"e", "", "", ""}}},
        Case{"HeaderNamesIgnoreCase",
             "--X\r\ncontent-disposition: form-data; name=\"a\"\r\ncontent-type: text/plain\r\n\r\nx\r\n--X--",
             {{"a", "", "text/plain", "x"}}},
        Case{"FilenameBeforeNameNamesTheField",
             "--X\r\nContent-Disposition: form-data; filename=\"f.txt\"; name=\"a\"\r\n\r\nx\r\n--X--",
             {{"f.txt", "f.txt", "", "x"}}},
        Case{"NoHeadersAtAll", "--X\r\n\r\nx\r\n--X--", {{"", "", "", "x"}}},
        Case{"ValueRunsToCarriageReturnWithoutQuotes",
             "--X\r\nContent-Disposition: form-data; name=abc\r\n\r\nx\r\n--X--",
             {{"abc", "", "", "x"}}},
        Case{"ValueOf255Kept",
             "--X\r\nContent-Disposition: form-data; name=\"" + kLongValue + "\"\r\n\r\nx\r\n--X--",
             {{kLongValue, "", "", "x"}}},
        Case{"ValueOf256Dropped",
             "--X\r\nContent-Disposition: form-data; name=\"" + kTooLong + "\"\r\n\r\nx\r\n--X--",
             {{"", "", "", "x"}}},
        Case{"NoBoundary", "just text\r\n", {}}, Case{"BoundaryWithoutLineEnd", "--X", {}},
        Case{"BoundaryLineOf255Bytes",
             "--" + std::string(253, 'b') + "\r\n\r\nx\r\n--" + std::string(253, 'b') + "--",
             {{"", "", "", "x"}}},
        Case{"BoundaryLineOf256Bytes", "--" + std::string(254, 'b') + "\r\n\r\nx\r\n--" + std::string(254, 'b'), {}},
        Case{"UnfinishedPartDropped",
             "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n"
             "--X\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n2 and no end",
             {{"a", "", "", "1"}}},
        Case{"HeadersWithoutEnd",
             "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--X\r\nContent-Type: x",
             {{"a", "", "", "1"}}},
        Case{
            "PartNotStartingWithTheBoundaryEndsParsing", "--X\r\n\r\n1\r\n--X \r\n\r\n2\r\n--X--", {{"", "", "", "1"}}},
        Case{"MacBinaryDataFork",
             "--X\r\nContent-Type: application/x-macbinary\r\n\r\n" + MacBinary(3, "GIFresource") + "\r\n--X--",
             {{"", "", "application/x-macbinary", "GIF"}}},
        Case{"MacBinaryOtherCaseNotDecoded",
             "--X\r\nContent-Type: Application/X-MacBinary\r\n\r\n" + MacBinary(3, "GIF") + "\r\n--X--",
             {{"", "", "Application/X-MacBinary", MacBinary(3, "GIF")}}},
        Case{"MacBinaryAnnouncingMoreThanThePartIsEmpty",
             "--X\r\nContent-Type: application/x-macbinary\r\n\r\n" + MacBinary(4, "GIF") + "\r\n--X--",
             {{"", "", "application/x-macbinary", ""}}},
        Case{"MacBinaryHugeForkIsEmpty",
             "--X\r\nContent-Type: application/x-macbinary\r\n\r\n" + MacBinary(0xFFFFFF90u, "GIF") + "\r\n--X--",
             {{"", "", "application/x-macbinary", ""}}},
        Case{"MacBinaryShorterThanItsHeaderIsEmpty",
             "--X\r\nContent-Type: application/x-macbinary\r\n\r\nshort\r\n--X--",
             {{"", "", "application/x-macbinary", ""}}}),
    [](const ::testing::TestParamInfo<Case>& inInfo) { return std::string(inInfo.param.mLabel); });

TEST(MultipartParser, DataPointsIntoTheBodyAndLeavesItUnchanged)
{
    const std::string theBody = "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nhello\r\n--X--";
    const std::string theCopy = theBody;
    const std::vector<MultipartPart> theParts = Parse(theBody);
    ASSERT_EQ(theParts.size(), 1u);
    EXPECT_GE(reinterpret_cast<const char*>(theParts[0].mData), theBody.data());
    EXPECT_LE(reinterpret_cast<const char*>(theParts[0].mData) + theParts[0].mLength, theBody.data() + theBody.size());
    EXPECT_EQ(theBody, theCopy);
}

TEST(MultipartParser, EveryPrefixOfABodyParsesWithinIt)
{
    // Each cut ends the parse early but never lets a part reach past the cut.
    const std::string theBody = "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\none\r\n"
                                "--X\r\nContent-Type: application/x-macbinary\r\n\r\n" +
                                MacBinary(2, "ab") + "\r\n--X--\r\n";
    for (std::size_t theCut = 0; theCut <= theBody.size(); ++theCut) {
        const std::vector<std::uint8_t> theBytes(theBody.begin(), theBody.begin() + theCut);
        for (const MultipartPart& thePart : MultipartParser::Parse(theBytes.data(), theBytes.size())) {
            EXPECT_GE(thePart.mData, theBytes.data());
            EXPECT_LE(thePart.mData + thePart.mLength, theBytes.data() + theBytes.size());
        }
    }
}

// Where each part's boundary starts, read line by line as the rules say, by
// plain searches: the model the quick header skip of Locate must agree with.
std::vector<std::uint32_t> ModelStarts(const std::string& inBody)
{
    std::vector<std::uint32_t> theStarts;
    const std::size_t theFirst = inBody.find("--");
    if (theFirst == std::string::npos)
        return theStarts;
    const std::size_t theLineEnd = inBody.find("\r\n", theFirst);
    if (theLineEnd == std::string::npos || theLineEnd - theFirst >= kMultipartTextCapacity)
        return theStarts;
    const std::string theBoundary = inBody.substr(theFirst, theLineEnd - theFirst);
    std::size_t theClosing = 0;
    for (std::size_t theAt = theFirst;;) {
        if (inBody.compare(theAt, theBoundary.size() + 2, theBoundary + "\r\n") != 0)
            break;
        std::size_t theLine = theAt + theBoundary.size() + 2;
        std::size_t theEnd = 0;
        while ((theEnd = inBody.find("\r\n", theLine)) != std::string::npos && theEnd != theLine)
            theLine = theEnd + 2;
        if (theEnd == std::string::npos)
            break;
        const std::size_t theNext = inBody.find(theBoundary, theLine + 2);
        if (theNext == std::string::npos)
            break;
        theStarts.push_back(std::uint32_t(theAt));
        theAt = theClosing = theNext;
    }
    if (!theStarts.empty())
        theStarts.push_back(std::uint32_t(theClosing));
    return theStarts;
}

// Bodies pieced together from the bytes that matter to the framing: stray
// CR and LF around blank lines, boundaries inside headers, parts cut short.
TEST(MultipartParser, LocateFindsTheBoundariesTheLinesGive)
{
    const char* const kPieces[] = {"--X", "\r\n", "\r", "\n", "a", "--", "\r\n\r\n", "Content-Type: t", "X"};
    std::mt19937 theRandom(21);
    for (int theCase = 0; theCase < 20000; ++theCase) {
        std::string theBody = "--X\r\n";
        const int thePieces = int(theRandom() % 24);
        for (int theIndex = 0; theIndex < thePieces; ++theIndex)
            theBody += kPieces[theRandom() % std::size(kPieces)];
        const auto* theBytes = reinterpret_cast<const std::uint8_t*>(theBody.data());
        const std::vector<std::uint32_t> theStarts = MultipartParser::Locate(theBytes, theBody.size());
        ASSERT_EQ(theStarts, ModelStarts(theBody)) << ::testing::PrintToString(theBody);
        // A limit keeps the first parts and one more, so that passing it shows.
        const std::size_t theLimit = theRandom() % 4;
        const std::vector<std::uint32_t> theLimited = MultipartParser::Locate(theBytes, theBody.size(), theLimit);
        const std::size_t theKept = std::min(MultipartParser::Count(theStarts), theLimit + 1);
        ASSERT_EQ(MultipartParser::Count(theLimited), theKept) << ::testing::PrintToString(theBody);
        ASSERT_TRUE(std::equal(theLimited.begin(), theLimited.end(), theStarts.begin()));
    }
}

// The list Locate keeps costs four bytes a part, never a grown copy of itself.
TEST(MultipartParser, LocateHoldsFourBytesAPart)
{
    std::string theBody;
    for (int theIndex = 0; theIndex < 100000; ++theIndex)
        theBody += "--\r\n\r\n";
    theBody += "----";
    const std::vector<std::uint32_t> theStarts =
        MultipartParser::Locate(reinterpret_cast<const std::uint8_t*>(theBody.data()), theBody.size());
    ASSERT_EQ(theStarts.size(), 100001u);
    EXPECT_LE(theStarts.capacity(), theBody.size() / 6 + 1);
    EXPECT_EQ(theStarts.back(), 600000u);
}

}  // namespace
