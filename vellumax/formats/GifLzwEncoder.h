// Compressing LZW for GIF image data: codes grow from the initial size + 1 up to
// 12 bits as the string table grows. The encoder looks at the whole picture
// before it writes: where a full table is better kept than cleared, and where
// a shorter string now gives a longer one next, are decided by trying them.
// The result is the packed code bytes, not yet cut into sub-blocks.
#pragma once

#include <cstdint>
#include <vector>

class GifLzwEncoder {
public:
    // inInitialCodeSize: the LZW minimum code size of the file, 2 to 8;
    // inPixelCount: how many pixels will be added, to hold them without copies.
    GifLzwEncoder(std::uint32_t inInitialCodeSize, std::int64_t inPixelCount);
    ~GifLzwEncoder();
    GifLzwEncoder(const GifLzwEncoder&) = delete;
    GifLzwEncoder& operator=(const GifLzwEncoder&) = delete;

    // The next pixels; rows can be given one at a time. Values are taken modulo
    // the clear code, so a stray index can never read as a control code.
    void Add(const std::uint8_t* inPixels, std::int32_t inCount);
    // Codes all the pixels given, ending with the end code; the last byte is
    // completed with zero bits. No Add may follow.
    void Finish();

    const std::uint8_t* Data() const { return mBytes.data(); }
    std::int64_t Size() const { return std::int64_t(mBytes.size()); }

private:
    std::uint32_t mInitialCodeSize;
    std::uint32_t mPixelMask;
    // The pixels given: the thread's reusable store when it is free, else mOwnPixels.
    std::vector<std::uint8_t>* mPixels;
    std::vector<std::uint8_t> mOwnPixels;
    std::vector<std::uint8_t> mBytes;
};
