#include <gtest/gtest.h>

#include "TestThing.h"
#include "automation/ClassTable.h"
#include "automation/EnumVariant.h"
#include "automation/ErrorInfo.h"
#include "automation/ModuleCounts.h"

namespace {

inline constexpr IID IID_Unrelated = {0x6A1C00FF, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0xFF}};

class Objects : public ::testing::Test {
protected:
    void SetUp() override { mBefore = vx::ModuleCounts::Objects(); }
    long Alive() const { return vx::ModuleCounts::Objects() - mBefore; }

    long mBefore = 0;
};

TEST_F(Objects, QueryInterfaceAnswersTheDeclaredList)
{
    Ref<TestThing> theThing(TestThing::Create());
    struct Row {
        const IID* mIid;
        HRESULT mResult;
    } theRows[] = {
        {&IID_IUnknown, S_OK},
        {&IID_IDispatch, S_OK},
        {&IID_ITestThing, S_OK},
        {&IID_ISupportErrorInfo, S_OK},
        {&IID_IEnumVARIANT, E_NOINTERFACE},
        {&IID_Unrelated, E_NOINTERFACE},
    };
    for (const Row& theRow : theRows) {
        void* theObject = reinterpret_cast<void*>(1);
        EXPECT_EQ(theThing->QueryInterface(*theRow.mIid, &theObject), theRow.mResult);
        if (SUCCEEDED(theRow.mResult))
            static_cast<IUnknown*>(theObject)->Release();
        else
            EXPECT_EQ(theObject, nullptr);
    }
    EXPECT_EQ(theThing->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(Objects, IdentityIsTheSameFromEveryInterface)
{
    Ref<TestThing> theThing(TestThing::Create());
    ISupportErrorInfo* theSupport = nullptr;
    ASSERT_EQ(theThing->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&theSupport)), S_OK);
    IUnknown* theFromSupport = nullptr;
    IUnknown* theFromDispatch = nullptr;
    theSupport->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theFromSupport));
    static_cast<IDispatch*>(theThing.get())->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theFromDispatch));
    EXPECT_EQ(theFromSupport, theFromDispatch);
    EXPECT_NE(static_cast<void*>(theSupport), static_cast<void*>(theFromSupport));
    theFromSupport->Release();
    theFromDispatch->Release();
    theSupport->Release();
}

TEST_F(Objects, ReferenceCountDecidesLifetime)
{
    TestThing* theThing = TestThing::Create();
    EXPECT_EQ(Alive(), 1);
    EXPECT_EQ(theThing->AddRef(), 2u);
    EXPECT_EQ(theThing->Release(), 1u);
    EXPECT_EQ(theThing->Release(), 0u);
    EXPECT_EQ(Alive(), 0);
}

TEST_F(Objects, SupportErrorInfoOnlyForOwnInterfaces)
{
    Ref<TestThing> theThing(TestThing::Create());
    EXPECT_EQ(theThing->InterfaceSupportsErrorInfo(IID_ITestThing), S_OK);
    EXPECT_EQ(theThing->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    EXPECT_EQ(theThing->InterfaceSupportsErrorInfo(IID_IUnknown), S_FALSE);
    EXPECT_EQ(theThing->InterfaceSupportsErrorInfo(IID_ITestItems), S_FALSE);
}

TEST_F(Objects, FactoryMakesObjectsAndRefusesAggregation)
{
    Ref<IClassFactory> theFactory;
    ASSERT_EQ(vx::ClassFactory<TestThing>::Instantiate(IID_IClassFactory, reinterpret_cast<void**>(theFactory.out())),
              S_OK);
    EXPECT_EQ(vx::ModuleCounts::CanUnloadNow(), S_FALSE) << "a live factory keeps the module";

    void* theObject = reinterpret_cast<void*>(1);
    EXPECT_EQ(theFactory->CreateInstance(theFactory.get(), IID_ITestThing, &theObject), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(theObject, nullptr);
    EXPECT_EQ(theFactory->CreateInstance(nullptr, IID_IEnumVARIANT, &theObject), E_NOINTERFACE);
    EXPECT_EQ(Alive(), 1) << "a refused object is not left behind";

    ASSERT_EQ(theFactory->CreateInstance(nullptr, IID_ITestThing, &theObject), S_OK);
    EXPECT_EQ(Alive(), 2);
    static_cast<ITestThing*>(theObject)->Release();
    EXPECT_EQ(Alive(), 1);
}

TEST_F(Objects, ClassTableHandsOutFactoriesByClsid)
{
    constexpr vx::ClassEntry kClasses[] = {vx::Creatable<TestThing>(IID_ITestThing)};
    Ref<IClassFactory> theFactory;
    ASSERT_EQ(
        vx::GetClassObject(kClasses, IID_ITestThing, IID_IClassFactory, reinterpret_cast<void**>(theFactory.out())),
        S_OK);
    Ref<ITestThing> theThing;
    EXPECT_EQ(theFactory->CreateInstance(nullptr, IID_ITestThing, reinterpret_cast<void**>(theThing.out())), S_OK);

    void* theOther = reinterpret_cast<void*>(1);
    EXPECT_EQ(vx::GetClassObject(kClasses, IID_Unrelated, IID_IClassFactory, &theOther), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(theOther, nullptr);
}

TEST_F(Objects, LocksAndObjectsKeepTheModule)
{
    ASSERT_EQ(vx::ModuleCounts::CanUnloadNow(), S_OK) << "no object of an earlier test may be left";
    Ref<IClassFactory> theFactory;
    vx::ClassFactory<TestThing>::Instantiate(IID_IClassFactory, reinterpret_cast<void**>(theFactory.out()));
    theFactory->LockServer(1);
    IClassFactory* theRaw = std::exchange(theFactory.mPtr, nullptr);
    theRaw->Release();
    EXPECT_EQ(vx::ModuleCounts::CanUnloadNow(), S_FALSE) << "the lock outlives the factory";
    vx::ModuleCounts::Unlock();
    EXPECT_EQ(vx::ModuleCounts::CanUnloadNow(), S_OK);

    // An unbalanced unlock does not hide a later lock.
    vx::ModuleCounts::Unlock();
    vx::ModuleCounts::Lock();
    EXPECT_EQ(vx::ModuleCounts::CanUnloadNow(), S_FALSE);
    vx::ModuleCounts::Unlock();
    EXPECT_EQ(vx::ModuleCounts::CanUnloadNow(), S_OK);
}

class Collection : public Objects {
protected:
    TestItems* MakeItems(int inCount)
    {
        TestItems* theItems = TestItems::Create();
        for (int i = 1; i <= inCount; ++i)
            theItems->mList.Append(vx::Variant(i * 10));
        return theItems;
    }
};

TEST_F(Collection, ItemIsOneBasedAndClampsLowIndexes)
{
    Ref<TestItems> theItems(MakeItems(3));
    struct Row {
        LONG mIndex;
        HRESULT mResult;
        LONG mValue;
    } theRows[] = {{1, S_OK, 10}, {3, S_OK, 30}, {0, S_OK, 10}, {-7, S_OK, 10}, {4, E_FAIL, 0}, {1000, E_FAIL, 0}};
    for (const Row& theRow : theRows) {
        vx::Variant theItem;
        EXPECT_EQ(theItems->get_Item(theRow.mIndex, theItem.Out()), theRow.mResult) << theRow.mIndex;
        EXPECT_EQ(theItem.AsLong(), theRow.mValue) << theRow.mIndex;
    }
    LONG theCount = 0;
    EXPECT_EQ(theItems->get_Count(&theCount), S_OK);
    EXPECT_EQ(theCount, 3);

    vx::VariantCollection theEmpty;
    vx::Variant theItem;
    EXPECT_EQ(theEmpty.Item(1, theItem.Out(), DISP_E_BADINDEX), DISP_E_BADINDEX);
    EXPECT_EQ(theEmpty.Item(0, theItem.Out(), DISP_E_BADINDEX), DISP_E_BADINDEX);
}

TEST_F(Collection, ItemIsACopy)
{
    Ref<TestItems> theItems(TestItems::Create());
    theItems->mList.Append(vx::Variant("kept"));
    vx::Variant theItem;
    ASSERT_EQ(theItems->get_Item(1, theItem.Out()), S_OK);
    theItem = vx::Variant("changed");
    vx::Variant theAgain;
    theItems->get_Item(1, theAgain.Out());
    EXPECT_EQ(theAgain.AsString(), "kept");
}

TEST_F(Collection, EnumeratorKeepsTheCollectionAlive)
{
    TestItems* theItems = MakeItems(3);
    IUnknown* theUnknown = nullptr;
    ASSERT_EQ(theItems->get__NewEnum(&theUnknown), S_OK);
    Ref<IEnumVARIANT> theEnum;
    ASSERT_EQ(theUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(theEnum.out())), S_OK);
    theUnknown->Release();
    theItems->Release();
    EXPECT_EQ(Alive(), 2) << "collection and enumerator";

    VARIANT theBatch[2];
    ULONG theFetched = 0;
    ASSERT_EQ(theEnum->Next(2, theBatch, &theFetched), S_OK);
    EXPECT_EQ(theFetched, 2u);
    EXPECT_EQ(vx::Variant::Attach(theBatch[0]).AsLong(), 10);
    EXPECT_EQ(vx::Variant::Attach(theBatch[1]).AsLong(), 20);

    Ref<IEnumVARIANT> theClone;
    ASSERT_EQ(theEnum->Clone(theClone.out()), S_OK);
    VARIANT theRest[5];
    ASSERT_EQ(theEnum->Next(5, theRest, &theFetched), S_FALSE);
    EXPECT_EQ(theFetched, 1u);
    EXPECT_EQ(vx::Variant::Attach(theRest[0]).AsLong(), 30);
    EXPECT_EQ(theEnum->Next(1, theRest, nullptr), S_FALSE);

    VARIANT theOne;
    ASSERT_EQ(theClone->Next(1, &theOne, nullptr), S_OK) << "the clone starts where its original stood";
    EXPECT_EQ(vx::Variant::Attach(theOne).AsLong(), 30);

    EXPECT_EQ(theEnum->Reset(), S_OK);
    EXPECT_EQ(theEnum->Skip(2), S_OK);
    EXPECT_EQ(theEnum->Skip(2), S_FALSE);
    EXPECT_EQ(theEnum->Next(2, theRest, nullptr), E_POINTER) << "a batch needs a fetched count";

    theEnum.reset();
    EXPECT_EQ(Alive(), 2) << "the clone still holds the collection";
    theClone.reset();
    EXPECT_EQ(Alive(), 0);
}

}  // namespace
