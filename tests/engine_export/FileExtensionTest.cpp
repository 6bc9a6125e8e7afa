// The format a save or a path-like type picks is named by the file name's own extension: dotted
// folders, dotted names and hidden files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "StorePaint.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/ExportOperation.h"
#include "vellumax/formats/FileExtension.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Kind(const Bytes& inData)
{
    const auto Starts = [&](const char* inMagic, std::size_t inLength) {
        return inData.size() >= inLength && std::memcmp(inData.data(), inMagic, inLength) == 0;
    };
    if (Starts("GIF8", 4))
        return "gif";
    if (Starts("\x89PNG", 4))
        return "png";
    if (Starts("\xFF\xD8\xFF", 3))
        return "jpeg";
    if (Starts("BM", 2))
        return "bmp";
    if (Starts("II*\0", 4) || Starts("MM\0*", 4))
        return "tiff";
    return inData.empty() ? "nothing" : "other";
}

void PaintSmall(Bitmap& ioCanvas)
{
    PaintStore(ioCanvas, 6, 4, [](int inX, int inY) {
        return Rgba{std::uint8_t(inX * 40), std::uint8_t(inY * 60), 9, 255};
    });
}

class FileExtensionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* theRoot = std::getenv("VX_TEST_TMP");
        std::string theTemplate = std::string(theRoot ? theRoot : P_tmpdir) + "/ext.d-XXXXXX";  // dotted itself
        ASSERT_NE(mkdtemp(theTemplate.data()), nullptr);
        mFolder = theTemplate;
        for (const char* theSub : {"example.com", "my.jpgs", "pictures.gif", "x.png"})
            ASSERT_EQ(mkdir((mFolder + "/" + theSub).c_str(), 0777), 0);
    }
    void TearDown() override { std::system(("rm -rf '" + mFolder + "'").c_str()); }

    std::string mFolder;
};

TEST_F(FileExtensionTest, SaveAsTakesTheFileNamesLastExtension)
{
    struct Case {
        const char* mName;
        const char* mType;  // the type argument of the parameter string
        const char* mKind;
    };
    const Case kCases[] = {
        {"example.com/logo.png", "", "png"},
        {"example.com/logo.PNG", "", "png"},
        {"my.jpgs/photo.png", "", "png"},  // no longer the folder's first three letters
        {"example.com/a.tar.png", "", "png"},
        {"example.com/report.v2.tif", "", "tiff"},
        {"example.com/photo.jpg", "", "jpeg"},
        {"x.png/noextension", "", "bmp"},  // a name without a dot: the fallback
        {"x.png/.png", "", "bmp"},         // a hidden file's leading dot starts no extension
        {"x.png/.hidden.png", "", "png"},
        {"x.png/trailing.", "", "bmp"},
        {"pictures.gif/out.png", "", "png"},  // the folder's extension no longer asks for a GIF
        {"example.com/anim.gif", "", "gif"},
        {"example.com/.gif", "", "bmp"},
        {"example.com/name.png", "image/jpeg", "jpeg"},  // a type that names a format still comes first
        {"example.com/kept.png", "jpg", "png"},          // a type without a dot falls to the path
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        const std::string thePath = mFolder + "/" + theCase.mName;
        Bitmap theCanvas;
        PaintSmall(theCanvas);
        ExportOperation theOperation("Save As:");
        theOperation.GetParameters()->Depth = theCanvas.GetDepth();
        theOperation.SetFile(thePath.c_str());
        theOperation.SetParameterString((std::string("type='") + theCase.mType + "'").c_str());
        theOperation.Run(theCanvas, Operation::RunCheck::kRecordAndCheck);
        EXPECT_FALSE(theOperation.GetErrorReport()->HasError()) << theOperation.GetErrorReport()->Message();
        std::ifstream theStream(thePath, std::ios::binary);
        EXPECT_EQ(Kind(Bytes(std::istreambuf_iterator<char>(theStream), {})), theCase.mKind);
    }
}

// A type text holding '/' is read as a path; any other keeps the lookup's own rule (what follows
// its first dot), so "a.tar.png" as a type names no format.
TEST(FileExtensionType, ATypeWithASlashIsReadAsAPath)
{
    struct Case {
        const char* mType;
        const char* mKind;
    };
    const Case kCases[] = {
        {"/var/www/example.com/photo.jpg", "jpeg"},
        {"/var/www/example.com/logo", "bmp"},
        {"/var/www/example.com/.png", "bmp"},
        {"image/png", "png"},   // a MIME type is still one
        {"photo.JPG", "jpeg"},  // no '/': unchanged
        {"a.tar.png", "bmp"},
        {".tif", "tiff"},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mType);
        Bitmap theCanvas;
        PaintSmall(theCanvas);
        ExportOperation theOperation("Get As:");
        theOperation.GetParameters()->Depth = theCanvas.GetDepth();
        theOperation.SetType(theCase.mType);
        theOperation.Run(theCanvas, Operation::RunCheck::kRecordAndCheck);
        EXPECT_FALSE(theOperation.GetErrorReport()->HasError());
        const std::uint8_t* theData = theOperation.GetDataPointer();
        EXPECT_EQ(Kind(theData ? Bytes(theData, theData + theOperation.GetDataSize()) : Bytes()), theCase.mKind);
    }
}

// A relative path has no '/' but is still a path.
TEST(FileExtensionType, ARelativePathIsAPath)
{
    EXPECT_EQ(LookupExtensionText("my.logo.png", ExtensionSource::Path), ".png");
    EXPECT_EQ(LookupExtensionText("my.logo.png", ExtensionSource::Type), "my.logo.png");
    EXPECT_EQ(LookupExtensionText("", ExtensionSource::Path), "");
}

}  // namespace
