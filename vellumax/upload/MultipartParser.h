// Splitting a multipart/form-data request body into its parts. The body is
// only read: each part's data is a range of it.
//
// The first "--" of the body starts the boundary line, which runs to the next
// CR LF and must be shorter than 256 bytes. Each part is the boundary, CR LF,
// header lines, an empty line and the data up to the next occurrence of the
// boundary (less the CR LF in front of it). Parsing stops at the first part
// that is not framed that way, so the closing boundary ("--" after it) and an
// unfinished last part end it; the parts before are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct MultipartPart {
    std::string mName;      // bytes as sent (usually UTF-8), shorter than kMultipartTextCapacity
    std::string mFilename;  // empty for plain fields
    std::string mType;      // the Content-Type value, empty when none was sent
    const std::uint8_t* mData = nullptr;  // within the body
    std::size_t mLength = 0;
};

// Header values of this length or more are dropped (left empty).
constexpr std::size_t kMultipartTextCapacity = 256;

class MultipartParser {
public:
    // The parts of inBody in order. An "application/x-macbinary" part holds its
    // data fork, or nothing when the header announces more than the part holds.
    static std::vector<MultipartPart> Parse(const std::uint8_t* inBody, std::size_t inLength);
};
