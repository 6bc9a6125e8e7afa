// Graphic, GraphicImages and GraphicImage on real pictures of every importer's
// format, made in the test by the format libraries themselves.
#include <gtest/gtest.h>

#include <automation/ComVariant.h>
#include <automation/EnumVariant.h>
#include <vellumax/IGraphic.h>
#include <vellumax/IGraphicImages.h>

#include "PictureBombs.h"
#include "imaging_components/ImportFiles.h"
#include "objects_graphic/ObjectsTestSupport.h"

namespace {

using namespace vxtest;
using vx::codecs::test::GifFrameSpec;

constexpr HRESULT kNoItem = E_FAIL;

struct ImageFacts {
    std::string mDepth;
    LONG mResolution;
    std::string mRectangle;
    bool operator==(const ImageFacts&) const = default;
};

std::ostream& operator<<(std::ostream& ioStream, const ImageFacts& inFacts)
{
    return ioStream << "{" << inFacts.mDepth << ", " << inFacts.mResolution << ", " << inFacts.mRectangle << "}";
}

struct Picture {
    const char* mLabel;
    Bytes mBytes;
    const char* mType;  // handed to SetData
    const char* mFormat;
    std::vector<ImageFacts> mImages;
};

// One picture per importer (the importer tests' files where they fit); GIF and
// TIFF with two images each.
std::vector<Picture> EveryFormat()
{
    using namespace vx::codecs::test;
    std::vector<Picture> thePictures;
    const Pixels theRgba = Pixels::Pattern(5, 4, true);
    thePictures.push_back({"png", PngFile(theRgba), "png", "PNG", {{"millions", 96, "0,0,5,4"}}});
    thePictures.push_back({"grey png",
                           WritePngWithLibrary(PngSpec(3, 2, 8, 0), {{0, 128, 255}, {9, 99, 199}}),
                           "image/png",
                           "PNG",
                           {{"256", 72, "0,0,3,2"}}});
    thePictures.push_back(
        {"jpeg", JpegFile(Pixels::Pattern(6, 5, false), 3, 150), "jpg", "JPEG", {{"millions", 150, "0,0,6,5"}}});
    thePictures.push_back({"bmp", BmpFile(), "", "BMP", {{"16", 72, "0,0,3,2"}}});

    // Frames are drawn on the logical screen, so each has the screen's bounds;
    // the second frame's own colour table gives it its own depth.
    GifFrameSpec theFirst(0, 0, 6, 4);
    theFirst.mIndices.assign(24, 1);
    GifFrameSpec theSecond(1, 1, 3, 2);
    theSecond.mLocalColors = {0, 0, 255, 255, 255, 255, 0, 0, 0, 9, 9, 9};
    theSecond.mIndices = {0, 1, 2, 3, 2, 1};
    thePictures.push_back({"animated gif",
                           WriteGifWithLibrary(6, 4, {255, 0, 0, 0, 255, 0}, {theFirst, theSecond}),
                           "gif",
                           "GIF",
                           {{"2", 72, "0,0,6,4"}, {"4", 72, "0,0,6,4"}}});

    thePictures.push_back(
        {"two-page tiff", TiffFile(), "tif", "TIFF", {{"millions", 300, "0,0,3,2"}, {"256", 72, "0,0,2,5"}}});
    thePictures.push_back(
        {"webp", WriteWebpWithLibrary(Opaque(theRgba), true), "image/webp", "WebP", {{"millions", 72, "0,0,5,4"}}});
    return thePictures;
}

class GraphicTest : public ObjectsTest {
protected:
    vx::Client mGraphic = CreateObject(&VxGetClassObject_Graphic);

    static std::vector<ImageFacts> Facts(const std::vector<vx::Variant>& inImages)
    {
        std::vector<ImageFacts> theFacts;
        for (const vx::Variant& theItem : inImages) {
            vx::Client theImage(theItem.AsDispatch());
            theFacts.push_back({theImage.Get("Depth").AsString(), theImage.Get("Resolution").AsLong(),
                                theImage.Get("Rectangle").AsString()});
        }
        return theFacts;
    }
    vx::Client Images()
    {
        const vx::Variant theImages = mGraphic.Get("GraphicImages");
        EXPECT_TRUE(mGraphic.Ok()) << mGraphic.LastError().mDescription;
        return vx::Client(theImages.AsDispatch());
    }
    // What the graphic says of its picture: format, drawability and the images
    // both enumerated and by number, which must agree.
    void ExpectPicture(const Picture& inPicture)
    {
        EXPECT_EQ(mGraphic.Get("Format").AsString(), inPicture.mFormat);
        EXPECT_EQ(mGraphic.Get("Drawable").AsBool(), !inPicture.mImages.empty());
        vx::Client theImages = Images();
        ASSERT_EQ(theImages.Get("Count").AsLong(), LONG(inPicture.mImages.size()));
        EXPECT_EQ(Facts(theImages.Enumerate()), inPicture.mImages);
        std::vector<vx::Variant> theNumbered;
        for (LONG theIndex = 1; theIndex <= LONG(inPicture.mImages.size()); ++theIndex)
            theNumbered.push_back(theImages.Get("Item", theIndex));
        EXPECT_EQ(Facts(theNumbered), inPicture.mImages);
    }
};

TEST_F(GraphicTest, EveryImporterFormatFromFileAndFromData)
{
    for (const Picture& thePicture : EveryFormat()) {
        SCOPED_TRACE(thePicture.mLabel);
        mGraphic.Call("SetFile", WriteFile(std::string(thePicture.mLabel) + ".bin", thePicture.mBytes));
        ASSERT_TRUE(mGraphic.Ok()) << mGraphic.LastError().mDescription;
        ExpectPicture(thePicture);
        mGraphic.Call("SetData", vx::Variant(thePicture.mBytes), thePicture.mType);
        ASSERT_TRUE(mGraphic.Ok()) << mGraphic.LastError().mDescription;
        ExpectPicture(thePicture);
    }
}

TEST_F(GraphicTest, WhatNoImporterTakesIsAnEmptyGraphicNotAnError)
{
    const Picture theNothing{"nothing", {}, "", "", {}};
    for (const std::string& thePath : {PathOf("missing.png"), WriteFile("text.png", Bytes(300, 'x')), mFolder}) {
        SCOPED_TRACE(thePath);
        mGraphic.Call("SetFile", thePath);
        ASSERT_TRUE(mGraphic.Ok()) << mGraphic.LastError().mDescription;
        ExpectPicture(theNothing);
        vx::Client theImages = Images();
        theImages.Get("Item", 1);
        EXPECT_EQ(theImages.LastError().mCode, kNoItem);
    }
    mGraphic.Call("SetData", vx::Variant(Bytes{1, 2, 3}), "png");
    ASSERT_TRUE(mGraphic.Ok());
    ExpectPicture(theNothing);
    mGraphic.Call("SetData", vx::Variant(Bytes{}), "");
    ASSERT_TRUE(mGraphic.Ok());
    ExpectPicture(theNothing);
}

TEST_F(GraphicTest, TheSamePathKeepsItsImporterAndAnyOtherPathReloads)
{
    const std::vector<Picture> thePictures = EveryFormat();
    const Picture& thePng = thePictures[0];
    const Picture& theJpeg = thePictures[2];
    const std::string thePath = WriteFile("a.png", thePng.mBytes);
    mGraphic.Call("SetFile", thePath);
    // The file changes, but the same path again does nothing.
    WriteFile("a.png", theJpeg.mBytes);
    mGraphic.Call("SetFile", thePath);
    EXPECT_EQ(mGraphic.Get("Format").AsString(), "PNG");
    // Another letter case is another path.
    mGraphic.Call("SetFile", WriteFile("A.png", thePng.mBytes));
    mGraphic.Call("SetFile", thePath);
    EXPECT_EQ(mGraphic.Get("Format").AsString(), "JPEG");

    // Data forgets the path, so the same path loads again.
    WriteFile("a.png", thePng.mBytes);
    mGraphic.Call("SetData", vx::Variant(theJpeg.mBytes), "");
    ExpectPicture(theJpeg);
    mGraphic.Call("SetFile", thePath);
    ExpectPicture(thePng);
}

TEST_F(GraphicTest, UnreadableDataFailsAndKeepsThePicture)
{
    const Picture thePng = EveryFormat()[0];
    mGraphic.Call("SetData", vx::Variant(thePng.mBytes), "");
    for (const vx::Variant& theData : {vx::Variant("not bytes"), vx::Variant(12)}) {
        mGraphic.Call("SetData", theData, "png");
        EXPECT_EQ(mGraphic.LastError().mCode, E_FAIL);
        EXPECT_FALSE(mGraphic.LastError().mDescription.empty());
    }
    ExpectPicture(thePng);

    IGraphic* theGraphic = InterfaceOf<IGraphic>(mGraphic, IID_IGraphic);
    ASSERT_NE(theGraphic, nullptr);
    VARIANT theEmpty;
    VariantInit(&theEmpty);
    EXPECT_EQ(theGraphic->SetFile(nullptr), E_POINTER);
    EXPECT_EQ(theGraphic->SetData(&theEmpty, nullptr), E_POINTER);
    EXPECT_EQ(theGraphic->get_Format(nullptr), E_POINTER);
    EXPECT_EQ(theGraphic->get_GraphicImages(nullptr), E_POINTER);
}

TEST_F(GraphicTest, ItemsCountFromOneAndTheEnumeratorOutlivesEverything)
{
    const Picture theGif = EveryFormat()[4];
    mGraphic.Call("SetData", vx::Variant(theGif.mBytes), "gif");
    vx::Client theImages = Images();
    const std::vector<ImageFacts> theFirst = Facts({theImages.Get("Item", 1)});
    EXPECT_EQ(Facts({theImages.Get("Item", 0)}), theFirst);
    EXPECT_EQ(Facts({theImages.Get("Item", -5)}), theFirst);
    EXPECT_EQ(Facts({theImages.Get("Item", 2)}), std::vector<ImageFacts>{theGif.mImages[1]});
    theImages.Get("Item", 3);
    EXPECT_EQ(theImages.LastError().mCode, kNoItem);

    IGraphicImages* theList = InterfaceOf<IGraphicImages>(theImages, IID_IGraphicImages);
    ASSERT_NE(theList, nullptr);
    IUnknown* theUnknown = nullptr;
    ASSERT_EQ(theList->get__NewEnum(&theUnknown), S_OK);
    IEnumVARIANT* theEnum = nullptr;
    ASSERT_EQ(theUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&theEnum)), S_OK);
    theUnknown->Release();
    // The collection, the graphic and the picture go; the enumerator still walks the images.
    theImages = vx::Client();
    mGraphic = vx::Client();
    std::vector<vx::Variant> theWalked;
    VARIANT theItem;
    ULONG theFetched = 0;
    while (theEnum->Next(1, &theItem, &theFetched) == S_OK && theFetched == 1)
        theWalked.push_back(vx::Variant::Attach(theItem));
    theEnum->Release();
    EXPECT_EQ(Facts(theWalked), theGif.mImages);
}

TEST_F(GraphicTest, ADepthWithoutAWordReadsEmpty)
{
    // Grey depths of the classic image descriptions (32 + bits) have no word.
    vx::Client theImage;
    const Picture theTiff = EveryFormat()[5];
    mGraphic.Call("SetData", vx::Variant(theTiff.mBytes), "");
    theImage = vx::Client(Images().Get("Item", 1).AsDispatch());
    for (const LONG theDepth : {40, 3, 0}) {
        theImage.Call("SetValues", 1, theDepth, 72, 0, 0, 1, 1);
        EXPECT_EQ(theImage.Get("Depth").AsString(), "") << theDepth;
    }
    theImage.Call("SetValues", 1, 24, 300, -1, -2, 3, 4);
    EXPECT_EQ(Facts({vx::Variant(theImage.Object())}), (std::vector<ImageFacts>{{"millions", 300, "-1,-2,3,4"}}));
}

// A long file of huge pages is counted whole, and described once: the collection
// is built at the first GraphicImages and handed out again until another picture comes.
TEST_F(GraphicTest, LongFilesAreCountedWholeAndDescribedOnce)
{
    using namespace vx::codecs::test;
    const struct {
        const char* mLabel;
        Bytes mBytes;
        LONG mCount;
        const char* mRectangle;
    } kCases[] = {
        {"tiff of tiled pages", TiledTiffPages(32000, 8000, 1000), 1000, "0,0,32000,8000"},
        {"gif", GifFrames(300, 200, 1500), 1500, "0,0,300,200"},
    };
    for (const auto& theCase : kCases) {
        SCOPED_TRACE(theCase.mLabel);
        mGraphic.Call("SetFile", WriteFile("long.bin", theCase.mBytes));
        ASSERT_TRUE(mGraphic.Ok()) << mGraphic.LastError().mDescription;
        EXPECT_TRUE(mGraphic.Get("Drawable").AsBool());
        vx::Client theImages = Images();
        ASSERT_EQ(theImages.Get("Count").AsLong(), theCase.mCount);
        for (const LONG theNumber : {LONG(1), theCase.mCount})
            EXPECT_EQ(vx::Client(theImages.Get("Item", theNumber).AsDispatch()).Get("Rectangle").AsString(),
                      theCase.mRectangle);
        EXPECT_EQ(Images().Object(), theImages.Object());
        mGraphic.Call("SetData", vx::Variant(theCase.mBytes), "");
        EXPECT_NE(Images().Object(), theImages.Object());
        EXPECT_EQ(Images().Get("Count").AsLong(), theCase.mCount);
    }
}

}  // namespace
