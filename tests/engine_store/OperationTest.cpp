#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>

#include "automation/Faults.h"
#include "imaging/Errors.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/EraseOp.h"
#include "vellumax/engine/InvertOp.h"
#include "vellumax/engine/Operation.h"
#include "vellumax/errors/ComError.h"
#include "vellumax/errors/SException.h"

namespace {

constexpr ColorValue kRed{65535, 0, 0, 65535, 0};

// Out of line and unchecked by the undefined-behaviour sanitizer, so that the processor really faults.
[[gnu::noinline, gnu::no_sanitize_undefined]] int ReadThrough(volatile int* inPointer)
{
    return *inPointer;
}

// An operation whose main step is given by the test; it counts the runs of the step.
class ProbeOp : public Operation {
public:
    explicit ProbeOp(std::function<void(Bitmap&)> inStep = {}) : Operation("Probe:"), mStep(std::move(inStep)) {}
    void Do(Bitmap& inBitmap) override
    {
        ++mRuns;
        if (mStep)
            mStep(inBitmap);
    }
    int mRuns = 0;

private:
    std::function<void(Bitmap&)> mStep;
};

void MakeRed(Bitmap& ioStore)
{
    ioStore.SetWidth(10);
    ioStore.SetHeight(10);
    ioStore.SetNaturalColor(kRed);
    ASSERT_EQ(ioStore.Erase(), noErr);
}

TEST(Operation, AParseErrorStopsTheRunBeforeTheMainStep)
{
    Bitmap theStore;
    MakeRed(theStore);
    ProbeOp theOp([](Bitmap& ioStore) { ioStore.SetNaturalColor(ColorValue::White()), ioStore.Erase(); });
    EXPECT_NE(theOp.SetParameterString("rect=1,2,3,4 pensize"), 0);
    theOp.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    EXPECT_EQ(theOp.mRuns, 0);
    EXPECT_EQ(theStore.GetPixelColor(5, 5), (ColorValue{65280, 0, 0, 65280, 0}));

    char theParserMessage[ParameterParser::kMessageCapacity];
    ASSERT_TRUE(theOp.GetParameters()->ErrorMessage(theParserMessage));
    const std::string theReport =
        "Probe: Parameters={rect=1,2,3,4 pensize} Canvas={Width=10 Height=10 Depth=32 Buffer=" +
        std::to_string(theStore.GetBufferId()) + "}";
    EXPECT_EQ(theOp.GetReport(), theReport);
    EXPECT_EQ(theOp.GetErrorReport()->Message(), std::string(theParserMessage) + "\n\n\n" + theReport);
}

TEST(Operation, ACheckedRunRecordsTheReportAsContextAndPlacesTheRectangle)
{
    Bitmap theStore;
    ProbeOp theOp;
    ASSERT_EQ(theOp.SetParameterString("rect=10,20,110,220 move=5,-5 inset=2"), 0);
    theOp.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    EXPECT_EQ(theOp.mRuns, 1);
    ErrorReport& theError = *theOp.GetErrorReport();
    EXPECT_FALSE(theError.HasError());
    EXPECT_EQ(theError.GetContext(),
              "Probe: Parameters={rect=10,20,110,220 move=5,-5 inset=2} Canvas={Width=0 Height=0 Depth=32 Buffer=0}");
    EXPECT_EQ(theOp.GetResultRect(), (LongRect{17, 17, 113, 213}));
}

TEST(Operation, AnUncheckedRunRecordsNothing)
{
    Bitmap theStore;
    ProbeOp theOp;
    theOp.Run(theStore, Operation::RunCheck::kSkip);
    EXPECT_EQ(theOp.mRuns, 1);
    EXPECT_EQ(theOp.GetReport(), "Probe:");
    EXPECT_EQ(theOp.GetErrorReport()->GetContextCount(), 0);
    EXPECT_FALSE(theOp.GetErrorReport()->HasError());
}

TEST(Operation, AnInnerOperationRunsOnTheOuterRecords)
{
    Bitmap theStore;
    ProbeOp theOuter;
    ASSERT_EQ(theOuter.SetParameterString("pos=3,4 size=5,6"), 0);
    theOuter.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    ErrorReport* const theRecord = theOuter.GetErrorReport();

    ProbeOp theInner([](Bitmap&) { throw std::runtime_error("inner"); });
    theInner.AdoptParameters(theOuter.DetachParameters());
    theInner.AdoptErrorReport(theOuter.DetachErrorReport());
    EXPECT_EQ(theOuter.GetParameters(), nullptr);
    EXPECT_EQ(theOuter.GetErrorReport(), nullptr);
    theInner.Run(theStore, Operation::RunCheck::kSkip);
    EXPECT_EQ(theInner.GetResultRect(), (LongRect{3, 4, 8, 10}));
    theOuter.AdoptErrorReport(theInner.DetachErrorReport());

    ASSERT_EQ(theOuter.GetErrorReport(), theRecord);
    EXPECT_EQ(theRecord->GetMessages(), "Unknown exception thrown");
    EXPECT_EQ(theRecord->GetContextCount(), 1);  // the outer run's only
    EXPECT_NE(theInner.GetParameters(), nullptr);
}

TEST(Operation, ExceptionsFromTheMainStepAreRecorded)
{
    Bitmap theStore;
    ProbeOp theCom([](Bitmap&) { throw ComError(E_OUTOFMEMORY); });
    theCom.Run(theStore, Operation::RunCheck::kSkip);
    EXPECT_EQ(theCom.GetErrorReport()->GetComError(), E_OUTOFMEMORY);
    EXPECT_EQ(theCom.GetErrorReport()->GetMessageCount(), 0);

    ProbeOp theOther([](Bitmap&) { throw 42; });
    theOther.Run(theStore, Operation::RunCheck::kSkip);
    EXPECT_EQ(theOther.GetErrorReport()->GetMessages(), "Unknown exception thrown");
}

TEST(Operation, AProcessorFaultInTheMainStepBecomesAMessage)
{
    InstallFaultTranslator();
    Bitmap theStore;
    ProbeOp theOp([](Bitmap&) {
        volatile int* volatile theNull = nullptr;
        ReadThrough(theNull);
    });
    theOp.Run(theStore, Operation::RunCheck::kSkip);  // returns normally
    const std::string theMessages = theOp.GetErrorReport()->GetMessages();
    EXPECT_EQ(theMessages.rfind("Code at 0x", 0), 0u) << theMessages;
    EXPECT_NE(theMessages.find(" attempted to read from 0x00000000. "), std::string::npos) << theMessages;
    EXPECT_FALSE(FaultFrame::IsActive());
}

TEST(MiscOps, EraseAndInvertWorkOnTheWholeStore)
{
    struct Case {
        std::int32_t mDepth;
        ColorValue mInverted;  // of red
    };
    for (const Case& theCase : {Case{32, {0, 65280, 65280, 65280, 0}}, Case{8, {0, 65280, 65280, 65535, 0}}}) {
        Bitmap theStore;
        theStore.SetWidth(6);
        theStore.SetHeight(4);
        theStore.SetDepth(theCase.mDepth);
        theStore.SetNaturalColor(kRed);
        EraseOp theErase;
        theErase.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        EXPECT_FALSE(theErase.GetErrorReport()->HasError());
        ASSERT_TRUE(theStore.HasPixels());
        InvertOp theInvert;
        theInvert.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        EXPECT_FALSE(theInvert.GetErrorReport()->HasError());
        EXPECT_EQ(theStore.GetPixelColor(0, 0), theCase.mInverted) << theCase.mDepth;
        EXPECT_EQ(theStore.GetPixelColor(5, 3), theCase.mInverted) << theCase.mDepth;
    }
}

TEST(MiscOps, WithoutPixelsNothingHappensAndRefitErrorsAreRecorded)
{
    Bitmap theStore;
    theStore.SetWidth(5);
    EraseOp theErase;
    theErase.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    InvertOp theInvert;
    theInvert.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    EXPECT_FALSE(theErase.GetErrorReport()->HasError());
    EXPECT_FALSE(theInvert.GetErrorReport()->HasError());
    EXPECT_FALSE(theStore.HasPixels());

    theStore.SetWidth(40000);
    theStore.SetHeight(5);
    EraseOp theBadErase;
    theBadErase.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    InvertOp theBadInvert;
    theBadInvert.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    EXPECT_EQ(theBadErase.GetErrorReport()->GetQuickTimeError(), paramErr);
    EXPECT_EQ(theBadInvert.GetErrorReport()->GetQuickTimeError(), paramErr);
}

}  // namespace
