// The registry: keys and values under three roots, stored in one SQLite file.
//
// The file is the one named by VX_REGISTRY, else $XDG_DATA_HOME/vellumax/registry.db, else
// ~/.local/share/vellumax/registry.db; its folders are made on the first write. Names are UTF-8
// and compare without regard to ASCII letter case; "\" separates the parts of a subkey path
// (empty parts are skipped); the default value of a key has the empty (or null) name.
//
// Calls return Windows error numbers: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a missing key or
// value, ERROR_MORE_DATA for a buffer that is too small, ERROR_NO_MORE_ITEMS past the last subkey,
// ERROR_KEY_DELETED for a handle whose key was deleted, ERROR_BADDB for a file that is not a
// registry database, ERROR_INVALID_PARAMETER for bad arguments. A missing file reads as an empty
// registry. Every write is one transaction (other readers never see half of it); several
// processes may read and write at once. Each thread keeps its own warm connection, reopened when
// VX_REGISTRY names another file.
#pragma once

#include <cstdint>

#include "automation/Errors.h"
#include "automation/Types.h"

struct VxRegistryKey;
using HKEY = VxRegistryKey*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;  // accepted; stored like a non-volatile key
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Access rights are recorded for source compatibility, not enforced.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_BAD_PATHNAME = 161;

constexpr DWORD kRegistryMaxKeyNameLength = 255;      // one part of a key path, in bytes
constexpr DWORD kRegistryMaxValueNameLength = 16383;  // bytes
constexpr DWORD kRegistryMaxValueSize = 1u << 20;     // bytes of one value's data

// Opens inSubKey under inKey, making every missing part. *outDisposition (may be null) tells
// whether the last part was made. The parts are made in one transaction: on failure none exists.
LONG RegCreateKeyEx(HKEY inKey, const char* inSubKey, DWORD inReserved, const char* inClass, DWORD inOptions,
                    REGSAM inAccess, const void* inSecurity, HKEY* outKey, DWORD* outDisposition);
// A null or empty inSubKey opens another handle to inKey itself.
LONG RegOpenKeyEx(HKEY inKey, const char* inSubKey, DWORD inOptions, REGSAM inAccess, HKEY* outKey);
// Closing a root is allowed and does nothing.
LONG RegCloseKey(HKEY inKey);

// REG_SZ data is stored with one terminating NUL (added when inData lacks it); REG_DWORD data must
// be 4 bytes.
LONG RegSetValueEx(HKEY inKey, const char* inValueName, DWORD inReserved, DWORD inType, const BYTE* inData,
                   DWORD inSize);
// outType and outData may be null. With outData null, *ioSize receives the size the data needs.
// With a buffer smaller than the data, nothing is copied, the result is ERROR_MORE_DATA and
// *ioSize receives the size needed.
LONG RegQueryValueEx(HKEY inKey, const char* inValueName, DWORD* inReserved, DWORD* outType, BYTE* outData,
                     DWORD* ioSize);
LONG RegDeleteValue(HKEY inKey, const char* inValueName);

// Makes inSubKey (and its missing parents) and sets one of its values, in one transaction.
LONG RegSetKeyValue(HKEY inKey, const char* inSubKey, const char* inValueName, DWORD inType, const void* inData,
                    DWORD inSize);

// Deletes inSubKey and its values; ERROR_ACCESS_DENIED when it has subkeys (like the classic
// call), ERROR_INVALID_PARAMETER for a root.
LONG RegDeleteKey(HKEY inKey, const char* inSubKey);
// Deletes inSubKey with everything below it; a null or empty inSubKey deletes the values and
// subkeys of inKey but keeps inKey.
LONG RegDeleteTree(HKEY inKey, const char* inSubKey);

// The inIndex-th subkey in case-insensitive name order. *ioNameSize: in, the capacity of outName
// in bytes with room for the NUL; out, the length without the NUL (on ERROR_MORE_DATA, the length
// needed without the NUL). outClass, ioClassSize and outLastWriteTime may be null (classes are
// not kept; a given class buffer receives the empty string).
LONG RegEnumKeyEx(HKEY inKey, DWORD inIndex, char* outName, DWORD* ioNameSize, DWORD* inReserved, char* outClass,
                  DWORD* ioClassSize, void* outLastWriteTime);
// The inIndex-th value in case-insensitive name order, with the same size rules for the name and
// RegQueryValueEx's for the data.
LONG RegEnumValue(HKEY inKey, DWORD inIndex, char* outValueName, DWORD* ioValueNameSize, DWORD* inReserved,
                  DWORD* outType, BYTE* outData, DWORD* ioDataSize);

// The file the registry is stored in for the current environment. The text stays valid until the
// calling thread's next registry call.
const char* RegistryDatabasePath();

// Groups the writes of the calling thread into one transaction: they become visible together at
// Commit, and all are undone when the object dies uncommitted. Nestable (inner ones are save
// points of the outer). A write that fails inside is undone by itself, so the caller may go on or
// give up. While one is open, the thread keeps using the file it began on.
class RegistryTransaction {
public:
    RegistryTransaction();
    ~RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;

    // ERROR_SUCCESS when the transaction began; otherwise Commit fails with this number.
    LONG Status() const { return mStatus; }
    LONG Commit();

private:
    LONG mStatus;
    bool mOpen;
    int mDepth;
};
