#include "vellumax/engine/Operation.h"

#include <cassert>
#include <cstdio>

#include "automation/Faults.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/errors/ComError.h"
#include "vellumax/errors/SException.h"

Operation::Operation(const char* inName)
    : mParameters(std::make_unique<Parameters>()), mError(std::make_unique<ErrorReport>()), mReport(inName)
{
}

Operation::~Operation() = default;

void Operation::Report(const char* inName, const char* inValue)
{
    mReport.append(" ").append(inName).append("={").append(inValue).append("}");
}

std::int32_t Operation::SetParameterString(const char* inText)
{
    assert(inText != nullptr && mParameters != nullptr);
    Report("Parameters", inText);
    return mParameters->Parse(inText);
}

ErrorReport* Operation::GetErrorReport()
{
    return mError.get();
}

Parameters* Operation::GetParameters()
{
    return mParameters.get();
}

std::unique_ptr<ErrorReport> Operation::DetachErrorReport()
{
    return std::move(mError);
}

std::unique_ptr<Parameters> Operation::DetachParameters()
{
    return std::move(mParameters);
}

void Operation::AdoptErrorReport(std::unique_ptr<ErrorReport> inReport)
{
    mError = std::move(inReport);
}

void Operation::AdoptParameters(std::unique_ptr<Parameters> inParameters)
{
    mParameters = std::move(inParameters);
}

void Operation::Run(Bitmap& inBitmap, bool inCheck)
{
    assert(mError != nullptr && "running without an error record");
    assert(mParameters != nullptr && "running without a parameter record");
    // Faults inside the main step become SException even when the caller has
    // no method frame of its own (a nested frame costs nothing).
    FaultFrame theFrame;
    try {
        if (inCheck) {
            char theCanvas[128];
            std::snprintf(theCanvas, sizeof theCanvas, "Width=%ld Height=%ld Depth=%ld Buffer=%ld",
                          long(inBitmap.GetWidth()), long(inBitmap.GetHeight()), long(inBitmap.GetDepth()),
                          inBitmap.GetBufferId());
            Report("Canvas", theCanvas);
            mError->AddContext(mReport);
            char theMessage[ParameterParser::kMessageCapacity];
            if (mParameters->ErrorMessage(theMessage))
                mError->AddMessage(theMessage);
        }
        if (mError->HasError())
            return;
        mRect = mParameters->PlacementRect();
        Do(inBitmap);
    } catch (const ComError& inError) {
        mError->SetComError(inError.Error());
    } catch (SException& inFault) {
        mError->AddMessage(inFault.What());
    } catch (...) {
        mError->AddMessage("Unknown exception thrown");
    }
}

LongRect Operation::GetResultRect() const
{
    return mRect;
}
