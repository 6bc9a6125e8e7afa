// BSTR: UTF-16 text with a 4-byte byte-length prefix, NUL-terminated, embedded
// NULs kept. A null BSTR is the empty string for every reader here.
#pragma once

#include <string>
#include <string_view>

#include "automation/Types.h"

BSTR SysAllocString(const OLECHAR* inText);                          // null in → null out
BSTR SysAllocStringLen(const OLECHAR* inText, UINT inLength);        // inText may be null: zero-filled
BSTR SysAllocStringByteLen(const char* inBytes, UINT inByteLength);  // bytes copied as they are
int SysReAllocString(BSTR* ioString, const OLECHAR* inText);
void SysFreeString(BSTR inString);
UINT SysStringLen(BSTR inString);      // characters, embedded NULs counted
UINT SysStringByteLen(BSTR inString);  // bytes

// UTF-8 ("ANSI" text on this platform) ↔ UTF-16. Invalid UTF-8 sequences become U+FFFD.
BSTR SysAllocStringUTF8(std::string_view inText);
std::u16string UTF16FromUTF8(std::string_view inText);
std::string UTF8FromUTF16(std::u16string_view inText);
std::string UTF8FromBSTR(BSTR inString);  // whole length, embedded NULs kept

// Compares two wide strings without regard to ASCII letter case.
bool EqualNoCase(std::u16string_view inA, std::u16string_view inB);
