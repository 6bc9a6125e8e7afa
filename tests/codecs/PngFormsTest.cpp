// The PNG writer's choice of form at depth 0, against a model built on std::set, and every
// file read back pixel-exact by libpng and by Pillow.
#include "PythonCheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "CodecTestSupport.h"
#include "codecs/CodecRegistry.h"

namespace vx::codecs::test {
namespace {

struct Form {
    int mColorType;
    int mBitDepth;
    bool operator==(const Form&) const = default;
};

// The smallest exact form, worked out from the distinct colours.
Form ExpectedForm(const Pixels& inPixels)
{
    std::set<uint32_t> theColors;
    bool theOpaque = true;
    bool theGrey = true;
    for (size_t thePos = 0; thePos < inPixels.mBgra.size(); thePos += 4) {
        const uint8_t* thePixel = inPixels.mBgra.data() + thePos;
        theColors.insert(uint32_t(thePixel[0]) | uint32_t(thePixel[1]) << 8 | uint32_t(thePixel[2]) << 16 |
                         uint32_t(thePixel[3]) << 24);
        theOpaque = theOpaque && thePixel[3] == 255;
        theGrey = theGrey && thePixel[0] == thePixel[1] && thePixel[1] == thePixel[2];
    }
    if (theColors.size() > 256) {
        return {theOpaque ? 2 : theGrey ? 4 : 6, 8};
    }
    int thePaletteBits = 8;
    for (int theBits : {4, 2, 1}) {
        if (theColors.size() <= (1u << theBits)) {
            thePaletteBits = theBits;
        }
    }
    if (theOpaque && theGrey) {
        for (int theBits : {1, 2, 4, 8}) {
            bool theFits = true;
            for (uint32_t theColor : theColors) {
                theFits = theFits && (theColor & 0xff) % (255 / ((1 << theBits) - 1)) == 0;
            }
            if (theFits) {
                return theBits <= thePaletteBits ? Form{0, theBits} : Form{3, thePaletteBits};
            }
        }
    }
    return {3, thePaletteBits};
}

// Pictures of every form: a few colours drawn from inPalette (or any colour when it is empty),
// with runs of repeated rows as flat pictures have.
Pixels Picture(std::mt19937& ioRandom, uint32_t inWidth, uint32_t inHeight, const std::vector<uint32_t>& inPalette,
               bool inRepeatRows)
{
    Pixels thePixels{inWidth, inHeight, ByteVector(size_t(inWidth) * inHeight * 4)};
    for (uint32_t theY = 0; theY < inHeight; ++theY) {
        uint8_t* theRow = thePixels.mBgra.data() + size_t(theY) * inWidth * 4;
        if (inRepeatRows && theY > 0 && ioRandom() % 4 != 0) {
            std::copy(theRow - inWidth * 4, theRow, theRow);
            continue;
        }
        for (uint32_t theX = 0; theX < inWidth; ++theX) {
            const uint32_t theColor =
                inPalette.empty() ? uint32_t(ioRandom()) : inPalette[ioRandom() % inPalette.size()];
            for (int theByte = 0; theByte < 4; ++theByte) {
                theRow[theX * 4 + theByte] = uint8_t(theColor >> (8 * theByte));
            }
        }
    }
    return thePixels;
}

uint32_t Grey(uint32_t inLevel, uint32_t inAlpha = 255)
{
    return inLevel | inLevel << 8 | inLevel << 16 | inAlpha << 24;
}

struct Kind {
    const char* mName;
    std::vector<uint32_t> mPalette;  // empty: random colours and alphas
    Form mForm;                      // what the model must also say
};

std::vector<Kind> Kinds()
{
    std::vector<uint32_t> theGreys, theManyGreysTranslucent, theColors200, theOpaqueMany;
    for (uint32_t theLevel = 0; theLevel < 256; ++theLevel) {
        theGreys.push_back(Grey(theLevel));
        theManyGreysTranslucent.push_back(Grey(theLevel, 255 - theLevel));
        theManyGreysTranslucent.push_back(Grey(theLevel, 17));
    }
    for (uint32_t theIndex = 0; theIndex < 200; ++theIndex) {
        theColors200.push_back(theIndex * 0x10305u | (theIndex % 3 == 0 ? 0x40u : 0xffu) << 24);
    }
    for (uint32_t theIndex = 0; theIndex < 300; ++theIndex) {
        theOpaqueMany.push_back((theIndex * 0x2F0B07u & 0xffffff) | 0xff000000u);
    }
    return {
        {"flat", {0xff3366cc}, {3, 1}},
        {"black and white", {Grey(0), Grey(255)}, {0, 1}},
        {"four even greys", {Grey(0), Grey(85), Grey(170), Grey(255)}, {0, 2}},
        {"three odd greys", {Grey(10), Grey(20), Grey(30)}, {3, 2}},
        {"sixteen greys of 17", {Grey(0), Grey(17), Grey(34), Grey(51), Grey(255), Grey(238)}, {0, 4}},
        {"every grey", theGreys, {0, 8}},
        {"three colours", {0xffff0000, 0xff00ff00, 0x800000ff}, {3, 2}},
        {"200 colours, some translucent", theColors200, {3, 8}},
        {"300 opaque colours", theOpaqueMany, {2, 8}},
        {"512 translucent greys", theManyGreysTranslucent, {4, 8}},
        {"random", {}, {6, 8}},
    };
}

Form FormOf(const ByteVector& inFile)
{
    return {inFile.size() > 25 ? inFile[25] : -1, inFile.size() > 24 ? inFile[24] : -1};
}

TEST(PngForms, SmallestExactFormReadsBackExactlyInLibpng)
{
    std::mt19937 theRandom(31);
    const std::pair<uint32_t, uint32_t> kSizes[] = {{1, 1}, {7, 3}, {33, 17}, {64, 40}};
    for (const Kind& theKind : Kinds()) {
        for (const auto& [theWidth, theHeight] : kSizes) {
            for (bool theRepeat : {false, true}) {
                const Pixels thePixels = Picture(theRandom, theWidth, theHeight, theKind.mPalette, theRepeat);
                const Form theModel = ExpectedForm(thePixels);
                if (theWidth * theHeight >= 1024) {
                    EXPECT_EQ(theModel, theKind.mForm) << theKind.mName;  // the picture is of its kind
                }
                for (int32_t theQuality : {0, 512, 1023}) {
                    for (Interlace theInterlace : {Interlace::kNone, Interlace::kInterlaced}) {
                        SCOPED_TRACE(testing::Message()
                                     << theKind.mName << " " << theWidth << "x" << theHeight << " repeat " << theRepeat
                                     << " quality " << theQuality << " interlace " << int(theInterlace));
                        ByteVector theFile;
                        EncodeOptions theOptions;
                        theOptions.mQuality = theQuality;
                        theOptions.mInterlace = theInterlace;
                        ASSERT_EQ(
                            CodecRegistry::ForFormat(ImageFormat::kPng).Encode(thePixels.View(), theFile, theOptions),
                            Status::kOk);
                        EXPECT_EQ(FormOf(theFile), theModel);
                        EXPECT_EQ(MaxDifference(thePixels, ReadPngWithLibrary(theFile)), 0);
                        const auto theDecoded = CodecRegistry::ForFormat(ImageFormat::kPng).Decode(theFile, 1);
                        ASSERT_TRUE(theDecoded);
                        EXPECT_EQ(MaxDifference(thePixels, *theDecoded), 0);
                    }
                }
            }
        }
    }
}

// A photograph-like picture: gradients and grain, too many colours for a palette.
Pixels Photo(uint32_t inSide)
{
    std::mt19937 theRandom(7);
    Pixels thePixels{inSide, inSide, ByteVector(size_t(inSide) * inSide * 4)};
    for (uint32_t theY = 0; theY < inSide; ++theY) {
        for (uint32_t theX = 0; theX < inSide; ++theX) {
            uint8_t* thePixel = thePixels.mBgra.data() + (size_t(theY) * inSide + theX) * 4;
            const uint32_t theGrain = theRandom() % 9;
            thePixel[0] = uint8_t((theX * 255 / inSide + theGrain) & 0xff);
            thePixel[1] = uint8_t((theY * 200 / inSide + theGrain) & 0xff);
            thePixel[2] = uint8_t(((theX + theY) * 100 / inSide + theGrain) & 0xff);
            thePixel[3] = uint8_t(255 - theX * 128 / inSide);
        }
    }
    return thePixels;
}

TEST(PngForms, MoreQualityMeansNoLargerFilesAndFlatPicturesStaySmall)
{
    const Pixels thePhoto = Photo(256);
    size_t theLastSize = SIZE_MAX;
    for (int32_t theQuality : {0, 256, 512, 768, 1023}) {
        SCOPED_TRACE(theQuality);
        ByteVector theFile;
        EncodeOptions theOptions;
        theOptions.mQuality = theQuality;
        ASSERT_EQ(CodecRegistry::ForFormat(ImageFormat::kPng).Encode(thePhoto.View(), theFile, theOptions),
                  Status::kOk);
        EXPECT_LE(theFile.size(), theLastSize);
        theLastSize = theFile.size();
    }
    // An 800 x 480 page of one colour: a 1-bit palette whose rows deflate to almost nothing.
    std::mt19937 theRandom(1);
    const Pixels theFlat = Picture(theRandom, 800, 480, {0xffffffff}, true);
    ByteVector theFile;
    ASSERT_EQ(CodecRegistry::ForFormat(ImageFormat::kPng).Encode(theFlat.View(), theFile, {}), Status::kOk);
    EXPECT_LT(theFile.size(), 400u);  // 1.5 MB of pixels
    EXPECT_EQ(MaxDifference(theFlat, ReadPngWithLibrary(theFile)), 0);
}

// Pillow is a second, independent reader: every kind of picture goes through it once. The
// system Python is the one python3-pil serves.
TEST(PngForms, PillowReadsEveryFormExactly)
{
    const std::filesystem::path theFolder =
        std::filesystem::temp_directory_path() / ("vx-png-forms-" + std::to_string(::getpid()));
    std::filesystem::create_directories(theFolder);
    std::mt19937 theRandom(5);
    int theCount = 0;
    for (const Kind& theKind : Kinds()) {
        for (Interlace theInterlace : {Interlace::kNone, Interlace::kInterlaced}) {
            const Pixels thePixels = Picture(theRandom, 37, 29, theKind.mPalette, true);
            ByteVector theFile;
            EncodeOptions theOptions;
            theOptions.mInterlace = theInterlace;
            ASSERT_EQ(CodecRegistry::ForFormat(ImageFormat::kPng).Encode(thePixels.View(), theFile, theOptions),
                      Status::kOk);
            const std::string theName = (theFolder / std::to_string(theCount++)).string();
            std::ofstream(theName + ".png", std::ios::binary)
                .write(reinterpret_cast<const char*>(theFile.data()), std::streamsize(theFile.size()));
            std::ofstream(theName + ".bgra", std::ios::binary)
                .write(reinterpret_cast<const char*>(thePixels.mBgra.data()), std::streamsize(thePixels.mBgra.size()));
        }
    }
    const std::string theScript =
        "import sys, glob\n"
        "from PIL import Image\n"
        "bad = 0\n"
        "for name in glob.glob(sys.argv[1] + '/*.png'):\n"
        "    got = Image.open(name).convert('RGBA').tobytes()\n"
        "    want = open(name[:-4] + '.bgra', 'rb').read()\n"
        "    want = bytes(b for i in range(0, len(want), 4) for b in (want[i+2], want[i+1], want[i], want[i+3]))\n"
        "    if got != want:\n"
        "        print('differs:', name); bad += 1\n"
        "sys.exit(1 if bad else 0)\n";
    EXPECT_EQ(vxtest::RunPythonCheck(theFolder, theScript), 0);
}

}  // namespace
}  // namespace vx::codecs::test
