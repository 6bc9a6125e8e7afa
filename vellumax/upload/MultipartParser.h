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
#include <limits>
#include <string>
#include <vector>

struct MultipartPart {
    std::string mName;                    // bytes as sent (usually UTF-8), shorter than kMultipartTextCapacity
    std::string mFilename;                // empty for plain fields
    std::string mType;                    // the Content-Type value, empty when none was sent
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

    // Where each part's opening boundary starts, then where the boundary
    // closing the last part starts: no entry for an empty body, else one more
    // than the parts. Four bytes a part, reserved once from the smallest part
    // the boundary allows, so that a body of tiny parts costs at most about
    // two thirds of its own size. inLength must be below 4 GiB. The search
    // stops at the part after inMaxParts, so a caller tells a body over its
    // limit by Count without paying for the rest of it.
    static std::vector<std::uint32_t> Locate(const std::uint8_t* inBody, std::size_t inLength,
                                             std::size_t inMaxParts = std::numeric_limits<std::uint32_t>::max());
    // The parts Locate's list stands for.
    static std::size_t Count(const std::vector<std::uint32_t>& inStarts)
    {
        return inStarts.empty() ? 0 : inStarts.size() - 1;
    }
    // The part whose opening boundary starts at inAt, one of Locate's entries
    // but the last; inFirst is Locate's first entry.
    static MultipartPart ReadPart(const std::uint8_t* inBody, std::size_t inLength, std::uint32_t inFirst,
                                  std::uint32_t inAt);
};
