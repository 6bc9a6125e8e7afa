// UTF-8 measured and repaired without a detour through UTF-16. Both answer exactly what the
// conversions in Strings.h would give, invalid sequences (each one U+FFFD) included.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF16FromUTF8(inText).size(), without making the text.
std::size_t UTF16LengthOfUTF8(std::string_view inText);
// UTF8FromUTF16(UTF16FromUTF8(inText)): inText itself when it is well formed.
std::string WellFormedUTF8(std::string_view inText);
