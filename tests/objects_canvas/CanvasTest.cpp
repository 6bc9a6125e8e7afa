#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include <automation/DispatchTable.h>
#include <automation/ModuleCounts.h>
#include <automation/SafeArray.h>

#include "objects_canvas/CanvasClient.h"
#include "vellumax/errors/ErrorTexts.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/params/Utilities.h"

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// The member whose definition holds line inLine of the canvas's source unit inUnit:
// the nearest "HRESULT Canvas::Name(" at or above it.
std::string MemberAt(const std::string& inUnit, int inLine)
{
    std::ifstream theFile(std::string(VX_SOURCE_DIR) + "/vellumax/objects/" + inUnit);
    std::string theMember;
    std::string theLine;
    for (int theNumber = 1; theNumber <= inLine && std::getline(theFile, theLine); ++theNumber)
        if (theLine.rfind("HRESULT Canvas::", 0) == 0)
            theMember = theLine.substr(8, theLine.find('(') - 8);
    return theMember;
}

// The text a pixel of a 32-bit store reads back as: bytes shifted by 8.
std::string PixelText(std::uint8_t inRed, std::uint8_t inGreen, std::uint8_t inBlue, std::uint8_t inAlpha = 255)
{
    ColorValue theColor;
    theColor.SetComponents(inRed << 8, inGreen << 8, inBlue << 8, inAlpha << 8);
    char theText[kTextCapacity];
    FormatColor(theColor, theText);
    return theText;
}

std::string ColorText(const char* inColor)
{
    ColorValue theColor;
    EXPECT_TRUE(ReadColor(inColor, &theColor)) << inColor;
    char theText[kTextCapacity];
    FormatColor(theColor, theText);
    return theText;
}

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        mCanvas = CreateCanvas();
        ASSERT_TRUE(mCanvas);
    }

    std::string Text(const char* inName) { return mCanvas.Get(inName).AsString(); }
    std::string ColorAt(const char* inLocation) { return mCanvas.Call("GetColor", inLocation).AsString(); }
    void Size(int inWidth, int inHeight)
    {
        ASSERT_TRUE(mCanvas.Put("Width", inWidth));
        ASSERT_TRUE(mCanvas.Put("Height", inHeight));
    }

    vx::Client mCanvas;
};

TEST_F(CanvasTest, MembersHaveTheirIdsAndHelp)
{
    ITypeInfo* theInfo = nullptr;
    ASSERT_EQ(mCanvas.Object()->GetTypeInfo(0, 0, &theInfo), S_OK);
    for (const CanvasMemberInfo& theMember : kCanvasMembers) {
        DISPID theId = 0;
        EXPECT_EQ(mCanvas.FindId(theMember.mName, &theId), S_OK) << theMember.mName;
        EXPECT_EQ(theId, theMember.mId) << theMember.mName;
        BSTR theHelp = nullptr;
        ASSERT_EQ(theInfo->GetDocumentation(theMember.mId, nullptr, &theHelp, nullptr, nullptr), S_OK);
        EXPECT_EQ(UTF8FromBSTR(theHelp), theMember.mHelp);
        SysFreeString(theHelp);
    }
    BSTR theHelp = nullptr;
    ASSERT_EQ(theInfo->GetDocumentation(MEMBERID_NIL, nullptr, &theHelp, nullptr, nullptr), S_OK);
    EXPECT_EQ(UTF8FromBSTR(theHelp), "An object that you can draw and paint onto");
    SysFreeString(theHelp);
    theInfo->Release();
}

TEST_F(CanvasTest, NamesAreCaseInsensitiveAndMethodsAreNotProperties)
{
    DISPID theId = 0;
    EXPECT_EQ(mCanvas.FindId("drawshape", &theId), S_OK);
    EXPECT_EQ(theId, kCanvasDrawShape);
    mCanvas.Invoke("Erase", DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(mCanvas.LastError().mCode, DISP_E_MEMBERNOTFOUND);
    mCanvas.Invoke("HBITMAP", DISPATCH_PROPERTYPUT, {vx::Variant(1)});
    EXPECT_EQ(mCanvas.LastError().mCode, DISP_E_MEMBERNOTFOUND);
}

TEST_F(CanvasTest, ReportsRichErrorsForICanvasOnly)
{
    ISupportErrorInfo* theSupport = nullptr;
    ASSERT_EQ(mCanvas.Object()->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&theSupport)), S_OK);
    EXPECT_EQ(theSupport->InterfaceSupportsErrorInfo(IID_ICanvas), S_OK);
    EXPECT_EQ(theSupport->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    EXPECT_EQ(theSupport->InterfaceSupportsErrorInfo(IID_ISupportErrorInfo), S_FALSE);
    EXPECT_EQ(theSupport->InterfaceSupportsErrorInfo(IID_IXColor), S_FALSE);
    theSupport->Release();
}

TEST_F(CanvasTest, NewCanvasReadsItsDefaults)
{
    struct Row {
        const char* mName;
        VARTYPE mType;
        std::string mText;
    };
    const Row kRows[] = {
        {"Width", VT_I4, "0"},
        {"Height", VT_I4, "0"},
        {"Depth", VT_BSTR, "millions"},
        {"Color", VT_BSTR, ColorText("white")},
        {"PaintColor", VT_BSTR, ColorText("white")},
        {"PenColor", VT_BSTR, ColorText("black")},
        {"TextColor", VT_BSTR, ColorText("black")},
        {"PenSize", VT_I4, "1"},
        {"TextSize", VT_I4, "10"},
        {"TextStyle", VT_BSTR, ""},
        {"HAlign", VT_BSTR, "left"},
        {"VAlign", VT_BSTR, "top"},
        {"HBITMAP", VT_I4, "0"},
    };
    for (const Row& theRow : kRows) {
        vx::Variant theValue = mCanvas.Get(theRow.mName);
        ASSERT_TRUE(mCanvas.Ok()) << theRow.mName << ": " << mCanvas.LastError().mDescription;
        EXPECT_EQ(theValue.Type(), theRow.mType) << theRow.mName;
        EXPECT_EQ(theValue.AsString(), theRow.mText) << theRow.mName;
    }
    vx::Variant theDither = mCanvas.Get("Dither");
    EXPECT_EQ(theDither.Type(), VT_BOOL);
    EXPECT_FALSE(theDither.AsBool());
    vx::Variant thePattern = mCanvas.Get("Pattern");
    EXPECT_TRUE(mCanvas.Ok());
    EXPECT_EQ(thePattern.AsDispatch(), nullptr);
}

TEST_F(CanvasTest, PixelsNeedBothSides)
{
    ASSERT_TRUE(mCanvas.Put("Color", "red"));
    ASSERT_TRUE(mCanvas.Put("Width", 20));
    EXPECT_EQ(mCanvas.Get("HBITMAP").AsLong(), 0);
    EXPECT_EQ(ColorAt("0,0"), ColorText("red")) << "no pixels: the natural colour";
    ASSERT_TRUE(mCanvas.Put("Height", 10));
    EXPECT_NE(mCanvas.Get("HBITMAP").AsLong(), 0);
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 20);
    EXPECT_EQ(mCanvas.Get("Height").AsLong(), 10);
    // The store was filled with the natural colour when it was made.
    EXPECT_EQ(ColorAt("19,9"), PixelText(0xDD, 0x08, 0x06));
}

TEST_F(CanvasTest, SidesAreTakenThroughTheVariantConversion)
{
    EXPECT_TRUE(mCanvas.Put("Width", "120"));
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 120);
    EXPECT_TRUE(mCanvas.Put("Height", 7.4));
    EXPECT_EQ(mCanvas.Get("Height").AsLong(), 7);

    EXPECT_FALSE(mCanvas.Put("Width", "abc"));
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(mCanvas.LastError().mDescription, ComErrorText(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(mCanvas.LastError().mSource, "Vellumax.Canvas.1");
    EXPECT_FALSE(mCanvas.Put("Height", std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(mCanvas.LastError().mDescription, ComErrorText(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 120);
    EXPECT_EQ(mCanvas.Get("Height").AsLong(), 7);
}

// A rejected side or depth keeps the old value, so the canvas stays usable.
TEST_F(CanvasTest, SizeTheStoreCannotTakeIsReportedAndNotKept)
{
    Size(10, 10);
    ASSERT_TRUE(mCanvas.Put("Color", "red"));
    mCanvas.Call("Erase");
    ASSERT_TRUE(mCanvas.Ok());
    for (const char* theSide : {"Width", "Height"}) {
        for (const char* theValue : {"40000", "1000000000", "0", "-5"}) {
            EXPECT_FALSE(mCanvas.Put(theSide, theValue)) << theSide << theValue;
            EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
            EXPECT_THAT(mCanvas.LastError().mDescription, HasSubstr("(-50)"));
            EXPECT_THAT(mCanvas.LastError().mDescription,
                        HasSubstr(std::string("Set Canvas ") + theSide + "  =  " + theValue));
            EXPECT_EQ(mCanvas.Get(theSide).AsLong(), 10) << theSide << theValue;
        }
    }
    // Later calls work and the pixels are those of before.
    mCanvas.Call("DrawShape", "rect", "rect=0,0,2,2");
    EXPECT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(ColorAt("9,9"), PixelText(0xDD, 0x08, 0x06));
    ASSERT_TRUE(mCanvas.Put("Width", 12));
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 12);
}

// Text read up to its first NUL (paths, types, parameter strings, shape
// words) is refused whole rather than cut there and half obeyed.
TEST_F(CanvasTest, EmbeddedNulIsRefusedWhereTextIsReadAsAString)
{
    Size(6, 6);
    const std::string theDir = ::testing::TempDir();
    const std::string theParams("pencolor=red\0garbage=1", 23);
    const std::string thePath = theDir + std::string("nul.png\0.gif", 12);
    struct Row {
        const char* mMethod;
        vx::Variant mFirst;
        vx::Variant mSecond;
    };
    const Row kRows[] = {
        {"DrawShape", std::string("rect\0bogus", 10), ""},
        {"DrawShape", "rect", theParams},
        {"DrawText", "x", theParams},
        {"TextLength", "x", theParams},
        {"SaveAs", thePath, ""},
        {"SaveAs", theDir + "nul.png", theParams},
        {"GetAs", std::string("png\0gif", 7), ""},
        {"GetAs", "png", theParams},
    };
    const std::string theBefore = ColorAt("1,1");
    for (const Row& theRow : kRows) {
        mCanvas.Call(theRow.mMethod, theRow.mFirst, theRow.mSecond);
        EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL) << theRow.mMethod;
        EXPECT_EQ(mCanvas.LastError().mDescription, ComErrorText(E_INVALIDARG)) << theRow.mMethod;
    }
    EXPECT_EQ(ColorAt("1,1"), theBefore);
    EXPECT_FALSE(::testing::internal::FilePath(theDir + "nul.png").FileOrDirectoryExists());
    // The refusals left nothing behind that stops a later call.
    mCanvas.Call("GetAs", "png", "");
    EXPECT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
}

// The MaxPixels setting bounds every store, whether a property or a drawing
// gives it its size, and the failure names the limit and the setting.
TEST_F(CanvasTest, MaxPixelsBoundsEveryStore)
{
    // A registry of its own: tests running beside this one must not see the setting.
    const PrivateRegistry theRegistry("maxpixels");
    const std::string kDefault = "larger than the limit of 4194304 pixels set by MaxPixels.";
    Size(10, 10);
    ASSERT_TRUE(mCanvas.Put("Width", 16385));
    EXPECT_FALSE(mCanvas.Put("Height", 16384));
    EXPECT_EQ(mCanvas.LastError().mDescription.substr(0, 32), "A picture of 16385 x 16384 pixel");
    EXPECT_THAT(mCanvas.LastError().mDescription, HasSubstr(kDefault));
    EXPECT_THAT(mCanvas.LastError().mDescription, HasSubstr("(-108)"));
    EXPECT_THAT(mCanvas.LastError().mDescription, HasSubstr("Set Canvas Height  =  16384"));
    EXPECT_EQ(mCanvas.Get("Height").AsLong(), 10);

    WriteSetting(kMaxPixelsSetting, 400);
    mCanvas.Call("Clear");
    ASSERT_TRUE(mCanvas.Put("Width", 20));
    ASSERT_TRUE(mCanvas.Put("Height", 20));
    EXPECT_FALSE(mCanvas.Put("Height", 21));
    EXPECT_THAT(mCanvas.LastError().mDescription,
                StartsWith("A picture of 20 x 21 pixels is larger than the limit of 400 pixels set by MaxPixels."));
    // A drawing that gives a canvas without pixels its (default) size meets the same bound.
    vx::Client theOther = CreateCanvas();
    theOther.Call("DrawShape", "rect", "rect=0,0,30,30");
    EXPECT_EQ(theOther.LastError().mCode, E_FAIL);
    EXPECT_THAT(theOther.LastError().mDescription,
                StartsWith("A picture of 256 x 256 pixels is larger than the limit of 400 pixels set by MaxPixels."));
    EXPECT_THAT(theOther.LastError().mDescription, HasSubstr("\n\n\nDraw Shape: "));
    // Unset (0) is the default again.
    WriteSetting(kMaxPixelsSetting, 0);
    EXPECT_TRUE(mCanvas.Put("Height", 21));
}

// A shape word nobody knows fails with the parser's text instead of drawing
// nothing and succeeding; an empty one leaves the shape to the keywords.
TEST_F(CanvasTest, UnknownShapeWordFailsAndDrawsNothing)
{
    Size(10, 10);
    ASSERT_TRUE(mCanvas.Put("PaintColor", "red"));
    const std::string theBefore = ColorAt("5,5");
    for (const char* theParams : {"", "rect=0,0,10,10", "shape=rect rect=0,0,10,10"}) {
        mCanvas.Call("DrawShape", "bogus", theParams);
        EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL) << theParams;
        EXPECT_THAT(mCanvas.LastError().mDescription,
                    StartsWith("Could not understand value of parameter \"shape=bogus\"\n\n\nDraw Shape: "));
        EXPECT_EQ(ColorAt("5,5"), theBefore);
    }
    // A syntax error in the parameter string is still the one reported.
    mCanvas.Call("DrawShape", "bogus", "pencolor");
    EXPECT_THAT(mCanvas.LastError().mDescription, StartsWith("Could not find equals sign"));
    mCanvas.Call("DrawShape", "", "shape=rect rect=0,0,10,10 op=paint");
    EXPECT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_NE(ColorAt("5,5"), theBefore);
}

TEST_F(CanvasTest, DepthTakesOnlyItsWords)
{
    struct Row {
        const char* mWritten;
        const char* mRead;
    };
    const Row kAccepted[] = {
        {"2", "2"}, {"16", "16"}, {"256", "256"}, {"Thousands", "thousands"}, {"millions", "millions"},
    };
    Size(4, 4);
    for (const Row& theRow : kAccepted) {
        EXPECT_TRUE(mCanvas.Put("Depth", theRow.mWritten)) << theRow.mWritten << mCanvas.LastError().mDescription;
        EXPECT_EQ(Text("Depth"), theRow.mRead);
    }
    for (const char* theRejected : {"4", "24", "32", "", "many"}) {
        ASSERT_TRUE(mCanvas.Put("Depth", "thousands"));
        EXPECT_FALSE(mCanvas.Put("Depth", theRejected)) << theRejected;
        EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
        EXPECT_EQ(mCanvas.LastError().mDescription,
                  std::string("Unable to set property\n\n\nSet Canvas Depth  =  ") + theRejected);
        EXPECT_EQ(Text("Depth"), "thousands");
    }
}

TEST_F(CanvasTest, CountsTakeZeroButNotLess)
{
    for (const char* theName : {"PenSize", "TextSize"}) {
        EXPECT_TRUE(mCanvas.Put(theName, 0)) << theName;
        EXPECT_EQ(mCanvas.Get(theName).AsLong(), 0);
        EXPECT_TRUE(mCanvas.Put(theName, "12"));
        EXPECT_FALSE(mCanvas.Put(theName, -1));
        EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
        EXPECT_EQ(mCanvas.LastError().mDescription,
                  std::string("Unable to set property\n\n\nSet Canvas ") + theName + "  =  -1");
        EXPECT_EQ(mCanvas.Get(theName).AsLong(), 12);
    }
}

TEST_F(CanvasTest, WordPropertiesRoundTripAndKeepTheirValueOnRejection)
{
    struct Row {
        const char* mName;
        const char* mWritten;
        std::string mRead;
        const char* mRejected;
    };
    const Row kRows[] = {
        {"Color", "blue", ColorText("blue"), "teal-ish"},
        {"PaintColor", "10,20,30", ColorText("10,20,30"), "10,20"},
        {"PenColor", "red", ColorText("red"), "reddish"},
        {"TextColor", "0,0,100,50", ColorText("0,0,100,50"), "0,0,x"},
        {"PaintColor", "pattern", "pattern", "patterned"},
        {"TextStyle", "bold,italic", "bold,italic", "bold,heavy"},
        {"TextStyle", "underline,strikethru", "underline,strikethru", "wavy"},
        {"HAlign", "middle", "middle", "center"},
        {"HAlign", "RIGHT", "right", "top"},
        {"VAlign", "bottom", "bottom", "left"},
        {"VAlign", "middle", "middle", "centre"},
    };
    for (const Row& theRow : kRows) {
        ASSERT_TRUE(mCanvas.Put(theRow.mName, theRow.mWritten))
            << theRow.mName << ": " << mCanvas.LastError().mDescription;
        EXPECT_EQ(Text(theRow.mName), theRow.mRead) << theRow.mName;
        EXPECT_FALSE(mCanvas.Put(theRow.mName, theRow.mRejected)) << theRow.mName;
        EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
        EXPECT_EQ(mCanvas.LastError().mDescription,
                  std::string("Unable to set property\n\n\nSet Canvas ") + theRow.mName + "  =  " + theRow.mRejected);
        EXPECT_EQ(Text(theRow.mName), theRow.mRead) << theRow.mName << " after " << theRow.mRejected;
    }
}

TEST_F(CanvasTest, DitherIsTrueOnlyForOne)
{
    struct Row {
        vx::Variant mWritten;
        bool mRead;
    };
    const Row kRows[] = {
        {vx::Variant("yes"), true}, {vx::Variant("false"), false}, {vx::Variant(1), true},
        {vx::Variant("no"), false}, {vx::Variant(true), true},     {vx::Variant(0), false},
    };
    for (const Row& theRow : kRows) {
        ASSERT_TRUE(mCanvas.Put("Dither", theRow.mWritten)) << theRow.mWritten.AsString();
        EXPECT_EQ(mCanvas.Get("Dither").AsBool(), theRow.mRead) << theRow.mWritten.AsString();
    }
    EXPECT_FALSE(mCanvas.Put("Dither", "perhaps"));
    EXPECT_EQ(mCanvas.LastError().mDescription, "Unable to set property\n\n\nSet Canvas Dither  =  perhaps");
}

TEST_F(CanvasTest, TextFontResolvesAgainstInstalledFonts)
{
    EXPECT_TRUE(mCanvas.Put("TextFont", "No Such Font Anywhere"));
    EXPECT_EQ(Text("TextFont"), "");
    EXPECT_TRUE(mCanvas.Put("TextFont", "No Such Font, DejaVu Sans"));
    EXPECT_EQ(Text("TextFont"), "DejaVu Sans");
    EXPECT_TRUE(mCanvas.Put("TextFont", "dejavu"));
    EXPECT_THAT(Text("TextFont"), StartsWith("DejaVu"));
    EXPECT_TRUE(mCanvas.Put("TextFont", 12));
    EXPECT_EQ(Text("TextFont"), "");
}

TEST_F(CanvasTest, PatternHoldsCanvasesOnly)
{
    vx::Client theOther = CreateCanvas();
    vx::Client theColor = CreateByFactory(&VxGetClassObject_XColor);
    ASSERT_TRUE(mCanvas.PutRef("Pattern", theOther.Object()));
    vx::Variant thePattern = mCanvas.Get("Pattern");
    ASSERT_NE(thePattern.AsDispatch(), nullptr);
    EXPECT_EQ(CanvasOf(vx::Client(thePattern.AsDispatch())), CanvasOf(theOther));

    // Not a canvas: accepted, and the pattern is empty.
    EXPECT_TRUE(mCanvas.Put("Pattern", theColor.Object()));
    EXPECT_EQ(mCanvas.Get("Pattern").AsDispatch(), nullptr);

    EXPECT_FALSE(mCanvas.Put("Pattern", static_cast<IDispatch*>(nullptr)));
    EXPECT_EQ(mCanvas.LastError().mCode, E_POINTER);
}

TEST_F(CanvasTest, PatternReferencesAreBalanced)
{
    const long theBefore = vx::ModuleCounts::Objects();
    {
        vx::Client theFirst = CreateCanvas();
        vx::Client theSecond = CreateCanvas();
        ASSERT_TRUE(mCanvas.Put("Pattern", theFirst.Object()));
        ASSERT_TRUE(mCanvas.Put("Pattern", theSecond.Object()));
        ASSERT_TRUE(theSecond.Put("Pattern", theFirst.Object()));
    }
    // theFirst lives on through theSecond, theSecond through mCanvas.
    EXPECT_EQ(vx::ModuleCounts::Objects(), theBefore + 2);
    vx::Client theThird = CreateCanvas();
    ASSERT_TRUE(mCanvas.Put("Pattern", theThird.Object()));
    EXPECT_EQ(vx::ModuleCounts::Objects(), theBefore + 1);
}

TEST_F(CanvasTest, CanvasThatIsItsOwnPatternStillDies)
{
    const long theBefore = vx::ModuleCounts::Objects();
    {
        vx::Client theCanvas = CreateCanvas();
        ASSERT_TRUE(theCanvas.Put("Pattern", theCanvas.Object()));
        vx::Variant thePattern = theCanvas.Get("Pattern");
        EXPECT_EQ(CanvasOf(vx::Client(thePattern.AsDispatch())), CanvasOf(theCanvas));
        EXPECT_EQ(vx::ModuleCounts::Objects(), theBefore + 1);
    }
    EXPECT_EQ(vx::ModuleCounts::Objects(), theBefore);
}

TEST_F(CanvasTest, ClearReleasesPixelsAndKeepsTheDefaults)
{
    ASSERT_TRUE(mCanvas.Put("PenColor", "red"));
    ASSERT_TRUE(mCanvas.Put("Color", "blue"));
    ASSERT_TRUE(mCanvas.Put("Dither", true));
    Size(30, 20);
    ASSERT_TRUE(mCanvas.Put("Depth", "256"));
    EXPECT_EQ(mCanvas.Call("Clear").Type(), VT_EMPTY);
    ASSERT_TRUE(mCanvas.Ok());
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 0);
    EXPECT_EQ(mCanvas.Get("Height").AsLong(), 0);
    EXPECT_EQ(Text("Depth"), "millions");
    EXPECT_EQ(mCanvas.Get("HBITMAP").AsLong(), 0);
    EXPECT_EQ(Text("PenColor"), ColorText("red"));
    EXPECT_EQ(Text("Color"), ColorText("blue"));
    EXPECT_TRUE(mCanvas.Get("Dither").AsBool());

    // Without pixels nothing changes: a lone Width survives.
    ASSERT_TRUE(mCanvas.Put("Width", 50));
    mCanvas.Call("Clear");
    EXPECT_TRUE(mCanvas.Ok());
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 50);
}

TEST_F(CanvasTest, GetColorReadsPixelsOrTheNaturalColour)
{
    // No pixels: any location gives the natural colour.
    EXPECT_EQ(ColorAt("5,5"), ColorText("white"));
    Size(10, 10);
    ASSERT_TRUE(mCanvas.Put("Color", "0,0,0"));
    // Color changes no pixel that is already there.
    EXPECT_EQ(ColorAt("3,4"), PixelText(255, 255, 255));
    for (const char* theOutside : {"10,0", "0,10", "-1,5", "1000,1000"})
        EXPECT_EQ(ColorAt(theOutside), ColorText("0,0,0")) << theOutside;
    mCanvas.Call("Erase");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(ColorAt("3,4"), PixelText(0, 0, 0));

    for (const char* theBad : {"abc", "5", "1,2,3", "", "x,y"}) {
        mCanvas.Call("GetColor", theBad);
        EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL) << theBad;
        EXPECT_EQ(mCanvas.LastError().mDescription, "Unable to understand location for color\n") << theBad;
    }
}

TEST_F(CanvasTest, GetColorBelowMillionsReadsThroughTheDeviceContext)
{
    Size(8, 8);
    ASSERT_TRUE(mCanvas.Put("Depth", "256"));
    mCanvas.Call("Invert");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    // Read through the device context: bytes shifted by 8 and an opaque alpha.
    EXPECT_EQ(ColorAt("2,2"), ColorText("0,0,0"));
    EXPECT_EQ(ColorAt("7,7"), ColorText("0,0,0"));
    EXPECT_EQ(ColorAt("8,8"), ColorText("white"));
}

TEST_F(CanvasTest, EraseAndInvertWorkOnTheWholeStore)
{
    mCanvas.Call("Erase");
    EXPECT_TRUE(mCanvas.Ok()) << "no pixels: nothing to do";
    mCanvas.Call("Invert");
    EXPECT_TRUE(mCanvas.Ok());
    EXPECT_EQ(mCanvas.Get("HBITMAP").AsLong(), 0);

    Size(6, 4);
    mCanvas.Call("Invert");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(ColorAt("0,0"), PixelText(0, 0, 0));
    EXPECT_EQ(ColorAt("5,3"), PixelText(0, 0, 0));
    ASSERT_TRUE(mCanvas.Put("Color", "0,100,0"));
    mCanvas.Call("Erase");
    ASSERT_TRUE(mCanvas.Ok());
    EXPECT_EQ(ColorAt("5,3"), PixelText(0, 255, 0));
    mCanvas.Call("Invert");
    EXPECT_EQ(ColorAt("2,2"), PixelText(255, 0, 255));
}

TEST_F(CanvasTest, NullArgumentsGiveEPointerWithoutDescription)
{
    ICanvas* theCanvas = CanvasOf(mCanvas);
    ASSERT_NE(theCanvas, nullptr);
    vx::Variant theText("rect");
    vx::Variant theParams("");
    vx::Variant theOut;
    const std::vector<std::pair<const char*, std::function<HRESULT()>>> kCalls = {
        {"get_Depth", [&] { return theCanvas->get_Depth(nullptr); }},
        {"get_Width", [&] { return theCanvas->get_Width(nullptr); }},
        {"get_Color", [&] { return theCanvas->get_Color(nullptr); }},
        {"get_TextFont", [&] { return theCanvas->get_TextFont(nullptr); }},
        {"get_Dither", [&] { return theCanvas->get_Dither(nullptr); }},
        {"get_Pattern", [&] { return theCanvas->get_Pattern(nullptr); }},
        {"put_Pattern", [&] { return theCanvas->put_Pattern(nullptr); }},
        {"get_HBITMAP", [&] { return theCanvas->get_HBITMAP(nullptr); }},
        {"SetChannel", [&] { return theCanvas->SetChannel(*theText.Get(), nullptr); }},
        {"DrawFile src", [&] { return theCanvas->DrawFile(nullptr, theParams.Get(), theOut.Get()); }},
        {"DrawFile params", [&] { return theCanvas->DrawFile(theText.Get(), nullptr, theOut.Get()); }},
        {"DrawData type", [&] { return theCanvas->DrawData(theText.Get(), nullptr, theParams.Get(), theOut.Get()); }},
        {"DrawShape", [&] { return theCanvas->DrawShape(nullptr, theParams.Get(), theOut.Get()); }},
        {"DrawText", [&] { return theCanvas->DrawText(theText.Get(), nullptr, theOut.Get()); }},
        {"DrawCanvas", [&] { return theCanvas->DrawCanvas(nullptr, theParams.Get(), theOut.Get()); }},
        {"GetColor loc", [&] { return theCanvas->GetColor(nullptr, theOut.Get()); }},
        {"GetColor out", [&] { return theCanvas->GetColor(theText.Get(), nullptr); }},
        {"TextArea", [&] { return theCanvas->TextArea(nullptr, theParams.Get(), nullptr, nullptr, nullptr); }},
        {"TextLength", [&] { return theCanvas->TextLength(theText.Get(), nullptr, theOut.Get()); }},
        {"SaveAs", [&] { return theCanvas->SaveAs(nullptr, theParams.Get()); }},
        {"GetAs params", [&] { return theCanvas->GetAs(theText.Get(), nullptr, theOut.Get()); }},
        {"GetAs out", [&] { return theCanvas->GetAs(theText.Get(), theParams.Get(), nullptr); }},
    };
    for (const auto& [theName, theCall] : kCalls) {
        EXPECT_EQ(theCall(), E_POINTER) << theName;
        EXPECT_EQ(TakeErrorDescription(), "<none>") << theName;
    }
}

// The picture methods hand their arguments to their operations, whose reports
// name them when the call fails.
TEST_F(CanvasTest, PictureMethodsReportTheirArguments)
{
    Size(12, 8);
    vx::Client theOther = CreateCanvas();
    struct Row {
        const char* mName;
        std::function<vx::Variant()> mCall;
        std::string mReport;
    };
    const std::string kCanvasEntry = " Canvas={Width=12 Height=8 Depth=32 Buffer=";
    const std::vector<Row> kRows = {
        {"DrawFile", [&] { return mCanvas.Call("DrawFile", "/nowhere/a.png", "rect=0,0,4,4"); },
         "Draw File: File={/nowhere/a.png} Parameters={rect=0,0,4,4}"},
        {"DrawData",
         [&] {
             return mCanvas.Call("DrawData", std::vector<std::uint8_t>{1, 2, 3}, "png", "");
         },
         "Draw Data: Data={3 bytes} Type={png} Parameters={}"},
        // A canvas without pixels is no intensity map.
        {"SetChannel", [&] { return mCanvas.Call("SetChannel", "red", theOther.Object()); },
         "Set Channel: Canvas={ok} Channel={red}"},
    };
    for (const Row& theRow : kRows) {
        vx::Variant theResult = theRow.mCall();
        EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL) << theRow.mName;
        EXPECT_EQ(theResult.Type(), VT_EMPTY) << theRow.mName;
        const std::string& theText = mCanvas.LastError().mDescription;
        EXPECT_THAT(theText, HasSubstr("\n\n\n" + theRow.mReport + kCanvasEntry)) << theRow.mName;
        EXPECT_THAT(theText, Not(HasSubstr("not available"))) << theRow.mName;
    }
    // A source canvas without pixels draws nothing, and that is no failure.
    EXPECT_EQ(mCanvas.Call("DrawCanvas", theOther.Object(), "pos=1,2").AsString(), "1,2,1,2");
    EXPECT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
}

// The shape and text methods hand their operations what the canvas holds and
// give back what they measured.
TEST_F(CanvasTest, ShapeAndTextMethodsRunTheirOperations)
{
    Size(40, 30);
    ASSERT_TRUE(mCanvas.Put("PaintColor", "red"));
    vx::Variant theRect = mCanvas.Call("DrawShape", "rect", "rect=2,3,12,13 pensize=0 move=1,1");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(theRect.AsString(), "3,4,13,14");
    ColorValue theRed;
    ASSERT_TRUE(ReadColor("red", &theRed));
    EXPECT_EQ(ColorAt("7,8"), PixelText(theRed.red >> 8, theRed.green >> 8, theRed.blue >> 8));
    mCanvas.Call("DrawShape", "rect", "paintcolor=pattern");
    EXPECT_THAT(mCanvas.LastError().mDescription,
                StartsWith("Cannot paint pattern because one has not been specified.\n\n\nDraw Shape: "));
    // With a pattern canvas the fill tiles its pixels.
    vx::Client thePattern = CreateCanvas();
    ASSERT_TRUE(thePattern.Put("Width", 2));
    ASSERT_TRUE(thePattern.Put("Height", 2));
    ASSERT_TRUE(thePattern.Put("Color", "0,100,0"));
    thePattern.Call("Erase");
    ASSERT_TRUE(mCanvas.PutRef("Pattern", thePattern.Object()));
    mCanvas.Call("DrawShape", "rect", "rect=20,3,30,13 paintcolor=pattern op=paint");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(ColorAt("25,8"), PixelText(0, 255, 0));
    mCanvas.Call("DrawShape", "rect", "pencolor=pattern");
    EXPECT_THAT(mCanvas.LastError().mDescription,
                StartsWith("You can paint using patterns but you cannot draw using them.\n\n\nDraw Shape: "));
    // Measuring draws nothing, and TextLength runs on a scratch store of its own.
    const std::string theBefore = ColorAt("20,10");
    std::vector<vx::Variant> theArea = mCanvas.CallWithOuts("TextArea", "Hello", "textsize=10");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    ASSERT_EQ(theArea.size(), 3u);
    EXPECT_GT(theArea[0].AsLong(), 0);
    EXPECT_GT(theArea[1].AsLong(), 0);
    EXPECT_EQ(theArea[1].AsLong(), theArea[2].AsLong());
    EXPECT_EQ(mCanvas.Call("TextLength", "Hello world", "rect=0,0,200,100").AsString(), "11");
    // Without a rectangle the scratch store's 4 x 4 pixels hold no whole line.
    EXPECT_EQ(mCanvas.Call("TextLength", "Hello world", "").AsString(), "0");
    EXPECT_EQ(mCanvas.Call("TextLength", "Hello world", "rect=0,0,100,1").AsString(), "0");
    EXPECT_EQ(ColorAt("20,10"), theBefore);
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 40);
    mCanvas.Call("DrawText", "Hello", "textcolor=black");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
}

// GetAs hands back a byte array of its own; SaveAs reports what kept it from writing.
TEST_F(CanvasTest, ExportMethodsRunTheExportOperation)
{
    Size(9, 5);
    vx::Variant theBytes = mCanvas.Call("GetAs", "gif", "");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    ASSERT_EQ(theBytes.Type(), VT_ARRAY | VT_UI1);
    SAFEARRAY* theArray = theBytes.Get()->parray;
    ASSERT_EQ(SafeArrayGetDim(theArray), 1u);
    LONG theLower = -1;
    LONG theUpper = -1;
    SafeArrayGetLBound(theArray, 1, &theLower);
    SafeArrayGetUBound(theArray, 1, &theUpper);
    const std::vector<std::uint8_t> theData = theBytes.AsBytes();
    EXPECT_EQ(theLower, 0);
    EXPECT_EQ(theUpper, static_cast<LONG>(theData.size()) - 1);
    ASSERT_GE(theData.size(), 6u);
    EXPECT_EQ(std::string(theData.begin(), theData.begin() + 3), "GIF");

    mCanvas.Call("SaveAs", "/nowhere/a.gif", "");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_THAT(mCanvas.LastError().mDescription,
                HasSubstr("\n\n\nSave As: File={/nowhere/a.gif} Parameters={} Canvas={Width=9 Height=5"));
}

TEST_F(CanvasTest, ParameterStringErrorsAreReportedBeforeAnything)
{
    ASSERT_TRUE(mCanvas.Put("PenColor", "red"));
    mCanvas.Call("DrawShape", "rect", "pencolor");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    const std::string theText = mCanvas.LastError().mDescription;
    EXPECT_THAT(theText, Not(HasSubstr("not available")));
    EXPECT_THAT(theText, HasSubstr("\n\n\nDraw Shape: Shape={rect} Parameters={pencolor} Canvas={Width=0"));
    mCanvas.Call("DrawText", "x", "pencolor=nocolour");
    EXPECT_THAT(mCanvas.LastError().mDescription, Not(HasSubstr("not available")));
    // A method never changes the defaults.
    mCanvas.Call("DrawShape", "rect", "pencolor=blue textsize=40");
    EXPECT_EQ(Text("PenColor"), ColorText("red"));
    EXPECT_EQ(mCanvas.Get("TextSize").AsLong(), 10);
}

// The canvas defaults go in first, then the method's own argument, then the
// parameter string, each overriding what came before.
TEST_F(CanvasTest, KeywordsOverrideArgumentsAndDefaults)
{
    Size(20, 20);
    ASSERT_TRUE(mCanvas.Put("PenColor", "0,0,100"));
    ASSERT_TRUE(mCanvas.Put("PenSize", 3));
    mCanvas.Call("DrawShape", "rect", "rect=0,0,20,20 op=draw");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(ColorAt("1,10"), PixelText(0, 0, 255));
    mCanvas.Call("DrawShape", "rect", "rect=0,0,20,20 op=draw pencolor=0,100,0");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(ColorAt("1,10"), PixelText(0, 255, 0));
    EXPECT_EQ(Text("PenColor"), ColorText("0,0,100"));
    // A shape keyword after the shape argument wins: the oval leaves the corner alone.
    mCanvas.Call("DrawShape", "rect", "rect=0,0,20,20 shape=oval paintcolor=0,0,0 pensize=0");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(ColorAt("0,0"), PixelText(0, 255, 0));
    EXPECT_EQ(ColorAt("10,10"), PixelText(0, 0, 0));
    // So does a text keyword after the text argument.
    EXPECT_EQ(mCanvas.Call("TextLength", "Hello world", "text=Hi rect=0,0,200,100").AsString(), "2");
    // A string that does not parse draws nothing.
    const std::string theBefore = ColorAt("10,10");
    mCanvas.Call("DrawShape", "rect", "rect=0,0,20,20 paintcolor=1,0,0 pensize=");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(ColorAt("10,10"), theBefore);
}

TEST_F(CanvasTest, MeasuringLeavesACanvasWithoutPixelsAlone)
{
    EXPECT_EQ(mCanvas.Call("TextLength", "Hello", "rect=0,0,200,100").AsString(), "5");
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 0);
    EXPECT_EQ(mCanvas.Get("HBITMAP").AsLong(), 0);
    // TextArea prepares the canvas's store as drawing would, but draws no text.
    ASSERT_TRUE(mCanvas.Put("TextColor", "0,0,0"));
    mCanvas.CallWithOuts("TextArea", "Hello", "textsize=40");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    const LONG theWidth = mCanvas.Get("Width").AsLong();
    const LONG theHeight = mCanvas.Get("Height").AsLong();
    ASSERT_GT(theWidth, 0);
    ASSERT_GT(theHeight, 0);
    for (LONG theY = 0; theY < theHeight; theY += 3)
        for (LONG theX = 0; theX < theWidth; theX += 3)
            ASSERT_EQ(ColorAt((std::to_string(theX) + "," + std::to_string(theY)).c_str()), PixelText(255, 255, 255))
                << theX << "," << theY;
}

TEST_F(CanvasTest, ArgumentsThatCannotBeConvertedGiveTheSystemText)
{
    mCanvas.Call("DrawShape", std::vector<std::uint8_t>{1}, "");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(mCanvas.LastError().mDescription, ComErrorText(DISP_E_TYPEMISMATCH));
    mCanvas.Call("DrawData", "not bytes", "png", "");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(mCanvas.LastError().mDescription, ComErrorText(DISP_E_TYPEMISMATCH));
    mCanvas.Call("DrawCanvas", "not a canvas", "");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(mCanvas.LastError().mDescription, ComErrorText(DISP_E_TYPEMISMATCH));
}

TEST_F(CanvasTest, ProcessorFaultBecomesFailureWithItsDescription)
{
    ICanvas* theCanvas = CanvasOf(mCanvas);
    ASSERT_NE(theCanvas, nullptr);
    // A string whose pointer leads nowhere: its length prefix is read at 0x0c.
    VARIANT theBroken;
    theBroken.vt = VT_BSTR;
    theBroken.bstrVal = reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x10));
    VARIANT theParams;
    theParams.vt = VT_BSTR;
    theParams.bstrVal = theBroken.bstrVal;
    struct Row {
        const char* mName;
        std::function<HRESULT()> mCall;
    };
    const Row kRows[] = {
        {"put_Depth", [&] { return theCanvas->put_Depth(theBroken); }},
        {"put_Width", [&] { return theCanvas->put_Width(theBroken); }},
        {"put_PenColor", [&] { return theCanvas->put_PenColor(theBroken); }},
        {"put_TextStyle", [&] { return theCanvas->put_TextStyle(theBroken); }},
        {"DrawShape", [&] { return theCanvas->DrawShape(&theBroken, &theParams, nullptr); }},
        {"GetColor",
         [&] {
             VARIANT theOut;
             return theCanvas->GetColor(&theBroken, &theOut);
         }},
    };
    for (const Row& theRow : kRows) {
        EXPECT_EQ(theRow.mCall(), E_FAIL) << theRow.mName;
        const std::string theText = TakeErrorDescription();
        EXPECT_THAT(theText, ::testing::MatchesRegex("Code at 0x[0-9a-f]{8,16} attempted to read from 0x0*c\\. "
                                                     "System Error caught at line [0-9]+ of Canvas[A-Za-z]*\\.cpp\\. "
                                                     "Base at 0x[0-9a-f]{8,16}\\."))
            << theRow.mName;
        // The place named is inside the member's own definition, not in a frame or helper.
        const std::size_t theAt = theText.find("caught at line ");
        ASSERT_NE(theAt, std::string::npos) << theText;
        const std::size_t theOf = theText.find(" of ", theAt);
        const std::size_t theEnd = theText.find(". Base", theOf);
        ASSERT_TRUE(theOf != std::string::npos && theEnd != std::string::npos) << theText;
        const int theLine = std::stoi(theText.substr(theAt + 15));
        EXPECT_EQ(MemberAt(theText.substr(theOf + 4, theEnd - theOf - 4), theLine),
                  std::string("Canvas::") + theRow.mName)
            << theText;
    }
    // The canvas carries on.
    EXPECT_TRUE(mCanvas.Put("Width", 3));
    EXPECT_EQ(mCanvas.Get("Width").AsLong(), 3);
}

}  // namespace
