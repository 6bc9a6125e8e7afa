/* The fidelity of a GIF to the picture it was made from: the file decoded with
 * giflib, then PSNR over the red, green and blue samples against the drawn
 * pixels. Shared by the C and C++ comparison programs, so both are measured by
 * the same decoder. */
#ifndef VX_BENCH_GIF_PSNR_H
#define VX_BENCH_GIF_PSNR_H

#include <gif_lib.h>
#include <math.h>
#include <stddef.h>
#include <string.h>

typedef struct {
    const unsigned char* mBytes;
    size_t mLength;
    size_t mAt;
} GifPsnrInput;

static int GifPsnrRead(GifFileType* inFile, GifByteType* outBytes, int inWanted)
{
    GifPsnrInput* theInput = (GifPsnrInput*)inFile->UserData;
    size_t theCount = theInput->mLength - theInput->mAt;
    if (theCount > (size_t)inWanted)
        theCount = (size_t)inWanted;
    memcpy(outBytes, theInput->mBytes + theInput->mAt, theCount);
    theInput->mAt += theCount;
    return (int)theCount;
}

/* inPixel(inContext, x, y, rgb) gives the drawn colour. Returns the PSNR in dB,
 * 99 for an exact copy, or -1 when the file does not decode to the picture's size. */
static double GifPsnr(const unsigned char* inGif, size_t inLength, int inWidth, int inHeight,
                      void (*inPixel)(const void*, int, int, unsigned char*), const void* inContext)
{
    GifPsnrInput theInput = {inGif, inLength, 0};
    int theError = 0;
    GifFileType* theFile = DGifOpen(&theInput, GifPsnrRead, &theError);
    if (theFile == NULL)
        return -1;
    double thePsnr = -1;
    if (DGifSlurp(theFile) == GIF_OK && theFile->ImageCount > 0) {
        const SavedImage* theImage = &theFile->SavedImages[0];
        const ColorMapObject* theMap =
            theImage->ImageDesc.ColorMap != NULL ? theImage->ImageDesc.ColorMap : theFile->SColorMap;
        if (theMap != NULL && theImage->ImageDesc.Width == inWidth && theImage->ImageDesc.Height == inHeight) {
            double theSum = 0;
            for (int y = 0; y < inHeight; ++y)
                for (int x = 0; x < inWidth; ++x) {
                    const int theIndex = theImage->RasterBits[(size_t)y * (size_t)inWidth + (size_t)x];
                    const GifColorType theColor = theMap->Colors[theIndex < theMap->ColorCount ? theIndex : 0];
                    unsigned char theDrawn[3];
                    inPixel(inContext, x, y, theDrawn);
                    const double r = theDrawn[0] - theColor.Red, g = theDrawn[1] - theColor.Green,
                                 b = theDrawn[2] - theColor.Blue;
                    theSum += r * r + g * g + b * b;
                }
            const double theMean = theSum / (3.0 * inWidth * inHeight);
            thePsnr = theMean > 0 ? 10 * log10(255.0 * 255.0 / theMean) : 99.0;
        }
    }
    DGifCloseFile(theFile, &theError);
    return thePsnr;
}

#endif
