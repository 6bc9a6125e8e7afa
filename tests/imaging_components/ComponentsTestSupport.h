// Shared helpers of the component tests: a started platform, handles of bytes, importers found by
// trial, worlds and their pixels.
#pragma once

#include "imaging/Imaging.h"

#include "CodecTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vxtest {

using vx::codecs::test::ByteVector;
using vx::codecs::test::Pixels;

class ComponentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(InitializeQTML(0), noErr);
        ASSERT_EQ(EnterMovies(), noErr);
    }
    void TearDown() override
    {
        for (ComponentInstance theInstance : mInstances)
            CloseComponent(theInstance);
        for (Handle theHandle : mHandles)
            DisposeHandle(theHandle);
        for (GWorldPtr theWorld : mWorlds)
            DisposeGWorld(theWorld);
        ExitMovies();
        TerminateQTML();
    }

    Handle HandleOf(const ByteVector& inBytes)
    {
        Handle theHandle = NewHandle(Size(inBytes.size()));
        if (!inBytes.empty())
            std::memcpy(*theHandle, inBytes.data(), inBytes.size());
        mHandles.push_back(theHandle);
        return theHandle;
    }

    Handle NewEmptyHandle()
    {
        mHandles.push_back(NewHandle(0));
        return mHandles.back();
    }

    // The component of a type whose name is inName, or null.
    static Component FindNamed(OSType inType, std::uint32_t inFlags, std::uint32_t inMask, const std::string& inName)
    {
        ComponentDescription theLooking{inType, 0, 0, inFlags, inMask};
        Handle theName = NewHandle(0);
        Component theFound = nullptr;
        for (Component theComponent = FindNextComponent(nullptr, &theLooking); theComponent != nullptr && !theFound;
             theComponent = FindNextComponent(theComponent, &theLooking)) {
            GetComponentInfo(theComponent, nullptr, theName, nullptr, nullptr);
            if (std::string(*theName + 1, std::size_t(std::uint8_t((*theName)[0]))) == inName)
                theFound = theComponent;
        }
        DisposeHandle(theName);
        return theFound;
    }

    ComponentInstance Open(Component inComponent)
    {
        ComponentInstance theInstance = OpenComponent(inComponent);
        if (theInstance != nullptr)
            mInstances.push_back(theInstance);
        return theInstance;
    }

    // The named importer, given the bytes.
    ComponentInstance Importer(const std::string& inName, const ByteVector& inBytes)
    {
        ComponentInstance theImporter = Open(FindNamed(GraphicsImporterComponentType, 0, 0, inName));
        EXPECT_NE(theImporter, nullptr) << inName;
        if (theImporter != nullptr) {
            EXPECT_EQ(GraphicsImportSetDataHandle(theImporter, HandleOf(inBytes)), noErr);
        }
        return theImporter;
    }

    ComponentInstance Exporter(const std::string& inName)
    {
        ComponentInstance theExporter =
            Open(FindNamed(GraphicsExporterComponentType, 0, graphicsExporterIsBaseExporter, inName));
        EXPECT_NE(theExporter, nullptr) << inName;
        return theExporter;
    }

    // Closes an instance this fixture opened (for tests of closing).
    void Forget(ComponentInstance inInstance) { std::erase(mInstances, inInstance); }

    GWorldPtr NewWorld(int inWidth, int inHeight, int inDepth = 32)
    {
        GWorldPtr theWorld = nullptr;
        const Rect theBounds{0, 0, std::int16_t(inHeight), std::int16_t(inWidth)};
        EXPECT_EQ(NewGWorld(&theWorld, short(inDepth), &theBounds, nullptr, nullptr, 0), noErr);
        mWorlds.push_back(theWorld);
        return theWorld;
    }

    // A 32-bit world's pixels as a picture.
    static Pixels PixelsOf(GWorldPtr inWorld)
    {
        PixMapHandle thePixMap = GetGWorldPixMap(inWorld);
        const Rect theBounds = (*thePixMap)->bounds;
        Pixels thePixels;
        thePixels.mWidth = std::uint32_t(theBounds.right - theBounds.left);
        thePixels.mHeight = std::uint32_t(theBounds.bottom - theBounds.top);
        thePixels.mBgra.resize(std::size_t(thePixels.mWidth) * thePixels.mHeight * 4);
        const auto* theBase = reinterpret_cast<const std::uint8_t*>(GetPixBaseAddr(thePixMap));
        for (std::uint32_t theY = 0; theY < thePixels.mHeight; ++theY)
            std::memcpy(thePixels.mBgra.data() + std::size_t(theY) * thePixels.mWidth * 4,
                        theBase + std::size_t(theY) * std::size_t(GetPixRowBytes(thePixMap)),
                        std::size_t(thePixels.mWidth) * 4);
        return thePixels;
    }

    // Copies a picture into a 32-bit world of its size.
    GWorldPtr WorldOf(const Pixels& inPixels)
    {
        GWorldPtr theWorld = NewWorld(int(inPixels.mWidth), int(inPixels.mHeight));
        PixMapHandle thePixMap = GetGWorldPixMap(theWorld);
        auto* theBase = reinterpret_cast<std::uint8_t*>(GetPixBaseAddr(thePixMap));
        for (std::uint32_t theY = 0; theY < inPixels.mHeight; ++theY)
            std::memcpy(theBase + std::size_t(theY) * std::size_t(GetPixRowBytes(thePixMap)),
                        inPixels.mBgra.data() + std::size_t(theY) * inPixels.mWidth * 4,
                        std::size_t(inPixels.mWidth) * 4);
        return theWorld;
    }

    static ByteVector BytesOf(Handle inHandle)
    {
        const Size theSize = GetHandleSize(inHandle);
        return ByteVector(reinterpret_cast<const std::uint8_t*>(*inHandle),
                          reinterpret_cast<const std::uint8_t*>(*inHandle) + theSize);
    }

    static std::string PascalOf(Handle inHandle)
    {
        return std::string(*inHandle + 1, std::size_t(std::uint8_t((*inHandle)[0])));
    }

    std::vector<ComponentInstance> mInstances;
    std::vector<Handle> mHandles;
    std::vector<GWorldPtr> mWorlds;
};

// Pixels with every alpha set opaque (for formats and depths without alpha).
inline Pixels Opaque(Pixels inPixels)
{
    for (std::size_t theIndex = 3; theIndex < inPixels.mBgra.size(); theIndex += 4)
        inPixels.mBgra[theIndex] = 255;
    return inPixels;
}

}  // namespace vxtest
