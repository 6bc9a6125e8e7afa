#include "vellumax/upload/MultipartParser.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

using Bytes = const std::uint8_t*;

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kDispositionHeader = "Content-Disposition:";
constexpr std::string_view kTypeHeader = "Content-Type:";
constexpr std::string_view kMacBinaryType = "application/x-macbinary";
constexpr std::size_t kMacBinaryHeader = 128;
constexpr std::size_t kDataForkLengthAt = 83;

// The first occurrence of inNeedle lying wholly within [inFrom, inEnd), or null.
// memmem gives the same first match as a byte-by-byte search, far faster on
// large file parts.
Bytes Find(Bytes inFrom, Bytes inEnd, std::string_view inNeedle)
{
    if (inFrom >= inEnd)
        return inNeedle.empty() ? inFrom : nullptr;
    return static_cast<Bytes>(memmem(inFrom, std::size_t(inEnd - inFrom), inNeedle.data(), inNeedle.size()));
}

bool StartsWithNoCase(std::string_view inLine, std::string_view inPrefix)
{
    if (inLine.size() < inPrefix.size())
        return false;
    for (std::size_t theIndex = 0; theIndex < inPrefix.size(); ++theIndex) {
        unsigned char theA = static_cast<unsigned char>(inLine[theIndex]);
        unsigned char theB = static_cast<unsigned char>(inPrefix[theIndex]);
        if (theA >= 'A' && theA <= 'Z')
            theA = static_cast<unsigned char>(theA - 'A' + 'a');
        if (theB >= 'A' && theB <= 'Z')
            theB = static_cast<unsigned char>(theB - 'A' + 'a');
        if (theA != theB)
            return false;
    }
    return true;
}

// The value after the first inKey of the line: a leading double quote is
// skipped and the value runs to the next double quote or carriage return.
// Empty when the key is missing or the value is too long to keep.
std::string ValueAfter(std::string_view inLine, std::string_view inKey)
{
    const std::size_t theKey = inLine.find(inKey);
    if (theKey == std::string_view::npos)
        return {};
    std::string_view theRest = inLine.substr(theKey + inKey.size());
    if (!theRest.empty() && theRest.front() == '"')
        theRest.remove_prefix(1);
    theRest = theRest.substr(0, theRest.find_first_of("\"\r"));
    if (theRest.size() >= kMultipartTextCapacity)
        return {};
    return std::string(theRest);
}

std::uint32_t BigEndian32(Bytes inAt)
{
    return (std::uint32_t(inAt[0]) << 24) | (std::uint32_t(inAt[1]) << 16) | (std::uint32_t(inAt[2]) << 8) |
           std::uint32_t(inAt[3]);
}

// The data fork of a MacBinary part. The announced length is compared in 64
// bits and a part too short for the header gives nothing, so a lying header
// never reaches past the part.
void DecodeMacBinary(MultipartPart& ioPart)
{
    if (ioPart.mLength < kMacBinaryHeader) {
        ioPart.mLength = 0;
        return;
    }
    const std::uint64_t theForkLength = BigEndian32(ioPart.mData + kDataForkLengthAt);
    if (kMacBinaryHeader + theForkLength <= ioPart.mLength) {
        ioPart.mData += kMacBinaryHeader;
        ioPart.mLength = std::size_t(theForkLength);
    } else {
        ioPart.mLength = 0;
    }
}

// The boundary line: from the body's first "--" to the next CR LF, shorter
// than kMultipartTextCapacity; empty when the body has none.
std::string_view BoundaryOf(Bytes inBody, Bytes inEnd, Bytes* outStart)
{
    Bytes theStart = Find(inBody, inEnd, "--");
    if (theStart == nullptr)
        return {};
    Bytes theLineEnd = Find(theStart, inEnd, kLineBreak);
    if (theLineEnd == nullptr || std::size_t(theLineEnd - theStart) >= kMultipartTextCapacity)
        return {};
    *outStart = theStart;
    return std::string_view(reinterpret_cast<const char*>(theStart), std::size_t(theLineEnd - theStart));
}

class PartReader {
public:
    PartReader(Bytes inEnd, std::string_view inBoundary) : mEnd(inEnd), mBoundary(inBoundary) {}

    // Where the part at inAt closes (its next boundary), or null when there is
    // no complete part here. Reads no header: the headers end at the first
    // empty line, which is the first CR LF CR LF unless the first line is empty.
    Bytes Skip(Bytes inAt) const
    {
        Bytes theHeaders = Opening(inAt);
        if (theHeaders == nullptr)
            return nullptr;
        Bytes theData = nullptr;
        if (std::size_t(mEnd - theHeaders) >= kLineBreak.size() &&
            std::memcmp(theHeaders, kLineBreak.data(), kLineBreak.size()) == 0) {
            theData = theHeaders + kLineBreak.size();
        } else {
            Bytes theBlank = Find(theHeaders, mEnd, "\r\n\r\n");
            if (theBlank == nullptr)
                return nullptr;
            theData = theBlank + 2 * kLineBreak.size();
        }
        return Find(theData, mEnd, mBoundary);
    }

    // The part at inAt; returns where its closing boundary starts, or null
    // when there is no complete part here.
    Bytes Read(Bytes inAt, MultipartPart& outPart) const
    {
        Bytes theLine = Opening(inAt);
        if (theLine == nullptr)
            return nullptr;
        for (;;) {
            Bytes theLineEnd = Find(theLine, mEnd, kLineBreak);
            if (theLineEnd == nullptr)
                return nullptr;
            const std::string_view theText(reinterpret_cast<const char*>(theLine), std::size_t(theLineEnd - theLine));
            theLine = theLineEnd + kLineBreak.size();
            if (theText.empty())
                break;
            if (StartsWithNoCase(theText, kDispositionHeader)) {
                outPart.mName = ValueAfter(theText, "name=");
                outPart.mFilename = ValueAfter(theText, "filename=");
            } else if (StartsWithNoCase(theText, kTypeHeader)) {
                outPart.mType = ValueAfter(theText, ": ");
            }
        }
        Bytes theNext = Find(theLine, mEnd, mBoundary);
        if (theNext == nullptr)
            return nullptr;
        outPart.mData = theLine;
        const std::ptrdiff_t theLength = theNext - theLine - std::ptrdiff_t(kLineBreak.size());
        outPart.mLength = theLength > 0 ? std::size_t(theLength) : 0;
        if (outPart.mType == kMacBinaryType)
            DecodeMacBinary(outPart);
        return theNext;
    }

private:
    // The first header line of the part at inAt, or null when the boundary and
    // its CR LF are not there.
    Bytes Opening(Bytes inAt) const
    {
        const std::size_t theOpening = mBoundary.size() + kLineBreak.size();
        if (std::size_t(mEnd - inAt) < theOpening || std::memcmp(inAt, mBoundary.data(), mBoundary.size()) != 0 ||
            std::memcmp(inAt + mBoundary.size(), kLineBreak.data(), kLineBreak.size()) != 0)
            return nullptr;
        return inAt + theOpening;
    }

    Bytes mEnd;
    std::string_view mBoundary;
};

}  // namespace

std::vector<MultipartPart> MultipartParser::Parse(const std::uint8_t* inBody, std::size_t inLength)
{
    std::vector<MultipartPart> theParts;
    const std::vector<std::uint32_t> theStarts = Locate(inBody, inLength);
    for (std::size_t theIndex = 0; theIndex + 1 < theStarts.size(); ++theIndex)
        theParts.push_back(ReadPart(inBody, inLength, theStarts.front(), theStarts[theIndex]));
    return theParts;
}

std::vector<std::uint32_t> MultipartParser::Locate(const std::uint8_t* inBody, std::size_t inLength,
                                                   std::size_t inMaxParts)
{
    std::vector<std::uint32_t> theStarts;
    if (inBody == nullptr)
        return theStarts;
    Bytes theEnd = inBody + inLength;
    Bytes theStart = nullptr;
    const std::string_view theBoundary = BoundaryOf(inBody, theEnd, &theStart);
    if (theBoundary.empty())
        return theStarts;
    // A part is at least its boundary, CR LF and the empty line's CR LF.
    const std::size_t theSmallest = theBoundary.size() + 2 * kLineBreak.size();
    // One part past the limit is enough to tell it was passed.
    const std::size_t theMost = std::min(inMaxParts, std::numeric_limits<std::uint32_t>::max() - std::size_t(1)) + 1;
    theStarts.reserve(std::min(std::size_t(theEnd - theStart) / theSmallest, theMost) + 1);
    const PartReader theReader(theEnd, theBoundary);
    theStarts.push_back(std::uint32_t(theStart - inBody));
    for (Bytes theAt = theReader.Skip(theStart); theAt != nullptr && theStarts.size() <= theMost;
         theAt = theReader.Skip(theAt))
        theStarts.push_back(std::uint32_t(theAt - inBody));
    if (theStarts.size() == 1)
        theStarts.clear();
    return theStarts;
}

MultipartPart MultipartParser::ReadPart(const std::uint8_t* inBody, std::size_t inLength, std::uint32_t inFirst,
                                        std::uint32_t inAt)
{
    Bytes theEnd = inBody + inLength;
    Bytes theStart = nullptr;
    const PartReader theReader(theEnd, BoundaryOf(inBody + inFirst, theEnd, &theStart));
    MultipartPart thePart;
    theReader.Read(inBody + inAt, thePart);
    return thePart;
}
