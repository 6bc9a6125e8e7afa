// The owners must give back exactly the references and handles they took, on every path.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "automation/Owners.h"

namespace {

// Counts its references; never deleted through them.
struct Counted final : IUnknown {
    int mCount = 1;  // the test's own reference
    HRESULT QueryInterface(REFIID, void** outObject) override
    {
        ++mCount;
        *outObject = static_cast<IUnknown*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ULONG(++mCount); }
    ULONG Release() override { return ULONG(--mCount); }
};

// Random moves, copies, resets, adoptions and hand-overs between slots, checked after each step
// against the model: an object's count is its own reference plus the slots that hold it.
TEST(ComPtr, RandomOperationsKeepEveryCountBalanced)
{
    std::array<Counted, 3> theObjects;
    std::vector<vx::ComPtr<IUnknown>> theSlots(4);
    std::mt19937 theRandom(32);
    for (int theStep = 0; theStep < 4000; ++theStep) {
        const std::size_t i = theRandom() % theSlots.size();
        const std::size_t j = theRandom() % theSlots.size();
        Counted& theObject = theObjects[theRandom() % theObjects.size()];
        switch (theRandom() % 7) {
        case 0:
            theSlots[i] = theSlots[j];
            break;
        case 1:
            theSlots[i] = std::move(theSlots[j]);
            break;
        case 2:
            theSlots[i].Reset();
            break;
        case 3:
            theObject.AddRef();
            theSlots[i] = vx::ComPtr<IUnknown>::Attach(&theObject);
            break;
        case 4:
            theObject.QueryInterface(IID_IUnknown, theSlots[i].OutVoid());
            break;
        case 5:
            if (IUnknown* theGiven = theSlots[i].Detach())
                theGiven->Release();
            break;
        default:
            theSlots[i] = vx::ComPtr<IUnknown>(&theObject);
            break;
        }
        for (const Counted& theCounted : theObjects) {
            int theHolders = 1;
            for (const auto& theSlot : theSlots)
                theHolders += theSlot.Get() == &theCounted;
            ASSERT_EQ(theCounted.mCount, theHolders) << "after step " << theStep;
        }
    }
    theSlots.clear();
    for (const Counted& theCounted : theObjects)
        EXPECT_EQ(theCounted.mCount, 1);
}

std::vector<int*> gClosed;
void RecordClose(int* inHandle)
{
    gClosed.push_back(inHandle);
}

TEST(CloseWith, ClosesOnceWhateverTheHolderDoes)
{
    int theFirst = 0;
    int theSecond = 0;
    gClosed.clear();
    {
        std::unique_ptr<int, vx::CloseWith<RecordClose>> theHandle(&theFirst);
        theHandle.reset(&theSecond);
        EXPECT_EQ(gClosed, std::vector<int*>{&theFirst});
        std::unique_ptr<int, vx::CloseWith<RecordClose>> theHandedOver(theHandle.release());
    }
    EXPECT_EQ(gClosed, (std::vector<int*>{&theFirst, &theSecond}));
}

}  // namespace
