#include "RegistryDatabase.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "automation/Errors.h"
#include "automation/Registry.h"
#include "automation/RegistryLocation.h"

namespace {

// A connection must not be used across fork(): the child abandons the one it inherited.
std::atomic<unsigned> gForkGeneration{0};

std::atomic<std::uint64_t> gConnectionSerial{0};

struct ForkWatch {
    ForkWatch()
    {
        pthread_atfork(nullptr, nullptr, [] { gForkGeneration.fetch_add(1); });
    }
} gForkWatch;

constexpr int kBusyTimeoutMs = 10000;

const char* const kStatementSql[] = {
    // kFindKey
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    // kKeyExists
    "SELECT 1 FROM keys WHERE id = ?1",
    // kInsertKey
    "INSERT INTO keys(parent, name) VALUES(?1, ?2)",
    // kCountSubkeys
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    // kSubkeyAt
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY name, id LIMIT 1 OFFSET ?2",
    // kFindValue
    "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2",
    // kValueAt
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    // kSetValue
    "INSERT OR REPLACE INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)",
    // kDeleteValue
    "DELETE FROM vals WHERE key = ?1 AND name = ?2",
    // kDeleteKeyValues
    "DELETE FROM vals WHERE key = ?1",
    // kDeleteKey
    "DELETE FROM keys WHERE id = ?1",
    // kDeleteTreeValues
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id) "
    "DELETE FROM vals WHERE key IN t",
    // kDeleteTreeKeys
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id) "
    "DELETE FROM keys WHERE id IN t",
    // kDeleteChildValues
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id) "
    "DELETE FROM vals WHERE key IN t",
    // kDeleteChildKeys
    "WITH RECURSIVE t(id) AS (SELECT id FROM keys WHERE parent = ?1 "
    "UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id) "
    "DELETE FROM keys WHERE id IN t",
    // kBeginRead
    "BEGIN",
    // kEndRead
    "COMMIT",
    // kDataVersion
    "PRAGMA data_version",
};
static_assert(sizeof(kStatementSql) / sizeof(kStatementSql[0]) ==
              static_cast<int>(RegistryDatabase::Statement::kCount));

const char kSchemaSql[] = "CREATE TABLE IF NOT EXISTS keys("
                          " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                          " parent INTEGER NOT NULL,"
                          " name TEXT NOT NULL COLLATE NOCASE,"
                          " UNIQUE(parent, name));"
                          "CREATE TABLE IF NOT EXISTS vals("
                          " key INTEGER NOT NULL,"
                          " name TEXT NOT NULL COLLATE NOCASE,"
                          " type INTEGER NOT NULL,"
                          " data BLOB NOT NULL,"
                          " PRIMARY KEY(key, name)) WITHOUT ROWID;"
                          "INSERT OR IGNORE INTO keys(id, parent, name) VALUES"
                          " (1, 0, 'HKEY_CLASSES_ROOT'), (2, 0, 'HKEY_CURRENT_USER'), (3, 0, 'HKEY_LOCAL_MACHINE');";

thread_local std::unique_ptr<RegistryDatabase> tDatabase;
thread_local std::string tPathOverride;

LONG MakeParentFolders(const std::string& inPath)
{
    std::string::size_type theSlash = inPath.find('/', 1);
    while (theSlash != std::string::npos) {
        const std::string theFolder = inPath.substr(0, theSlash);
        if (mkdir(theFolder.c_str(), 0700) != 0 && errno != EEXIST)
            return static_cast<LONG>(Win32FromErrno(errno));
        theSlash = inPath.find('/', theSlash + 1);
    }
    return ERROR_SUCCESS;
}

}  // namespace

void SetThreadRegistryPath(const char* inPath)
{
    tPathOverride.assign(inPath != nullptr ? inPath : "");
}

const char* RegistryDatabasePath()
{
    thread_local std::string tPath;
    if (!tPathOverride.empty()) {
        tPath = tPathOverride;
    } else if (const char* theOverride = std::getenv("VX_REGISTRY"); theOverride != nullptr && *theOverride != '\0') {
        tPath.assign(theOverride);
    } else if (const char* theData = std::getenv("XDG_DATA_HOME"); theData != nullptr && *theData == '/') {
        tPath.assign(theData).append("/vellumax/registry.db");
    } else {
        const char* theHome = std::getenv("HOME");
        tPath.assign(theHome != nullptr ? theHome : "").append("/.local/share/vellumax/registry.db");
    }
    return tPath.c_str();
}

RegistryDatabase::RegistryDatabase(std::string inPath, sqlite3* inDb, dev_t inDevice, ino_t inInode,
                                   unsigned inGeneration)
    : mPath(std::move(inPath)),
      mDb(inDb),
      mDevice(inDevice),
      mInode(inInode),
      mGeneration(inGeneration),
      mSerial(gConnectionSerial.fetch_add(1, std::memory_order_relaxed) + 1)
{
}

RegistryDatabase::~RegistryDatabase()
{
    for (sqlite3_stmt* theStatement : mStatements)
        sqlite3_finalize(theStatement);
    sqlite3_close(mDb);
}

RegistryDatabase* RegistryDatabase::ForThread(Intent inIntent, LONG* outError)
{
    *outError = ERROR_SUCCESS;
    if (tDatabase && tDatabase->mGeneration != gForkGeneration.load(std::memory_order_relaxed))
        (void)tDatabase.release();  // the parent still owns its locks and files; leave them alone

    // An open transaction pins the thread to its file.
    if (!tDatabase || tDatabase->mDepth == 0) {
        const char* thePath = RegistryDatabasePath();
        struct stat theInfo;
        const bool theExists = stat(thePath, &theInfo) == 0;
        // A read-only copy sees no later change: it is opened afresh for each call.
        if (tDatabase && (tDatabase->mPath != thePath || !theExists || theInfo.st_dev != tDatabase->mDevice ||
                          theInfo.st_ino != tDatabase->mInode || tDatabase->mReadOnly))
            tDatabase.reset();
        if (!tDatabase) {
            if (!theExists && inIntent == Intent::kRead) {
                *outError = ERROR_FILE_NOT_FOUND;
                return nullptr;
            }
            RegistryDatabase* theDb = nullptr;
            if (LONG theError = Open(thePath, inIntent, &theDb); theError != ERROR_SUCCESS) {
                *outError = theError;
                return nullptr;
            }
            tDatabase.reset(theDb);
        }
    }
    if (inIntent == Intent::kWrite && !tDatabase->mHasSchema) {
        if (LONG theError = tDatabase->EnsureSchema(); theError != ERROR_SUCCESS) {
            *outError = theError;
            return nullptr;
        }
    }
    return tDatabase.get();
}

LONG RegistryDatabase::Open(const std::string& inPath, Intent inIntent, RegistryDatabase** outDb)
{
    // A registry the caller may only read (the system registry, for a web server's user) can't
    // use write-ahead logging, whose index file readers must be able to create; such a file is
    // read as immutable: without locks, a read that meets the owner's write may fail or see part of it.
    if (inIntent == Intent::kRead && access(inPath.c_str(), W_OK) != 0 && errno == EACCES)
        return OpenReadOnly(inPath, outDb);
    int theFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (inIntent == Intent::kWrite) {
        theFlags |= SQLITE_OPEN_CREATE;
        if (LONG theError = MakeParentFolders(inPath); theError != ERROR_SUCCESS)
            return theError;
    }
    sqlite3* theDb = nullptr;
    const int theResult = sqlite3_open_v2(inPath.c_str(), &theDb, theFlags, nullptr);
    if (theResult != SQLITE_OK) {
        const int theErrno = sqlite3_system_errno(theDb);
        sqlite3_close(theDb);
        if (theResult == SQLITE_CANTOPEN && theErrno != 0)
            return static_cast<LONG>(Win32FromErrno(theErrno));
        return ErrorFromSqlite(theResult);
    }
    sqlite3_extended_result_codes(theDb, 1);
    sqlite3_busy_timeout(theDb, kBusyTimeoutMs);
    struct stat theInfo {};
    if (stat(inPath.c_str(), &theInfo) != 0) {
        sqlite3_close(theDb);
        return static_cast<LONG>(Win32FromErrno(errno));
    }
    *outDb = new RegistryDatabase(inPath, theDb, theInfo.st_dev, theInfo.st_ino,
                                  gForkGeneration.load(std::memory_order_relaxed));
    return ERROR_SUCCESS;
}

LONG RegistryDatabase::OpenReadOnly(const std::string& inPath, RegistryDatabase** outDb)
{
    std::string theUri = "file:";
    for (const char theChar : inPath) {
        if (theChar == '%' || theChar == '?' || theChar == '#') {
            char theEscape[4];
            std::snprintf(theEscape, sizeof theEscape, "%%%02X", static_cast<unsigned char>(theChar));
            theUri += theEscape;
        } else {
            theUri += theChar;
        }
    }
    theUri += "?immutable=1";
    sqlite3* theDb = nullptr;
    const int theResult =
        sqlite3_open_v2(theUri.c_str(), &theDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    struct stat theInfo {};
    if (theResult != SQLITE_OK || stat(inPath.c_str(), &theInfo) != 0) {
        sqlite3_close(theDb);
        return theResult != SQLITE_OK ? ErrorFromSqlite(theResult) : static_cast<LONG>(Win32FromErrno(errno));
    }
    *outDb = new RegistryDatabase(inPath, theDb, theInfo.st_dev, theInfo.st_ino,
                                  gForkGeneration.load(std::memory_order_relaxed));
    (*outDb)->mReadOnly = true;
    return ERROR_SUCCESS;
}

LONG RegistryDatabase::Execute(const char* inSql)
{
    return ErrorFromSqlite(sqlite3_exec(mDb, inSql, nullptr, nullptr, nullptr));
}

LONG RegistryDatabase::EnsureSchema()
{
    // Write-ahead logging lets readers go on while another process writes.
    if (LONG theError = Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL"); theError != ERROR_SUCCESS)
        return theError;
    ++mOwnWrites;
    if (LONG theError = Execute("BEGIN IMMEDIATE"); theError != ERROR_SUCCESS)
        return theError;
    LONG theError = Execute(kSchemaSql);
    if (theError == ERROR_SUCCESS)
        theError = Execute("COMMIT");
    if (theError != ERROR_SUCCESS) {
        if (!sqlite3_get_autocommit(mDb))
            Execute("ROLLBACK");
        return theError;
    }
    mHasSchema = true;
    return ERROR_SUCCESS;
}

sqlite3_stmt* RegistryDatabase::Prepare(Statement inStatement, LONG* outError)
{
    const int theIndex = static_cast<int>(inStatement);
    if (mStatements[theIndex] != nullptr) {
        *outError = ERROR_SUCCESS;
        return mStatements[theIndex];
    }
    const int theResult = sqlite3_prepare_v3(mDb, kStatementSql[theIndex], -1, SQLITE_PREPARE_PERSISTENT,
                                             &mStatements[theIndex], nullptr);
    if (theResult == SQLITE_OK) {
        *outError = ERROR_SUCCESS;
        return mStatements[theIndex];
    }
    // A readable file without our tables (an empty file, say) is an empty registry.
    *outError = (theResult & 0xFF) == SQLITE_ERROR && !mHasSchema ? static_cast<LONG>(ERROR_FILE_NOT_FOUND)
                                                                  : ErrorFromSqlite(theResult);
    return nullptr;
}

LONG RegistryDatabase::BeginWrite()
{
    ++mOwnWrites;
    return Execute(mDepth > 0 ? "SAVEPOINT vx_write" : "BEGIN IMMEDIATE");
}

LONG RegistryDatabase::EndWrite(LONG inResult)
{
    ++mOwnWrites;
    if (mDepth > 0) {
        if (inResult != ERROR_SUCCESS)
            Execute("ROLLBACK TO vx_write");
        const LONG theRelease = Execute("RELEASE vx_write");
        return inResult != ERROR_SUCCESS ? inResult : theRelease;
    }
    LONG theResult = inResult;
    if (theResult == ERROR_SUCCESS)
        theResult = Execute("COMMIT");
    if (theResult != ERROR_SUCCESS && !sqlite3_get_autocommit(mDb))
        Execute("ROLLBACK");
    return theResult;
}

LONG RegistryDatabase::BeginTransaction(int* outDepth)
{
    ++mOwnWrites;
    const LONG theResult =
        Execute(mDepth == 0 ? "BEGIN IMMEDIATE" : ("SAVEPOINT vx_level" + std::to_string(mDepth)).c_str());
    if (theResult == ERROR_SUCCESS)
        *outDepth = ++mDepth;
    return theResult;
}

LONG RegistryDatabase::CommitTransaction(int inDepth)
{
    ++mOwnWrites;
    if (inDepth != mDepth || mDepth == 0)
        return ERROR_INVALID_PARAMETER;
    if (mDepth > 1) {
        --mDepth;
        return Execute(("RELEASE vx_level" + std::to_string(mDepth)).c_str());
    }
    mDepth = 0;
    const LONG theResult = Execute("COMMIT");
    if (theResult != ERROR_SUCCESS && !sqlite3_get_autocommit(mDb))
        Execute("ROLLBACK");
    return theResult;
}

void RegistryDatabase::RollbackTransaction(int inDepth)
{
    ++mOwnWrites;
    if (inDepth != mDepth || mDepth == 0)
        return;
    if (mDepth > 1) {
        --mDepth;
        const std::string theName = "vx_level" + std::to_string(mDepth);
        Execute(("ROLLBACK TO " + theName).c_str());
        Execute(("RELEASE " + theName).c_str());
        return;
    }
    mDepth = 0;
    if (!sqlite3_get_autocommit(mDb))
        Execute("ROLLBACK");
}

LONG RegistryDatabase::ReadStamp(RegistryStamp* outStamp)
{
    *outStamp = {};
    if (mReadOnly) {
        struct stat theInfo {};
        if (stat(mPath.c_str(), &theInfo) != 0)
            return static_cast<LONG>(Win32FromErrno(errno));
        outStamp->mDevice = theInfo.st_dev;
        outStamp->mInode = theInfo.st_ino;
        outStamp->mSize = theInfo.st_size;
        outStamp->mModified = theInfo.st_mtim.tv_sec * 1000000000LL + theInfo.st_mtim.tv_nsec;
        outStamp->mChanged = theInfo.st_ctim.tv_sec * 1000000000LL + theInfo.st_ctim.tv_nsec;
        return ERROR_SUCCESS;
    }
    LONG theError;
    sqlite3_stmt* theQuery = Prepare(Statement::kDataVersion, &theError);
    if (theQuery == nullptr)
        return theError;
    const int theResult = sqlite3_step(theQuery);
    if (theResult == SQLITE_ROW)
        outStamp->mVersion = sqlite3_column_int64(theQuery, 0);
    sqlite3_reset(theQuery);
    if (theResult != SQLITE_ROW)
        return ErrorFromSqlite(theResult == SQLITE_DONE ? SQLITE_ERROR : theResult);
    outStamp->mConnection = mSerial;
    outStamp->mOwnWrites = mOwnWrites;
    return ERROR_SUCCESS;
}

LONG ReadRegistryStamp(RegistryStamp* outStamp)
{
    *outStamp = {};
    LONG theError;
    RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kRead, &theError);
    if (theDb == nullptr)
        return theError == ERROR_FILE_NOT_FOUND ? static_cast<LONG>(ERROR_SUCCESS) : theError;
    return theDb->ReadStamp(outStamp);
}

LONG RegistryDatabase::ErrorFromSqlite(int inCode)
{
    switch (inCode & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
        return ERROR_BADDB;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_CANTOPEN:
        return ERROR_CANTOPEN;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_MISMATCH:
        return ERROR_INVALID_PARAMETER;
    case SQLITE_IOERR:
        return inCode == SQLITE_IOERR_READ || inCode == SQLITE_IOERR_SHORT_READ ? ERROR_CANTREAD : ERROR_CANTWRITE;
    default:
        return ERROR_GEN_FAILURE;
    }
}
