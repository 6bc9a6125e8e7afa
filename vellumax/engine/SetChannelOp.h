// "Set Channel:": one channel of every pixel of a 32-bit store replaced by the
// intensity of another canvas, scaled to the store's size and reduced to the
// default 8-bit colour table on the way.
#pragma once

#include <cstdint>

#include "imaging/MacTypes.h"
#include "vellumax/engine/Operation.h"
#include "vellumax/engine/SourceCanvas.h"

class SetChannelOp : public Operation {
public:
    SetChannelOp();

    void Do(Bitmap& inBitmap) override;

    // The canvas that supplies the intensities; an object that is not one
    // records E_NOINTERFACE as the COM error, which keeps Run from changing anything.
    virtual void SetSource(IDispatch* inSource);
    // A channel word ("red", "green", "blue", "alpha"); any other records
    // "Unable to understand channel.".
    virtual void SetChannelName(const char* inName);

private:
    // The scratch reduction of the source, the store made 32 bits deep, and
    // the channel replacement. Returns the platform's code; Windows errors go
    // to the drawing layer's last error.
    OSErr ReplaceChannel(Bitmap& inBitmap, HBITMAP inSource, std::int32_t inWidth, std::int32_t inHeight);
    // The replacement itself, from the reduced source in inScratch.
    OSErr ReplaceFromScratch(Bitmap& inBitmap, Bitmap& inScratch);

    std::int32_t mChannel = kRedChannel;
    SourceCanvas mSource;
};
