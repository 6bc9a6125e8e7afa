// Compressing LZW for GIF image data: codes grow from the initial size + 1 up to
// 12 bits as the string table grows, and a clear code starts the table afresh
// when it is full. The result is the packed code bytes, not yet cut into
// sub-blocks.
#pragma once

#include <cstdint>
#include <vector>

class GifLzwEncoder {
public:
    // inInitialCodeSize: the LZW minimum code size of the file, 2 to 8.
    explicit GifLzwEncoder(std::uint32_t inInitialCodeSize);

    // Codes for the next pixels; strings continue from one call to the next,
    // so rows can be given one at a time. Values are taken modulo the clear
    // code, so a stray index can never read as a control code.
    void Add(const std::uint8_t* inPixels, std::int32_t inCount);
    // Sends the string in hand and the end code; the last byte is completed
    // with zero bits. No Add may follow.
    void Finish();

    const std::uint8_t* Data() const { return mBytes.data(); }
    std::int64_t Size() const { return mSize; }

private:
    void AddDense(const std::uint8_t* inPixels, std::int32_t inCount);
    void AddHashed(const std::uint8_t* inPixels, std::int32_t inCount);
    void Emit(std::uint32_t inCode);
    // Grows the output to hold inMore bytes beyond what is written, plus the
    // slack of the eight-byte stores.
    void Reserve(std::int64_t inMore);
    void ClearTable();
    // Counts one more table entry as the decoder does, widening the codes
    // when the entry's number no longer fits.
    void CountEntry();

    static constexpr std::uint32_t kMaxCodes = 4096;  // 12-bit codes
    static constexpr std::uint32_t kTableBits = 13;   // twice the codes: short probe runs
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    // Up to this many symbols the string table is a dense array: 4096 rows of
    // one code per symbol, cleared row by row as far as it was used.
    static constexpr std::uint32_t kDenseSymbols = 64;

    std::uint32_t mInitialCodeSize;
    std::uint32_t mClearCode;
    std::uint32_t mEndCode;
    std::uint32_t mPixelMask;
    std::uint32_t mNextCode;
    std::uint32_t mCodeWidth;
    // The string in hand as its code; kEmpty before the first pixel.
    std::uint32_t mPrefix = kEmpty;

    bool mDense;
    // Open addressing: each slot holds the string's key (prefix code × 256 +
    // pixel, 20 bits) and its code above it, or kEmpty.
    std::vector<std::uint32_t> mTable;
    // Dense: the code of string (prefix, pixel) at prefix × symbols + pixel, 0
    // for none (no string's code is 0).
    std::vector<std::uint16_t> mChildren;

    std::uint64_t mAccumulator = 0;
    std::uint32_t mBitsHeld = 0;
    std::vector<std::uint8_t> mBytes;
    std::int64_t mSize = 0;
};
