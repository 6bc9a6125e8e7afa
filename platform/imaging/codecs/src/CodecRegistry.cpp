#include "codecs/CodecRegistry.h"

#include "BmpCodec.h"
#include "GifCodec.h"
#include "JpegCodec.h"
#include "PngCodec.h"
#include "TiffCodec.h"
#include "WebpCodec.h"

namespace vx::codecs {

namespace {

const PngCodec kPng;
const JpegCodec kJpeg;
const GifCodec kGif;
const BmpCodec kBmp;
const TiffCodec kTiff;
const WebpCodec kWebp;

// Indexed by ImageFormat.
const Codec* const kCodecs[] = {&kPng, &kJpeg, &kGif, &kBmp, &kTiff, &kWebp};

}  // namespace

std::span<const Codec* const> CodecRegistry::All()
{
    return kCodecs;
}

const Codec& CodecRegistry::ForFormat(ImageFormat inFormat)
{
    return *kCodecs[static_cast<size_t>(inFormat)];
}

const Codec* CodecRegistry::ForBytes(Bytes inBytes)
{
    for (const Codec* theCodec : kCodecs) {
        if (theCodec->Sniff(inBytes)) {
            return theCodec;
        }
    }
    return nullptr;
}

}  // namespace vx::codecs
