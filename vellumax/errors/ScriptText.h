// The one way every member takes text from a script: the standard coercion to
// text, references followed. A text that holds a NUL is refused whole: every
// reader, path and name behind a member ends at the first NUL, so the rest
// would be dropped silently and the call would do something else than asked.
#pragma once

#include <string>

#include <automation/Types.h>

// Throws ComError with the coercion's code (bare) when the value has no text,
// and ComError(E_INVALIDARG, described) when the text holds a NUL.
std::u16string ScriptText(const VARIANT& inValue);
// The same as UTF-8.
std::string ScriptTextUtf8(const VARIANT& inValue);
// Holds a value that is text (references followed) to the same rule before it
// is read as something else, a number for one; other values pass.
void CheckScriptText(const VARIANT& inValue);
