#include "vellumax/engine/Operation.h"

#include <cassert>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#include "automation/Faults.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/errors/ComError.h"
#include "vellumax/errors/SException.h"

namespace {

// Room for the name, shape, a typical parameter string and the store, so
// that the report is not regrown at each part.
constexpr std::size_t kReportCapacity = 256;

constexpr const char* kNoPattern = "Cannot paint pattern because one has not been specified.";

char* AppendNumber(char* ioText, const char* inLabel, long inValue)
{
    const std::size_t theLabel = std::strlen(inLabel);
    std::memcpy(ioText, inLabel, theLabel);
    return std::to_chars(ioText + theLabel, ioText + theLabel + 24, inValue).ptr;
}

// "Width=W Height=H Depth=D Buffer=B" into outText (128 bytes is ample):
// formatted by hand because every checked run writes it.
void DescribeStore(const Bitmap& inBitmap, char* outText)
{
    char* p = AppendNumber(outText, "Width=", inBitmap.GetWidth());
    p = AppendNumber(p, " Height=", inBitmap.GetHeight());
    p = AppendNumber(p, " Depth=", inBitmap.GetDepth());
    p = AppendNumber(p, " Buffer=", inBitmap.GetBufferId());
    *p = '\0';
}

}  // namespace

Operation::Operation(const char* inName)
    : mOwnParameters(std::make_unique<Parameters>()),
      mOwnError(std::make_unique<ErrorReport>()),
      mParameters(mOwnParameters.get()),
      mError(mOwnError.get()),
      mReport(inName)
{
    mReport.reserve(kReportCapacity);
}

Operation::Operation(const char* inName, Parameters& inParameters, ErrorReport& inError)
    : mParameters(&inParameters), mError(&inError), mReport(inName)
{
    // An inner drawing reports nothing: no room is kept.
}

Operation::~Operation() = default;

void Operation::Report(const char* inName, const char* inValue)
{
    // One growth and three copies rather than five appends: every call reports three parts.
    const std::size_t theName = std::strlen(inName);
    const std::size_t theValue = std::strlen(inValue);
    const std::size_t theStart = mReport.size();
    mReport.resize(theStart + theName + theValue + 4);
    char* p = mReport.data() + theStart;
    *p++ = ' ';
    p = static_cast<char*>(std::memcpy(p, inName, theName)) + theName;
    *p++ = '=';
    *p++ = '{';
    p = static_cast<char*>(std::memcpy(p, inValue, theValue)) + theValue;
    *p = '}';
}

std::int32_t Operation::SetParameterString(const char* inText)
{
    assert(inText != nullptr && mParameters != nullptr);
    Report("Parameters", inText);
    return mParameters->Parse(inText);
}

ErrorReport* Operation::GetErrorReport()
{
    return mError;
}

Parameters* Operation::GetParameters()
{
    return mParameters;
}

std::unique_ptr<ErrorReport> Operation::DetachErrorReport()
{
    mError = nullptr;
    return std::move(mOwnError);
}

std::unique_ptr<Parameters> Operation::DetachParameters()
{
    mParameters = nullptr;
    return std::move(mOwnParameters);
}

void Operation::AdoptErrorReport(std::unique_ptr<ErrorReport> inReport)
{
    mOwnError = std::move(inReport);
    mError = mOwnError.get();
}

void Operation::AdoptParameters(std::unique_ptr<Parameters> inParameters)
{
    mOwnParameters = std::move(inParameters);
    mParameters = mOwnParameters.get();
}

void Operation::Run(Bitmap& inBitmap, RunCheck inCheck)
{
    assert(mError != nullptr && "running without an error record");
    assert(mParameters != nullptr && "running without a parameter record");
    // Faults inside the main step become SException even when the caller has
    // no method frame of its own (a nested frame costs nothing).
    FaultFrame theFrame;
    try {
        if (inCheck == RunCheck::kRecordAndCheck) {
            char theCanvas[128];
            DescribeStore(inBitmap, theCanvas);
            Report("Canvas", theCanvas);
            mError->AddContext(mReport);
            char theMessage[ParameterParser::kMessageCapacity];
            if (mParameters->ErrorMessage(theMessage))
                mError->AddMessage(theMessage);
        }
        if (mError->HasError())
            return;
        mResultRect = mParameters->PlacementRect();
        Do(inBitmap);
        // The store says why it would not take a size, once.
        if (const std::string theLimit = inBitmap.TakePixelLimitMessage(); !theLimit.empty())
            mError->AddMessage(theLimit);
    } catch (const ComError& inError) {
        mError->SetComError(inError.Error());
    } catch (SException& inFault) {
        mError->AddMessage(inFault.What());
    } catch (...) {
        mError->AddMessage("Unknown exception thrown");
    }
}

bool Operation::GetPatternBitmap(Bitmap& inBitmap, HBITMAP* outBitmap)
{
    const PatternBitmap& thePattern = mParameters->Pattern;
    switch (thePattern.source) {
    case PatternBitmap::Source::kHandle:
        *outBitmap = thePattern.handle;
        return true;
    case PatternBitmap::Source::kTarget:
        *outBitmap = inBitmap.HasPixels() ? inBitmap.GetHBITMAP() : 0;
        return true;
    case PatternBitmap::Source::kFailed:
        mError->SetComError(thePattern.error);
        return false;
    case PatternBitmap::Source::kNone:
        break;
    }
    mError->AddMessage(kNoPattern);
    return false;
}

LongRect Operation::GetResultRect() const
{
    return mResultRect;
}
