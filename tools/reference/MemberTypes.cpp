#include "MemberTypes.h"

#include <algorithm>

#include "vellumax/engine/Bitmap.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/params/Utilities.h"

namespace {

// Type names the typings define (TypingsWriter writes them from the word lists).
constexpr const char* kWhole = "number | `${number}`";
constexpr const char* kTruth = "boolean | number | AnyCase<TruthWord>";
constexpr const char* kBytes = "Uint8Array";
constexpr const char* kParams = "string";

std::string Pixels(std::int64_t inFrom, std::int64_t inTo)
{
    return "a whole number of pixels from " + std::to_string(inFrom) + " to " + std::to_string(inTo);
}

}  // namespace

std::string WordsText(WordList inList)
{
    std::vector<std::string> theWords;
    std::size_t theCount = 0;
    const ListedWord* theList = WordsOf(inList, &theCount);
    for (std::size_t i = 0; i < theCount; ++i)
        if (theList[i].word[0] != '\0' &&
            std::find(theWords.begin(), theWords.end(), theList[i].word) == theWords.end())
            theWords.emplace_back(theList[i].word);
    std::string theText;
    for (std::size_t i = 0; i < theWords.size(); ++i)
        theText += (i == 0 ? "" : i + 1 == theWords.size() ? " or " : ", ") + theWords[i];
    return theText;
}

namespace {

std::vector<MemberTyping> Typings()
{
    const std::string theSide = Pixels(1, Bitmap::kMaxSide);
    const std::string theColour = "a colour: " + ColourFormsText();
    const std::string theTruth = "true or false (or a truth word: true, false, yes, no; or a number)";
    return {
        {"Graphic", "SetFile", "", "", "", {"string"}},
        {"Graphic", "SetData", "", "", "", {kBytes, "string"}},
        {"Graphic", "Format", "string", "", "", {}},
        {"Graphic", "Drawable", "boolean", "", "", {}},
        {"Graphic", "GraphicImages", "GraphicImages", "", "", {}},

        {"Canvas",
         "Depth",
         "DepthWord",
         "AnyCase<DepthWord> | 2 | 16 | 256",
         "a depth: " + WordsText(WordList::Depths),
         {}},
        {"Canvas", "Width", "number", kWhole, theSide, {}},
        {"Canvas", "Height", "number", kWhole, theSide, {}},
        {"Canvas", "Color", "string", "ColorText", theColour, {}},
        {"Canvas", "PaintColor", "string", "ColorText", theColour, {}},
        {"Canvas", "PenColor", "string", "ColorText", theColour, {}},
        {"Canvas", "TextColor", "string", "ColorText", theColour, {}},
        {"Canvas", "PenSize", "number", kWhole, "a whole number of pixels, 0 or more", {}},
        {"Canvas", "TextFont", "string", "string", "a list of font family names", {}},
        {"Canvas", "TextSize", "number", kWhole, "a whole number of points, 0 or more", {}},
        {"Canvas",
         "TextStyle",
         "string",
         "TextStyleText",
         "a list of the style words " + WordsText(WordList::Styles) + ", or nothing",
         {}},
        {"Canvas",
         "HAlign",
         "HAlignWord",
         "AnyCase<HAlignWord>",
         "one of the words " + WordsText(WordList::HAligns),
         {}},
        {"Canvas",
         "VAlign",
         "VAlignWord",
         "AnyCase<VAlignWord>",
         "one of the words " + WordsText(WordList::VAligns),
         {}},
        {"Canvas", "Dither", "boolean", kTruth, theTruth, {}},
        {"Canvas", "Pattern", "Canvas | null", "Canvas | null", "a Canvas, or null", {}},
        {"Canvas", "SetChannel", "", "", "", {"AnyCase<ChannelWord>", "Canvas"}},
        {"Canvas", "DrawFile", "RectText", "", "", {"string", kParams}},
        {"Canvas", "DrawData", "RectText", "", "", {kBytes, "string", kParams}},
        {"Canvas", "DrawShape", "RectText", "", "", {"AnyCase<ShapeWord>", kParams}},
        {"Canvas", "DrawText", "RectText", "", "", {"string", kParams}},
        {"Canvas", "DrawCanvas", "RectText", "", "", {"Canvas", kParams}},
        {"Canvas", "GetColor", "string", "", "", {"string"}},
        {"Canvas", "TextArea", "[width: number, height: number, lineHeight: number]", "", "", {"string", kParams}},
        {"Canvas", "TextLength", "`${number}`", "", "", {"string", kParams}},
        {"Canvas", "SaveAs", "", "", "", {"string", kParams}},
        {"Canvas", "GetAs", "Buffer", "", "", {"FormatText", kParams}},
        {"Canvas", "UseColorAlpha", "boolean", kTruth, theTruth, {}},
        {"Canvas",
         "MaxPixels",
         "number",
         kWhole,
         "a whole number of pixels from 0 (the MaxPixels setting) to " + std::to_string(kHardMaxPixels),
         {}},

        {"GraphicImage", "Depth", "DepthWord", "", "", {}},
        {"GraphicImage", "Resolution", "number", "", "", {}},
        {"GraphicImage", "Rectangle", "RectText", "", "", {}},
        {"GraphicImage", "Orientation", "1 | 2 | 3 | 4 | 5 | 6 | 7 | 8", "", "", {}},
        {"GraphicImage", "UprightRectangle", "RectText", "", "", {}},
        {"GraphicImages", "Item", "GraphicImage", "", "", {"number"}},
        {"Fonts", "Item", "string", "", "", {"number"}},
        {"Codecs", "Item", "string", "", "", {"number"}},
        {"Exporters", "Item", "string", "", "", {"number"}},

        {"Gestalt", "QuickTime", "string", "", "", {}},
        {"Gestalt", "GraphicsExporters", "Exporters", "", "", {}},
        {"Gestalt", "Fonts", "Fonts", "", "", {}},
        {"Gestalt", "Codecs", "Codecs", "", "", {}},
        {"Gestalt", "LogErrors", "boolean", kTruth, theTruth, {}},
        {"Gestalt", "Log", "", "", "", {"string"}},
        {"Gestalt", "Save", "", "", "", {"string", kBytes}},

        {"XColor", "String", "string", "ColorText", theColour, {}},
        {"XColor", "Red", "number", kWhole, "a percentage from 0 to 100", {}},
        {"XColor", "Green", "number", kWhole, "a percentage from 0 to 100", {}},
        {"XColor", "Blue", "number", kWhole, "a percentage from 0 to 100", {}},
        {"XColor", "Alpha", "number", kWhole, "a percentage from 0 to 100", {}},
        {"XColor", "RGB", "number", kWhole, "a number 0xBBGGRR", {}},

        {"XRect", "String", "RectText", "RectText", "left,top,right,bottom", {}},
        {"XRect", "right", "number", kWhole, "a whole number", {}},
        {"XRect", "top", "number", kWhole, "a whole number", {}},
        {"XRect", "left", "number", kWhole, "a whole number", {}},
        {"XRect", "bottom", "number", kWhole, "a whole number", {}},
        {"XRect", "TopLeft", "PointText", "PointText", "x,y", {}},
        {"XRect", "BottomRight", "PointText", "PointText", "x,y", {}},
        {"XRect", "Width", "number", "", "", {}},
        {"XRect", "Height", "number", "", "", {}},

        {"XPoint", "String", "PointText", "PointText", "x,y", {}},
        {"XPoint", "x", "number", kWhole, "a whole number", {}},
        {"XPoint", "y", "number", kWhole, "a whole number", {}},

        {"XField", "Name", "string", "", "", {}},
        {"XField", "Type", "string", "", "", {}},
        {"XField", "Filename", "string", "", "", {}},
        {"XField", "Contents", "string", "", "", {}},
        {"XField", "Data", "Buffer", "", "", {}},
        {"XField", "SetValues", "", "", "", {"string", "string", "string", "string", kBytes}},

        {"XMultipart", "Item", "XField", "", "", {"string | number"}},
        {"XMultipart", "SetData", "", "", "", {kBytes}},
        {"XMultipart", "MaxParts", "number", kWhole, "a whole number, 1 or more", {}},
    };
}

}  // namespace

std::string ColourFormsText()
{
    return "a colour word (" + WordsText(WordList::Colors) +
           "; or pattern), three or four percentages red,green,blue[,alpha] from 0 to 100, or #rgb, #rrggbb or "
           "#rrggbbaa";
}

const std::vector<MemberTyping>& MemberTypings()
{
    static const std::vector<MemberTyping> theTypings = Typings();
    return theTypings;
}

const MemberTyping* FindTyping(const std::string& inClass, const std::string& inMember)
{
    for (const MemberTyping& theTyping : MemberTypings())
        if (theTyping.mClass == inClass && theTyping.mMember == inMember)
            return &theTyping;
    return nullptr;
}
