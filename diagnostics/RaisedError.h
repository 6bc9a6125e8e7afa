// An error as the check sees it: the code of a failed call and its description.
#pragma once

#include <string>

#include <automation/Types.h>

struct RaisedError {
    HRESULT mCode = S_OK;
    std::string mDescription;  // UTF-8, as the object or the system words it

    bool Failed() const { return FAILED(mCode); }
};
