// Arbitrary bytes into the parameter-string parser and every reader of the
// value vocabulary. The input is one NUL-terminated text; embedded NULs end it,
// as they would for any caller.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "vellumax/params/Parameters.h"
#include "vellumax/params/Utilities.h"

namespace {

void ReadEverything(const char* inText)
{
    std::int32_t theLong = 0;
    float theFloat = 0;
    ReadLong(inText, &theLong);
    ReadFloat(inText, &theFloat);
    ReadBoolean(inText, &theLong);

    std::int32_t theLongs[8];
    float theFloats[8];
    std::int32_t theCount = 0;
    ReadLongList(inText, theLongs, 8, &theCount);
    ReadFloatList(inText, theFloats, 8, &theCount);
    ReadLongList(inText, theLongs, 0, &theCount);

    LongPoint thePoints[4];
    ReadCoordinateList(inText, thePoints, 4, &theCount);
    LongRect theRect;
    LongPoint thePoint;
    char theText[kTextCapacity];
    if (ReadRect(inText, &theRect))
        FormatRect(theRect, theText);
    if (ReadPoint(inText, &thePoint))
        FormatPoint(thePoint, theText);

    ColorValue theColor;
    if (ReadColor(inText, &theColor))
        FormatColor(theColor, theText);
    CodecQuality theQuality;
    ReadQuality(inText, &theQuality);
    ShapeKind theShape;
    ReadShape(inText, &theShape);
    DrawOperation theOperation;
    ReadOperation(inText, &theOperation);
    HAlignKind theH;
    VAlignKind theV;
    if (ReadHAlign(inText, &theH))
        FormatHAlign(theH, theText);
    if (ReadVAlign(inText, &theV))
        FormatVAlign(theV, theText);
    TextStyleRecord theStyle;
    if (ReadTextStyle(inText, &theStyle))
        FormatTextStyle(theStyle, theText);
    TransferMode theMode;
    ReadTransferMode(inText, &theMode);
    ChannelKind theChannel;
    ReadChannel(inText, &theChannel);
    if (ReadDepth(inText, &theLong))
        FormatDepth(theLong, theText);
    std::uint32_t theType;
    ReadCodecType(inText, &theType);
    CopyShortString(inText, theText);

    for (const char* p = inText; *p != '\0'; p = NextListItem(p)) {
        char theItem[5];
        CopyListItem(p, theItem, sizeof(theItem));
        CopyListItem(p, theText, sizeof(theText));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    const std::string theText(reinterpret_cast<const char*>(inData), inSize);
    const char* theString = theText.c_str();

    auto theParams = std::make_unique<Parameters>();
    if (theParams->Parse(theString) != 0) {
        char theMessage[ParameterParser::kMessageCapacity];
        theParams->ErrorMessage(theMessage);
        if (std::strlen(theMessage) >= sizeof(theMessage))
            std::abort();
    }
    const LongRect theBounds{0, 0, 640, 480};
    theParams->DestinationRect(theParams->PlacementRect(), theBounds);
    theParams->DestinationRect({0, 0, 100, 50}, theBounds);
    theParams->SourceRectOr({});

    ReadEverything(theString);

    // Raw bytes: pattern search and length-prefixed strings.
    if (inSize > 0) {
        char theNeedle[4] = {};
        std::memcpy(theNeedle, inData, std::min<std::size_t>(inSize, 3));
        FindBytes(theText.data(), theText.data() + inSize - 1, theNeedle);
        unsigned char thePascal[256] = {};
        std::memcpy(thePascal, inData, std::min<std::size_t>(inSize, sizeof(thePascal)));
        char theOut[kTextCapacity];
        CStringFromPascal(thePascal, theOut);
    }
    return 0;
}
