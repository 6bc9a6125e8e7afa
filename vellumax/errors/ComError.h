// A failed automation call carried as an exception: thrown by value conversions,
// caught first by every method frame and by an operation's run.
#pragma once

#include <exception>

#include "automation/Types.h"

class ComError : public std::exception {
public:
    // How a frame that hands a coercion's code back bare (the value objects,
    // the upload objects) reports this one: bare, or with the system's text
    // for the code as its description.
    enum class Report { kBare, kDescribed };

    explicit ComError(HRESULT inCode, Report inReport = Report::kBare) : mCode(inCode), mReport(inReport) {}

    HRESULT Error() const { return mCode; }
    bool IsDescribed() const { return mReport == Report::kDescribed; }
    const char* what() const noexcept override { return "ComError"; }

private:
    HRESULT mCode;
    Report mReport;
};
