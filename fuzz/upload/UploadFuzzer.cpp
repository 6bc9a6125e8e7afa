// Arbitrary request bodies into the multipart parser, checked against a plain
// byte-by-byte reading of the same rules: the fast search must find the same
// parts, and no part may reach outside the body; a part limit must cut the
// same list short.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "vellumax/upload/MultipartParser.h"

namespace {

using Bytes = const std::uint8_t*;

// The first match wholly within [inFrom, inEnd), trying each start in turn.
Bytes NaiveFind(Bytes inFrom, Bytes inEnd, std::string_view inNeedle)
{
    // Compared as a distance: an empty body has no data pointer to add to.
    for (Bytes theAt = inFrom; inEnd - theAt >= std::ptrdiff_t(inNeedle.size()); ++theAt)
        if (std::memcmp(theAt, inNeedle.data(), inNeedle.size()) == 0)
            return theAt;
    return nullptr;
}

bool PrefixNoCase(std::string_view inLine, std::string_view inPrefix)
{
    if (inLine.size() < inPrefix.size())
        return false;
    for (std::size_t theAt = 0; theAt < inPrefix.size(); ++theAt) {
        const char theA = inLine[theAt];
        const char theB = inPrefix[theAt];
        const auto theLower = [](char inChar) { return inChar >= 'A' && inChar <= 'Z' ? char(inChar + 32) : inChar; };
        if (theLower(theA) != theLower(theB))
            return false;
    }
    return true;
}

std::string NaiveValue(std::string_view inLine, std::string_view inKey)
{
    const std::size_t theKey = inLine.find(inKey);
    if (theKey == std::string_view::npos)
        return {};
    std::size_t theAt = theKey + inKey.size();
    if (theAt < inLine.size() && inLine[theAt] == '"')
        ++theAt;
    std::string theValue;
    while (theAt < inLine.size() && inLine[theAt] != '"' && inLine[theAt] != '\r')
        theValue += inLine[theAt++];
    return theValue.size() >= kMultipartTextCapacity ? std::string() : theValue;
}

std::vector<MultipartPart> NaiveParse(Bytes inBody, std::size_t inLength)
{
    std::vector<MultipartPart> theParts;
    Bytes theEnd = inBody + inLength;
    Bytes theStart = NaiveFind(inBody, theEnd, "--");
    if (theStart == nullptr)
        return theParts;
    Bytes theLineEnd = NaiveFind(theStart, theEnd, "\r\n");
    if (theLineEnd == nullptr || std::size_t(theLineEnd - theStart) >= kMultipartTextCapacity)
        return theParts;
    const std::string_view theBoundary(reinterpret_cast<const char*>(theStart), std::size_t(theLineEnd - theStart));
    for (Bytes theAt = theStart;;) {
        if (std::size_t(theEnd - theAt) < theBoundary.size() + 2 ||
            std::string_view(reinterpret_cast<const char*>(theAt), theBoundary.size() + 2) !=
                std::string(theBoundary) + "\r\n")
            return theParts;
        MultipartPart thePart;
        Bytes theLine = theAt + theBoundary.size() + 2;
        for (;;) {
            Bytes theStop = NaiveFind(theLine, theEnd, "\r\n");
            if (theStop == nullptr)
                return theParts;
            const std::string_view theText(reinterpret_cast<const char*>(theLine), std::size_t(theStop - theLine));
            theLine = theStop + 2;
            if (theText.empty())
                break;
            if (PrefixNoCase(theText, "Content-Disposition:")) {
                thePart.mName = NaiveValue(theText, "name=");
                thePart.mFilename = NaiveValue(theText, "filename=");
            } else if (PrefixNoCase(theText, "Content-Type:")) {
                thePart.mType = NaiveValue(theText, ": ");
            }
        }
        Bytes theNext = NaiveFind(theLine, theEnd, theBoundary);
        if (theNext == nullptr)
            return theParts;
        thePart.mData = theLine;
        thePart.mLength = theNext - theLine > 2 ? std::size_t(theNext - theLine - 2) : 0;
        if (thePart.mType == "application/x-macbinary") {
            std::uint64_t theFork = 0;
            if (thePart.mLength >= 128)
                for (int theByte = 0; theByte < 4; ++theByte)
                    theFork = (theFork << 8) | thePart.mData[83 + theByte];
            if (thePart.mLength >= 128 && 128 + theFork <= thePart.mLength) {
                thePart.mData += 128;
                thePart.mLength = std::size_t(theFork);
            } else {
                thePart.mLength = 0;
            }
        }
        theParts.push_back(thePart);
        theAt = theNext;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    // A copy of exactly the input's size, so that any read past it is caught.
    std::vector<std::uint8_t> theBody(inData, inData + inSize);
    const std::vector<MultipartPart> theParts = MultipartParser::Parse(theBody.data(), theBody.size());
    const std::vector<MultipartPart> theExpected = NaiveParse(theBody.data(), theBody.size());
    if (theParts.size() != theExpected.size())
        std::abort();
    for (std::size_t theAt = 0; theAt < theParts.size(); ++theAt) {
        const MultipartPart& thePart = theParts[theAt];
        const MultipartPart& theWanted = theExpected[theAt];
        if (thePart.mData < theBody.data() || thePart.mData + thePart.mLength > theBody.data() + theBody.size())
            std::abort();
        if (thePart.mName.size() >= kMultipartTextCapacity || thePart.mFilename.size() >= kMultipartTextCapacity ||
            thePart.mType.size() >= kMultipartTextCapacity)
            std::abort();
        if (thePart.mName != theWanted.mName || thePart.mFilename != theWanted.mFilename ||
            thePart.mType != theWanted.mType || thePart.mData != theWanted.mData ||
            thePart.mLength != theWanted.mLength)
            std::abort();
    }
    // A part limit taken from the input keeps a prefix of the offsets: the
    // parts up to the limit and one more.
    const std::vector<std::uint32_t> theStarts = MultipartParser::Locate(theBody.data(), theBody.size());
    const std::size_t theLimit = inSize == 0 ? 0 : inData[inSize - 1] % 8;
    const std::vector<std::uint32_t> theLimited = MultipartParser::Locate(theBody.data(), theBody.size(), theLimit);
    if (MultipartParser::Count(theLimited) != std::min(theExpected.size(), theLimit + 1) ||
        !std::equal(theLimited.begin(), theLimited.end(), theStarts.begin()))
        std::abort();
    return 0;
}
