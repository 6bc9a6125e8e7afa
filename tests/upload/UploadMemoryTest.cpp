// What parsing a body costs in memory, counted by replacing the global
// allocator of this program: every byte the parser and the form take comes
// through operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

#include <automation/ComVariant.h>
#include <vellumax/IXMultipart.h>

HRESULT VxGetClassObject_XMultipart(REFIID inIid, void** outObject);

namespace {

std::atomic<std::int64_t> gHeld{0};
std::atomic<std::int64_t> gPeak{0};

[[maybe_unused]] void* Take(std::size_t inSize)
{
    void* theBlock = std::malloc(inSize == 0 ? 1 : inSize);
    if (theBlock == nullptr)
        throw std::bad_alloc();
    const std::int64_t theHeld = gHeld += std::int64_t(malloc_usable_size(theBlock));
    for (std::int64_t thePeak = gPeak; theHeld > thePeak && !gPeak.compare_exchange_weak(thePeak, theHeld);) {}
    return theBlock;
}

[[maybe_unused]] void Give(void* inBlock)
{
    if (inBlock == nullptr)
        return;
    gHeld -= std::int64_t(malloc_usable_size(inBlock));
    std::free(inBlock);
}

}  // namespace

// The sanitizer's allocator stands in for the program's: nothing is counted there.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t inSize)
{
    return Take(inSize);
}
void* operator new[](std::size_t inSize)
{
    return Take(inSize);
}
void operator delete(void* inBlock) noexcept
{
    Give(inBlock);
}
void operator delete[](void* inBlock) noexcept
{
    Give(inBlock);
}
void operator delete(void* inBlock, std::size_t) noexcept
{
    Give(inBlock);
}
void operator delete[](void* inBlock, std::size_t) noexcept
{
    Give(inBlock);
}
#endif

namespace {

IXMultipart* NewForm()
{
    IClassFactory* theFactory = nullptr;
    VxGetClassObject_XMultipart(IID_IClassFactory, reinterpret_cast<void**>(&theFactory));
    IXMultipart* theForm = nullptr;
    if (theFactory != nullptr) {
        theFactory->CreateInstance(nullptr, IID_IXMultipart, reinterpret_cast<void**>(&theForm));
        theFactory->Release();
    }
    return theForm;
}

// 10 MiB made of one part pattern repeated, closed by the final boundary.
std::vector<std::uint8_t> Repeated(const std::string& inPart, const std::string& inClosing)
{
    constexpr std::size_t kSize = std::size_t(10) << 20;
    std::string theBody;
    theBody.reserve(kSize + inPart.size() + inClosing.size());
    while (theBody.size() + inPart.size() + inClosing.size() <= kSize)
        theBody += inPart;
    theBody += inClosing;
    return {theBody.begin(), theBody.end()};
}

struct Shape {
    const char* mName;
    std::string mPart;
    std::string mClosing;
    LONG mMinimumParts;
};

// Every field once, each dropped before the next, as a script's loop does.
void EnumerateAll(IXMultipart* inForm, LONG inCount)
{
    IUnknown* theUnknown = nullptr;
    ASSERT_EQ(inForm->get__NewEnum(&theUnknown), S_OK);
    IEnumVARIANT* theEnum = nullptr;
    ASSERT_EQ(theUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&theEnum)), S_OK);
    theUnknown->Release();
    VARIANT theItem;
    LONG theSeen = 0;
    while (theEnum->Next(1, &theItem, nullptr) == S_OK) {
        ++theSeen;
        VariantClear(&theItem);
    }
    theEnum->Release();
    EXPECT_EQ(theSeen, inCount);
}

// Parsing, enumerating every field and looking one up by name stay within
// three times the body, while they run and after, for the shapes that once
// multiplied it: the smallest parts a boundary allows, small named fields,
// and one large file. The form's part limit is raised for them.
TEST(UploadMemory, ParsingStaysWithinThreeTimesTheBody)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "allocations are counted only without the sanitizer";
#endif
    const Shape kShapes[] = {
        {"six-byte parts", "--\r\n\r\n", "----", 1'700'000},
        {"small named fields", "--X\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nv\r\n", "--X--", 150'000},
        {"one file", "", "", 1},
    };
    for (const Shape& theShape : kShapes) {
        std::vector<std::uint8_t> theBytes;
        if (theShape.mPart.empty()) {
            const std::string theHead = "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a\"\r\n\r\n";
            theBytes.assign(theHead.begin(), theHead.end());
            theBytes.resize(theBytes.size() + (std::size_t(10) << 20), 'a');
            const std::string theTail = "\r\n--B--";
            theBytes.insert(theBytes.end(), theTail.begin(), theTail.end());
        } else {
            theBytes = Repeated(theShape.mPart, theShape.mClosing);
        }
        const std::int64_t theBody = std::int64_t(theBytes.size());
        const vx::Variant theData(theBytes);
        theBytes = {};
        IXMultipart* theForm = NewForm();
        ASSERT_NE(theForm, nullptr);
        ASSERT_EQ(theForm->put_MaxParts(*vx::Variant(2'000'000).Get()), S_OK);
        const std::int64_t theBefore = gHeld;
        gPeak = theBefore;
        ASSERT_EQ(theForm->SetData(*theData.Get()), S_OK) << theShape.mName;
        LONG theCount = 0;
        theForm->get_Count(&theCount);
        EXPECT_GE(theCount, theShape.mMinimumParts) << theShape.mName;
        EnumerateAll(theForm, theCount);
        VARIANT theItem;
        VariantInit(&theItem);
        EXPECT_EQ(theForm->get_Item(*vx::Variant("none").Get(), &theItem), DISP_E_BADINDEX) << theShape.mName;
        EXPECT_LE(gPeak - theBefore, 3 * theBody) << theShape.mName;
        EXPECT_LE(gHeld - theBefore, 3 * theBody) << theShape.mName;
        theForm->Release();
        EXPECT_LE(gHeld - theBefore, 0) << theShape.mName << ": the form gave back what it took";
    }
}

}  // namespace
