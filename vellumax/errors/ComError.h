// A failed automation call carried as an exception: thrown by value conversions,
// caught first by every method frame and by an operation's run.
#pragma once

#include <exception>

#include "automation/Types.h"

class ComError : public std::exception {
public:
    explicit ComError(HRESULT inCode) : mCode(inCode) {}

    HRESULT Error() const { return mCode; }
    const char* what() const noexcept override { return "ComError"; }

private:
    HRESULT mCode;
};
