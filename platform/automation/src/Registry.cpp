#include "automation/Registry.h"

#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "RegistryDatabase.h"

// An open key: the key's row in the file it was opened in. Rows are never reused
// (AUTOINCREMENT), so a handle to a deleted key can't reach a newer one.
struct VxRegistryKey {
    sqlite3_int64 mId;
    std::string mDatabase;
};

namespace {

using Statement = RegistryDatabase::Statement;

// Resets a cached statement when the call is done with it.
class Query {
public:
    Query(RegistryDatabase* inDb, Statement inStatement, LONG* outError)
        : mStatement(inDb->Prepare(inStatement, outError))
    {
    }
    ~Query()
    {
        if (mStatement != nullptr)
            sqlite3_reset(mStatement);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    explicit operator bool() const { return mStatement != nullptr; }
    sqlite3_stmt* operator*() const { return mStatement; }

    void Bind(int inIndex, sqlite3_int64 inValue) { sqlite3_bind_int64(mStatement, inIndex, inValue); }
    void Bind(int inIndex, std::string_view inText)
    {
        sqlite3_bind_text(mStatement, inIndex, inText.data(), static_cast<int>(inText.size()), SQLITE_STATIC);
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return sqlite3_step(mStatement); }

private:
    sqlite3_stmt* mStatement;
};

// Several reads as one snapshot, locking the file once instead of once per statement.
class ReadScope {
public:
    explicit ReadScope(RegistryDatabase* inDb) : mDb(inDb)
    {
        LONG theError;
        if (mDb == nullptr || !sqlite3_get_autocommit(mDb->Handle()))
            return;  // no file, or already inside a transaction
        if (sqlite3_stmt* theBegin = mDb->Prepare(Statement::kBeginRead, &theError)) {
            mOpen = sqlite3_step(theBegin) == SQLITE_DONE;
            sqlite3_reset(theBegin);
        }
    }
    ~ReadScope()
    {
        LONG theError;
        if (!mOpen)
            return;
        if (sqlite3_stmt* theEnd = mDb->Prepare(Statement::kEndRead, &theError)) {
            sqlite3_step(theEnd);
            sqlite3_reset(theEnd);
        }
    }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

private:
    RegistryDatabase* mDb;
    bool mOpen = false;
};

bool IsRoot(HKEY inKey, sqlite3_int64* outId)
{
    if (inKey == HKEY_CLASSES_ROOT)
        *outId = RegistryDatabase::kClassesRoot;
    else if (inKey == HKEY_CURRENT_USER)
        *outId = RegistryDatabase::kCurrentUser;
    else if (inKey == HKEY_LOCAL_MACHINE)
        *outId = RegistryDatabase::kLocalMachine;
    else
        return false;
    return true;
}

// The row behind a handle, checked to belong to the file in use.
LONG Resolve(RegistryDatabase* inDb, HKEY inKey, sqlite3_int64* outId)
{
    if (IsRoot(inKey, outId))
        return ERROR_SUCCESS;
    if (inKey == nullptr)
        return ERROR_INVALID_HANDLE;
    if (inKey->mDatabase != (inDb != nullptr ? inDb->Path().c_str() : RegistryDatabasePath()))
        return ERROR_INVALID_HANDLE;
    *outId = inKey->mId;
    return ERROR_SUCCESS;
}

LONG KeyExists(RegistryDatabase* inDb, sqlite3_int64 inId)
{
    if (inId <= RegistryDatabase::kLocalMachine)
        return ERROR_SUCCESS;
    LONG theError;
    Query theQuery(inDb, Statement::kKeyExists, &theError);
    if (!theQuery)
        return theError == ERROR_FILE_NOT_FOUND ? static_cast<LONG>(ERROR_KEY_DELETED) : theError;
    theQuery.Bind(1, inId);
    const int theResult = theQuery.Step();
    if (theResult == SQLITE_ROW)
        return ERROR_SUCCESS;
    return theResult == SQLITE_DONE ? static_cast<LONG>(ERROR_KEY_DELETED)
                                    : RegistryDatabase::ErrorFromSqlite(theResult);
}

// Calls inVisit with each non-empty part of a "\"-separated path; stops at the first failure.
template <typename Visitor>
LONG ForEachPart(const char* inPath, Visitor&& inVisit)
{
    std::string_view theRest = inPath != nullptr ? inPath : "";
    while (!theRest.empty()) {
        const std::size_t theEnd = theRest.find('\\');
        const std::string_view thePart = theRest.substr(0, theEnd);
        theRest = theEnd == std::string_view::npos ? std::string_view() : theRest.substr(theEnd + 1);
        if (thePart.empty())
            continue;
        if (thePart.size() > kRegistryMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        if (LONG theError = inVisit(thePart); theError != ERROR_SUCCESS)
            return theError;
    }
    return ERROR_SUCCESS;
}

LONG FindChild(RegistryDatabase* inDb, sqlite3_int64 inParent, std::string_view inName, sqlite3_int64* outId)
{
    LONG theError;
    Query theQuery(inDb, Statement::kFindKey, &theError);
    if (!theQuery)
        return theError;
    theQuery.Bind(1, inParent);
    theQuery.Bind(2, inName);
    const int theResult = theQuery.Step();
    if (theResult == SQLITE_ROW) {
        *outId = sqlite3_column_int64(*theQuery, 0);
        return ERROR_SUCCESS;
    }
    return theResult == SQLITE_DONE ? static_cast<LONG>(ERROR_FILE_NOT_FOUND)
                                    : RegistryDatabase::ErrorFromSqlite(theResult);
}

// Finds the key at inPath below inStart without making anything.
LONG Walk(RegistryDatabase* inDb, sqlite3_int64 inStart, const char* inPath, sqlite3_int64* outId)
{
    if (LONG theError = KeyExists(inDb, inStart); theError != ERROR_SUCCESS)
        return theError;
    sqlite3_int64 theId = inStart;
    const LONG theError =
        ForEachPart(inPath, [&](std::string_view inPart) { return FindChild(inDb, theId, inPart, &theId); });
    if (theError == ERROR_SUCCESS)
        *outId = theId;
    return theError;
}

// Inside a write: finds or makes every part of inPath below inStart.
LONG WalkCreating(RegistryDatabase* inDb, sqlite3_int64 inStart, const char* inPath, sqlite3_int64* outId,
                  bool* outCreated)
{
    if (LONG theError = KeyExists(inDb, inStart); theError != ERROR_SUCCESS)
        return theError;
    sqlite3_int64 theId = inStart;
    bool theCreated = false;
    const LONG theError = ForEachPart(inPath, [&](std::string_view inPart) -> LONG {
        const LONG theFound = FindChild(inDb, theId, inPart, &theId);
        theCreated = false;
        if (theFound != ERROR_FILE_NOT_FOUND)
            return theFound;
        LONG theInsertError;
        Query theInsert(inDb, Statement::kInsertKey, &theInsertError);
        if (!theInsert)
            return theInsertError;
        theInsert.Bind(1, theId);
        theInsert.Bind(2, inPart);
        const int theResult = theInsert.Step();
        if (theResult != SQLITE_DONE)
            return RegistryDatabase::ErrorFromSqlite(theResult);
        theId = sqlite3_last_insert_rowid(sqlite3_db_handle(*theInsert));
        theCreated = true;
        return ERROR_SUCCESS;
    });
    if (theError != ERROR_SUCCESS)
        return theError;
    *outId = theId;
    if (outCreated != nullptr)
        *outCreated = theCreated;
    return ERROR_SUCCESS;
}

LONG CheckValueName(const char* inName)
{
    return inName != nullptr && std::strlen(inName) > kRegistryMaxValueNameLength
               ? static_cast<LONG>(ERROR_INVALID_PARAMETER)
               : static_cast<LONG>(ERROR_SUCCESS);
}

LONG SetValue(RegistryDatabase* inDb, sqlite3_int64 inKey, const char* inName, DWORD inType, const BYTE* inData,
              DWORD inSize)
{
    if (LONG theError = KeyExists(inDb, inKey); theError != ERROR_SUCCESS)
        return theError;
    std::string theData(reinterpret_cast<const char*>(inData), inSize);
    if ((inType == REG_SZ || inType == REG_EXPAND_SZ) && (theData.empty() || theData.back() != '\0'))
        theData.push_back('\0');
    LONG theError;
    Query theQuery(inDb, Statement::kSetValue, &theError);
    if (!theQuery)
        return theError;
    theQuery.Bind(1, inKey);
    theQuery.Bind(2, std::string_view(inName != nullptr ? inName : ""));
    theQuery.Bind(3, static_cast<sqlite3_int64>(inType));
    sqlite3_bind_blob(*theQuery, 4, theData.data(), static_cast<int>(theData.size()), SQLITE_STATIC);
    return RegistryDatabase::ErrorFromSqlite(theQuery.Step());
}

LONG CheckValueArguments(DWORD inType, const void* inData, DWORD inSize)
{
    if (inData == nullptr && inSize != 0)
        return ERROR_INVALID_PARAMETER;
    if (inSize > kRegistryMaxValueSize)
        return ERROR_INVALID_PARAMETER;
    switch (inType) {
    case REG_DWORD:
        return inSize == sizeof(DWORD) ? static_cast<LONG>(ERROR_SUCCESS) : static_cast<LONG>(ERROR_INVALID_PARAMETER);
    case REG_NONE:
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_BINARY:
        return ERROR_SUCCESS;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

// Copies a value's data with RegQueryValueEx's size rules.
LONG CopyData(const void* inData, DWORD inSize, BYTE* outData, DWORD* ioSize)
{
    if (outData == nullptr) {
        if (ioSize != nullptr)
            *ioSize = inSize;
        return ERROR_SUCCESS;
    }
    if (*ioSize < inSize) {
        *ioSize = inSize;
        return ERROR_MORE_DATA;
    }
    if (inSize != 0)
        std::memcpy(outData, inData, inSize);
    *ioSize = inSize;
    return ERROR_SUCCESS;
}

// Copies a name with RegEnumKeyEx's size rules.
LONG CopyName(const unsigned char* inName, int inLength, char* outName, DWORD* ioSize)
{
    const DWORD theLength = static_cast<DWORD>(inLength);
    if (*ioSize < theLength + 1) {
        *ioSize = theLength;
        return ERROR_MORE_DATA;
    }
    if (theLength != 0)
        std::memcpy(outName, inName, theLength);
    outName[theLength] = '\0';
    *ioSize = theLength;
    return ERROR_SUCCESS;
}

HKEY NewHandle(RegistryDatabase* inDb, sqlite3_int64 inId)
{
    return new (std::nothrow) VxRegistryKey{inId, inDb->Path()};
}

// Every write: the thread's database, the key the handle names, one write
// transaction around inStep(database, key), ended by its result.
template <typename Step>
LONG WriteOnKey(HKEY inKey, Step&& inStep)
{
    LONG theError;
    RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kWrite, &theError);
    if (theDb == nullptr)
        return theError;
    sqlite3_int64 theStart;
    if (theError = Resolve(theDb, inKey, &theStart); theError != ERROR_SUCCESS)
        return theError;
    if (theError = theDb->BeginWrite(); theError != ERROR_SUCCESS)
        return theError;
    return theDb->EndWrite(inStep(theDb, theStart));
}

}  // namespace

LONG RegCreateKeyEx(HKEY inKey, const char* inSubKey, DWORD /*inReserved*/, const char* /*inClass*/,
                    DWORD /*inOptions*/, REGSAM /*inAccess*/, const void* /*inSecurity*/, HKEY* outKey,
                    DWORD* outDisposition)
{
    if (outKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    *outKey = nullptr;
    RegistryDatabase* theDb = nullptr;
    sqlite3_int64 theId = 0;
    bool theCreated = false;
    const LONG theError = WriteOnKey(inKey, [&](RegistryDatabase* inDb, sqlite3_int64 inStart) {
        theDb = inDb;
        return WalkCreating(inDb, inStart, inSubKey, &theId, &theCreated);
    });
    if (theError != ERROR_SUCCESS)
        return theError;
    if ((*outKey = NewHandle(theDb, theId)) == nullptr)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (outDisposition != nullptr)
        *outDisposition = theCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY inKey, const char* inSubKey, DWORD /*inOptions*/, REGSAM /*inAccess*/, HKEY* outKey)
{
    if (outKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    *outKey = nullptr;
    LONG theError;
    RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kRead, &theError);
    sqlite3_int64 theStart;
    if (LONG theHandleError = Resolve(theDb, inKey, &theStart); theHandleError != ERROR_SUCCESS)
        return theHandleError;
    if (theDb == nullptr)
        return theError;
    sqlite3_int64 theId;
    {
        ReadScope theSnapshot(theDb);
        if (theError = Walk(theDb, theStart, inSubKey, &theId); theError != ERROR_SUCCESS)
            return theError;
    }
    if ((*outKey = NewHandle(theDb, theId)) == nullptr)
        return ERROR_NOT_ENOUGH_MEMORY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY inKey)
{
    sqlite3_int64 theId;
    if (inKey == nullptr)
        return ERROR_INVALID_HANDLE;
    if (!IsRoot(inKey, &theId))
        delete inKey;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY inKey, const char* inValueName, DWORD /*inReserved*/, DWORD inType, const BYTE* inData,
                   DWORD inSize)
{
    if (LONG theError = CheckValueArguments(inType, inData, inSize); theError != ERROR_SUCCESS)
        return theError;
    if (LONG theError = CheckValueName(inValueName); theError != ERROR_SUCCESS)
        return theError;
    return WriteOnKey(inKey, [&](RegistryDatabase* inDb, sqlite3_int64 inKeyId) {
        return SetValue(inDb, inKeyId, inValueName, inType, inData, inSize);
    });
}

LONG RegSetKeyValue(HKEY inKey, const char* inSubKey, const char* inValueName, DWORD inType, const void* inData,
                    DWORD inSize)
{
    if (LONG theError = CheckValueArguments(inType, inData, inSize); theError != ERROR_SUCCESS)
        return theError;
    if (LONG theError = CheckValueName(inValueName); theError != ERROR_SUCCESS)
        return theError;
    return WriteOnKey(inKey, [&](RegistryDatabase* inDb, sqlite3_int64 inStart) {
        sqlite3_int64 theKey = 0;
        LONG theError = WalkCreating(inDb, inStart, inSubKey, &theKey, nullptr);
        if (theError == ERROR_SUCCESS)
            theError = SetValue(inDb, theKey, inValueName, inType, static_cast<const BYTE*>(inData), inSize);
        return theError;
    });
}

LONG RegQueryValueEx(HKEY inKey, const char* inValueName, DWORD* /*inReserved*/, DWORD* outType, BYTE* outData,
                     DWORD* ioSize)
{
    if (outData != nullptr && ioSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    LONG theError;
    RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kRead, &theError);
    sqlite3_int64 theKey;
    if (LONG theHandleError = Resolve(theDb, inKey, &theKey); theHandleError != ERROR_SUCCESS)
        return theHandleError;
    if (theDb == nullptr)
        return theError;
    Query theQuery(theDb, Statement::kFindValue, &theError);
    if (!theQuery)
        return theError;
    theQuery.Bind(1, theKey);
    theQuery.Bind(2, std::string_view(inValueName != nullptr ? inValueName : ""));
    const int theResult = theQuery.Step();
    if (theResult == SQLITE_DONE) {
        // A value that isn't there, or a key that isn't any more.
        const LONG theKeyError = KeyExists(theDb, theKey);
        return theKeyError != ERROR_SUCCESS ? theKeyError : static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    }
    if (theResult != SQLITE_ROW)
        return RegistryDatabase::ErrorFromSqlite(theResult);
    if (outType != nullptr)
        *outType = static_cast<DWORD>(sqlite3_column_int64(*theQuery, 0));
    const void* theData = sqlite3_column_blob(*theQuery, 1);
    const DWORD theSize = static_cast<DWORD>(sqlite3_column_bytes(*theQuery, 1));
    return CopyData(theData, theSize, outData, ioSize);
}

LONG RegDeleteValue(HKEY inKey, const char* inValueName)
{
    return WriteOnKey(inKey, [&](RegistryDatabase* inDb, sqlite3_int64 inKeyId) {
        LONG theError = KeyExists(inDb, inKeyId);
        if (theError != ERROR_SUCCESS)
            return theError;
        Query theQuery(inDb, Statement::kDeleteValue, &theError);
        if (!theQuery)
            return theError;
        theQuery.Bind(1, inKeyId);
        theQuery.Bind(2, std::string_view(inValueName != nullptr ? inValueName : ""));
        theError = RegistryDatabase::ErrorFromSqlite(theQuery.Step());
        if (theError == ERROR_SUCCESS && sqlite3_changes(sqlite3_db_handle(*theQuery)) == 0)
            theError = ERROR_FILE_NOT_FOUND;
        return theError;
    });
}

namespace {

LONG RunOnKey(RegistryDatabase* inDb, Statement inStatement, sqlite3_int64 inKey)
{
    LONG theError;
    Query theQuery(inDb, inStatement, &theError);
    if (!theQuery)
        return theError;
    theQuery.Bind(1, inKey);
    return RegistryDatabase::ErrorFromSqlite(theQuery.Step());
}

LONG DeleteKeyInWrite(RegistryDatabase* inDb, sqlite3_int64 inStart, const char* inSubKey)
{
    sqlite3_int64 theKey;
    if (LONG theError = Walk(inDb, inStart, inSubKey, &theKey); theError != ERROR_SUCCESS)
        return theError;
    if (theKey <= RegistryDatabase::kLocalMachine)
        return ERROR_INVALID_PARAMETER;
    LONG theError;
    {
        Query theQuery(inDb, Statement::kCountSubkeys, &theError);
        if (!theQuery)
            return theError;
        theQuery.Bind(1, theKey);
        const int theResult = theQuery.Step();
        if (theResult == SQLITE_ROW)
            return ERROR_ACCESS_DENIED;
        if (theResult != SQLITE_DONE)
            return RegistryDatabase::ErrorFromSqlite(theResult);
    }
    if (theError = RunOnKey(inDb, Statement::kDeleteKeyValues, theKey); theError != ERROR_SUCCESS)
        return theError;
    return RunOnKey(inDb, Statement::kDeleteKey, theKey);
}

LONG DeleteTreeInWrite(RegistryDatabase* inDb, sqlite3_int64 inStart, const char* inSubKey)
{
    sqlite3_int64 theKey;
    if (LONG theError = Walk(inDb, inStart, inSubKey, &theKey); theError != ERROR_SUCCESS)
        return theError;
    const bool theKeepKey = inSubKey == nullptr || *inSubKey == '\0';
    if (!theKeepKey && theKey <= RegistryDatabase::kLocalMachine)
        return ERROR_INVALID_PARAMETER;
    if (theKeepKey) {
        if (LONG theError = RunOnKey(inDb, Statement::kDeleteChildValues, theKey); theError != ERROR_SUCCESS)
            return theError;
        return RunOnKey(inDb, Statement::kDeleteChildKeys, theKey);
    }
    if (LONG theError = RunOnKey(inDb, Statement::kDeleteTreeValues, theKey); theError != ERROR_SUCCESS)
        return theError;
    return RunOnKey(inDb, Statement::kDeleteTreeKeys, theKey);
}

}  // namespace

LONG RegDeleteKey(HKEY inKey, const char* inSubKey)
{
    return WriteOnKey(inKey, [&](RegistryDatabase* inDb, sqlite3_int64 inStart) {
        return DeleteKeyInWrite(inDb, inStart, inSubKey);
    });
}

LONG RegDeleteTree(HKEY inKey, const char* inSubKey)
{
    return WriteOnKey(inKey, [&](RegistryDatabase* inDb, sqlite3_int64 inStart) {
        return DeleteTreeInWrite(inDb, inStart, inSubKey);
    });
}

namespace {

// The row numbered inIndex of a key's subkeys or values, handed to inRead; a
// missing database or a row past the end is ERROR_NO_MORE_ITEMS.
template <class Read>
LONG ReadRowAt(HKEY inKey, DWORD inIndex, Statement inStatement, Read&& inRead)
{
    LONG theError;
    RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kRead, &theError);
    sqlite3_int64 theKey;
    if (LONG theHandleError = Resolve(theDb, inKey, &theKey); theHandleError != ERROR_SUCCESS)
        return theHandleError;
    if (theDb == nullptr)
        return theError == ERROR_FILE_NOT_FOUND ? static_cast<LONG>(ERROR_NO_MORE_ITEMS) : theError;
    if (theError = KeyExists(theDb, theKey); theError != ERROR_SUCCESS)
        return theError;
    Query theQuery(theDb, inStatement, &theError);
    if (!theQuery)
        return theError == ERROR_FILE_NOT_FOUND ? static_cast<LONG>(ERROR_NO_MORE_ITEMS) : theError;
    theQuery.Bind(1, theKey);
    theQuery.Bind(2, static_cast<sqlite3_int64>(inIndex));
    const int theResult = theQuery.Step();
    if (theResult == SQLITE_DONE)
        return ERROR_NO_MORE_ITEMS;
    if (theResult != SQLITE_ROW)
        return RegistryDatabase::ErrorFromSqlite(theResult);
    return inRead(theQuery);
}

}  // namespace

LONG RegEnumKeyEx(HKEY inKey, DWORD inIndex, char* outName, DWORD* ioNameSize, DWORD* /*inReserved*/, char* outClass,
                  DWORD* ioClassSize, void* outLastWriteTime)
{
    if (outName == nullptr || ioNameSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    return ReadRowAt(inKey, inIndex, Statement::kSubkeyAt, [&](Query& inRow) {
        if (outClass != nullptr && ioClassSize != nullptr && *ioClassSize > 0) {
            *outClass = '\0';
            *ioClassSize = 0;
        }
        if (outLastWriteTime != nullptr)
            std::memset(outLastWriteTime, 0, sizeof(std::uint64_t));
        return CopyName(sqlite3_column_text(*inRow, 0), sqlite3_column_bytes(*inRow, 0), outName, ioNameSize);
    });
}

LONG RegEnumValue(HKEY inKey, DWORD inIndex, char* outValueName, DWORD* ioValueNameSize, DWORD* /*inReserved*/,
                  DWORD* outType, BYTE* outData, DWORD* ioDataSize)
{
    if (outValueName == nullptr || ioValueNameSize == nullptr || (outData != nullptr && ioDataSize == nullptr))
        return ERROR_INVALID_PARAMETER;
    return ReadRowAt(inKey, inIndex, Statement::kValueAt, [&](Query& inRow) {
        const LONG theNameError =
            CopyName(sqlite3_column_text(*inRow, 0), sqlite3_column_bytes(*inRow, 0), outValueName, ioValueNameSize);
        if (outType != nullptr)
            *outType = static_cast<DWORD>(sqlite3_column_int64(*inRow, 1));
        const void* theData = sqlite3_column_blob(*inRow, 2);
        const LONG theDataError =
            CopyData(theData, static_cast<DWORD>(sqlite3_column_bytes(*inRow, 2)), outData, ioDataSize);
        return theNameError != ERROR_SUCCESS ? theNameError : theDataError;
    });
}
