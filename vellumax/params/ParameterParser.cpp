#include "vellumax/params/ParameterParser.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::ptrdiff_t kExcerptReach = 30;

constexpr bool IsSpace(char inChar)
{
    return inChar == ' ' || (inChar >= '\t' && inChar <= '\r');
}

// Characters that end a plain token: the terminator, white space and '='.
// One table look per character: every call copies a few dozen of them.
struct PlainStops {
    bool stop[256];
};

constexpr PlainStops MakePlainStops()
{
    PlainStops theStops{};
    for (int c = 0; c < 256; ++c)
        theStops.stop[c] = c == '\0' || c == '=' || IsSpace(char(c));
    return theStops;
}

constexpr PlainStops kPlainStops = MakePlainStops();

const char* SkipSpace(const char* inText)
{
    while (IsSpace(*inText))
        ++inText;
    return inText;
}

// Appends as much of inPart as fits, keeping the terminator.
void AppendCut(char* ioText, std::size_t inCapacity, const char* inPart, std::size_t inLength)
{
    const std::size_t theUsed = std::strlen(ioText);
    const std::size_t theCopied = std::min(inLength, inCapacity - 1 - theUsed);
    std::memcpy(ioText + theUsed, inPart, theCopied);
    ioText[theUsed + theCopied] = '\0';
}

}  // namespace

std::int32_t ParameterParser::Parse(const char* inText)
{
    mErrorCode = kNoError;
    mErrorPosition = 0;
    mErrorContext[0] = '\0';
    if (inText == nullptr)
        return kNoError;

    const char* p = inText;
    char theName[kTokenCapacity];
    char theValue[kTokenCapacity];
    std::int32_t theCode = kNoError;
    for (;;) {
        p = SkipSpace(p);
        if (*p == '\0') {
            theCode = kEndOfText;
            break;
        }
        bool theQuoted = false;
        theCode = ReadToken(p, theName, &theQuoted);
        // An empty name is reported as such even when the token reader failed
        // (a lone quote at the end of the text).
        if (theName[0] == '\0') {
            theCode = kMissingParameter;
            break;
        }
        if (theCode != kNoError)
            break;
        p = SkipSpace(p);
        if (*p != '=') {
            theCode = kMissingEquals;
            break;
        }
        p = SkipSpace(p + 1);
        theCode = ReadToken(p, theValue, &theQuoted);
        if (theCode != kNoError)
            break;
        if (theValue[0] == '\0' && !theQuoted) {
            theCode = kMissingParameter;
            break;
        }
        SetParameter(theName, theValue);
        if (mErrorCode != kNoError) {
            theCode = mErrorCode;
            break;
        }
    }

    if (theCode == kEndOfText) {
        mErrorCode = kNoError;
        return kNoError;
    }
    mErrorCode = theCode;
    mErrorPosition = std::int32_t(p - inText);
    if (mErrorContext[0] == '\0')
        SetExcerpt(inText, p);
    return mErrorCode;
}

std::int32_t ParameterParser::ReadToken(const char*& ioPosition, char* outToken, bool* outQuoted)
{
    const char* p = ioPosition;
    std::size_t theLength = 0;
    std::int32_t theCode = kNoError;
    const char theQuote = *p;
    *outQuoted = theQuote == '"' || theQuote == '\'';
    if (*outQuoted) {
        ++p;
        for (;;) {
            if (*p == '\0') {
                theCode = kMissingEndQuote;
                break;
            }
            if (*p == theQuote) {
                if (p[1] != theQuote) {
                    ++p;
                    break;
                }
                // A doubled quote stands for one and does not end the token.
                if (theLength == kTokenCapacity - 1) {
                    theCode = kTokenTooLong;
                    break;
                }
                outToken[theLength++] = theQuote;
                p += 2;
                continue;
            }
            if (theLength == kTokenCapacity - 1) {
                theCode = kTokenTooLong;
                break;
            }
            outToken[theLength++] = *p++;
        }
    } else {
        while (!kPlainStops.stop[static_cast<unsigned char>(*p)]) {
            if (theLength == kTokenCapacity - 1) {
                theCode = kTokenTooLong;
                break;
            }
            outToken[theLength++] = *p++;
        }
    }
    outToken[theLength] = '\0';
    ioPosition = p;
    return theCode;
}

void ParameterParser::SetExcerpt(const char* inStart, const char* inPosition)
{
    const char* theFrom = inPosition - std::min(inPosition - inStart, kExcerptReach);
    mErrorContext[0] = '\0';
    AppendCut(mErrorContext, sizeof(mErrorContext), theFrom, std::size_t(inPosition - theFrom));
    AppendCut(mErrorContext, sizeof(mErrorContext), "^", 1);
    AppendCut(mErrorContext, sizeof(mErrorContext), inPosition, strnlen(inPosition, kExcerptReach));
}

void ParameterParser::SetError(std::int32_t inCode, const char* inPart1, const char* inPart2, const char* inPart3)
{
    mErrorCode = inCode;
    mErrorContext[0] = '\0';
    for (const char* thePart : {inPart1, inPart2, inPart3})
        if (thePart != nullptr)
            AppendCut(mErrorContext, sizeof(mErrorContext), thePart, std::strlen(thePart));
}

bool ParameterParser::ErrorMessage(char* outMessage) const
{
    // Each message is its head, the position for the grammar errors, the
    // rest of its wording and the context in double quotes.
    const char* theHead = nullptr;
    const char* theMiddle = " \"";
    bool theWithPosition = true;
    switch (mErrorCode) {
    case kMissingEquals:
        theHead = "Could not find equals sign expected at character ";
        break;
    case kMissingParameter:
        theHead = "Could not find a parameter expected at character ";
        break;
    case kTokenTooLong:
        theHead = "Gave up getting value at character ";
        theMiddle = " because it was too long  \"";
        break;
    case kMissingEndQuote:
        theHead = "Gave up looking for end quote of quoted string at character ";
        break;
    case kBadValue:
        theHead = "Could not understand value of parameter \"";
        theWithPosition = false;
        break;
    case kUnknownName:
        theHead = "Do not recognise parameter \"";
        theWithPosition = false;
        break;
    default:
        assert(mErrorCode == kNoError && "unknown parameter error code");
        outMessage[0] = '\0';
        return false;
    }
    outMessage[0] = '\0';
    AppendCut(outMessage, kMessageCapacity, theHead, std::strlen(theHead));
    if (theWithPosition) {
        char thePosition[16];
        const int theLength = std::snprintf(thePosition, sizeof(thePosition), "%ld", long(mErrorPosition));
        AppendCut(outMessage, kMessageCapacity, thePosition, std::size_t(theLength));
        AppendCut(outMessage, kMessageCapacity, theMiddle, std::strlen(theMiddle));
    }
    AppendCut(outMessage, kMessageCapacity, mErrorContext, std::strlen(mErrorContext));
    AppendCut(outMessage, kMessageCapacity, "\"", 1);
    return true;
}
