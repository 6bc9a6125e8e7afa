#include "RegistryPrune.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "automation/Registry.h"

namespace {

constexpr int kMaxDepth = 64;

// ERROR_SUCCESS with *outFound set when a value lies at or below inKey.
LONG HoldsValues(HKEY inKey, int inDepth, bool* outFound)
{
    char theName[kRegistryMaxKeyNameLength + 1];
    DWORD theSize = sizeof theName;
    LONG theError = RegEnumValue(inKey, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
    if (theError == ERROR_SUCCESS || theError == ERROR_MORE_DATA) {
        *outFound = true;
        return ERROR_SUCCESS;
    }
    if (theError != ERROR_NO_MORE_ITEMS && theError != ERROR_FILE_NOT_FOUND)
        return theError;
    if (inDepth >= kMaxDepth)
        return ERROR_INVALID_PARAMETER;
    for (DWORD theIndex = 0; !*outFound; ++theIndex) {
        theSize = sizeof theName;
        theError = RegEnumKeyEx(inKey, theIndex, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
        if (theError == ERROR_NO_MORE_ITEMS)
            break;
        if (theError != ERROR_SUCCESS)
            return theError;
        HKEY theChild = nullptr;
        if ((theError = RegOpenKeyEx(inKey, theName, 0, KEY_READ, &theChild)) != ERROR_SUCCESS)
            return theError;
        theError = HoldsValues(theChild, inDepth + 1, outFound);
        RegCloseKey(theChild);
        if (theError != ERROR_SUCCESS)
            return theError;
    }
    return ERROR_SUCCESS;
}

}  // namespace

PruneOutcome PruneEmptyRegistry()
{
    const std::string thePath = RegistryDatabasePath();
    if (access(thePath.c_str(), F_OK) != 0)
        return errno == ENOENT ? PruneOutcome::kRemoved : PruneOutcome::kFailed;
    bool isFound = false;
    for (HKEY theRoot : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (HoldsValues(theRoot, 0, &isFound) != ERROR_SUCCESS)
            return PruneOutcome::kFailed;
        if (isFound)
            return PruneOutcome::kHoldsValues;
    }
    for (const char* theSuffix : {"-wal", "-shm", ""}) {
        if (unlink((thePath + theSuffix).c_str()) != 0 && errno != ENOENT)
            return PruneOutcome::kFailed;
    }
    return PruneOutcome::kRemoved;
}
