// Outcome of a codec call: the classic result codes for the same conditions, so that the
// importer and exporter components can hand them on unchanged.
#pragma once

#include <cstdint>

namespace vx::codecs {

enum class Status : int32_t {
    kOk = 0,
    kTruncated = -39,                                  // the data ends before what its headers announce
    kParameter = -50,                                  // bad argument: image index out of range, bad row bytes, ...
    kTooLarge = -108,                                  // the picture would exceed the size limits, or memory ran out
    kCorrupt = -2001,                                  // headers unreadable: no image description can be made
    kNotThisFormat = -2003,                            // the bytes do not start like this format
    kDataInconsistent = -8969,                         // compressed data does not match its description
    kUnsupported = static_cast<int32_t>(0x80008002u),  // the codec has no such form or option
};

// Every failure is made here, so that one breakpoint sees them all.
[[nodiscard]] Status Fail(Status inStatus);

}  // namespace vx::codecs
