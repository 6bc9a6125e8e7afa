// The calling thread's connection to the registry file (internal to the registry calls).
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <string>

#include "RegistryStamp.h"
#include "automation/Types.h"

class RegistryDatabase {
public:
    enum class Statement {
        kFindKey,
        kKeyExists,
        kInsertKey,
        kCountSubkeys,
        kSubkeyAt,
        kFindValue,
        kValueAt,
        kSetValue,
        kDeleteValue,
        kDeleteKeyValues,
        kDeleteKey,
        kDeleteTreeValues,
        kDeleteTreeKeys,
        kDeleteChildValues,
        kDeleteChildKeys,
        kBeginRead,
        kEndRead,
        kDataVersion,
        kCount
    };

    enum class Intent { kRead, kWrite };

    // Keys of the roots, fixed in every file.
    static constexpr sqlite3_int64 kClassesRoot = 1;
    static constexpr sqlite3_int64 kCurrentUser = 2;
    static constexpr sqlite3_int64 kLocalMachine = 3;

    // The calling thread's connection for the current environment, ready for inIntent.
    // *outError: ERROR_SUCCESS; ERROR_FILE_NOT_FOUND when reading and there is no registry yet
    // (the result is then null); other numbers when the file can't be used.
    static RegistryDatabase* ForThread(Intent inIntent, LONG* outError);

    ~RegistryDatabase();
    RegistryDatabase(const RegistryDatabase&) = delete;
    RegistryDatabase& operator=(const RegistryDatabase&) = delete;

    const std::string& Path() const { return mPath; }
    sqlite3* Handle() const { return mDb; }
    // Null when the statement can't be prepared; *outError then says why.
    sqlite3_stmt* Prepare(Statement inStatement, LONG* outError);

    // One write: a transaction of its own, or a save point inside an open RegistryTransaction.
    LONG BeginWrite();
    LONG EndWrite(LONG inResult);  // commits on ERROR_SUCCESS, else undoes; returns the outcome

    // RegistryTransaction's steps; inDepth is the nesting level being opened or closed.
    LONG BeginTransaction(int* outDepth);
    LONG CommitTransaction(int inDepth);
    void RollbackTransaction(int inDepth);

    // What the file looks like through this connection now (see RegistryStamp).
    LONG ReadStamp(RegistryStamp* outStamp);

    // Windows error number for an SQLite result code.
    static LONG ErrorFromSqlite(int inCode);

private:
    RegistryDatabase(std::string inPath, sqlite3* inDb, dev_t inDevice, ino_t inInode, unsigned inGeneration);
    static LONG Open(const std::string& inPath, Intent inIntent, RegistryDatabase** outDb);
    static LONG OpenReadOnly(const std::string& inPath, RegistryDatabase** outDb);
    LONG EnsureSchema();
    LONG Execute(const char* inSql);

    std::string mPath;
    sqlite3* mDb;
    dev_t mDevice;
    ino_t mInode;
    unsigned mGeneration;   // fork generation the connection belongs to
    std::uint64_t mSerial;  // unique in the process: a stamp from another connection never matches
    // Writes begun or ended here: the data version does not count this connection's own commits,
    // nor a rollback of what a reader on this connection already saw.
    std::uint64_t mOwnWrites = 0;
    bool mHasSchema = false;
    bool mReadOnly = false;  // an immutable view of a file the caller can't write
    int mDepth = 0;          // open RegistryTransaction levels
    int mWriteDepth = 0;     // nesting of BeginWrite inside a transaction
    sqlite3_stmt* mStatements[static_cast<int>(Statement::kCount)] = {};
};
