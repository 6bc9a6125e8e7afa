// Result-code names, system texts for codes, and Windows-style error numbers.
#pragma once

#include <string>

#include "automation/Types.h"

// "E_FAIL", "DISP_E_TYPEMISMATCH", ...; empty when the code has no name here.
const char* AutomationCodeName(HRESULT inCode);

// The system's text for an HRESULT or a Windows error number, in our own
// wording, ending in "\r\n" like the classic message table; empty when none.
// Codes of the form 0x8007xxxx are looked up as Windows error xxxx.
std::string SystemMessageText(std::uint32_t inCode);

// Windows-style last error, per thread.
DWORD GetLastError();
void SetLastError(DWORD inError);

// errno → Windows error number (ENOENT→2, ENOTDIR→3, EACCES→5, ENOMEM→8,
// ENOSPC→112, EEXIST→183, ...). 0 → 0; unknown values → 31 (general failure).
DWORD Win32FromErrno(int inErrno);
// SetLastError(Win32FromErrno(errno)) and return that number.
DWORD SetLastErrorFromErrno();

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_INVALID_DRIVE = 15;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_BADDB = 1009;
constexpr DWORD ERROR_BADKEY = 1010;
constexpr DWORD ERROR_CANTOPEN = 1011;
constexpr DWORD ERROR_CANTREAD = 1012;
constexpr DWORD ERROR_CANTWRITE = 1013;
constexpr DWORD ERROR_KEY_DELETED = 1018;
