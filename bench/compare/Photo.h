/* A stand-in for a photograph, made of integers only so that C, C++ and
 * Python (scene.py) produce the same bytes: smooth brightness and colour
 * fields at three scales, like light and surfaces, and a fine grain, like a
 * sensor's. Far more than 256 colours, spread the way a photo's are. */
#ifndef VX_COMPARE_PHOTO_H
#define VX_COMPARE_PHOTO_H

static inline unsigned PhotoHash(unsigned inX, unsigned inY, unsigned inSalt)
{
    unsigned h = (inX * 73856093u) ^ (inY * 19349663u) ^ (inSalt * 83492791u);
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

/* Value noise: a lattice of random bytes every inCell pixels, blended bilinearly. */
static inline int PhotoField(int inX, int inY, int inCell, unsigned inSalt)
{
    const unsigned ix = (unsigned)(inX / inCell), iy = (unsigned)(inY / inCell);
    const int fx = inX % inCell, fy = inY % inCell;
    const int a = (int)(PhotoHash(ix, iy, inSalt) & 255u), b = (int)(PhotoHash(ix + 1, iy, inSalt) & 255u);
    const int c = (int)(PhotoHash(ix, iy + 1, inSalt) & 255u), d = (int)(PhotoHash(ix + 1, iy + 1, inSalt) & 255u);
    return (a * (inCell - fx) * (inCell - fy) + b * fx * (inCell - fy) + c * (inCell - fx) * fy + d * fx * fy) /
           (inCell * inCell);
}

static inline int PhotoClamp(int inValue)
{
    return inValue < 0 ? 0 : (inValue > 255 ? 255 : inValue);
}

/* outRgb receives red, green and blue of pixel (inX, inY), both 0 or more. */
static inline void PhotoPixel(int inX, int inY, unsigned char* outRgb)
{
    int theFields[3];
    for (unsigned c = 0; c < 3; ++c)
        theFields[c] = (4 * PhotoField(inX, inY, 160, c * 4) + 2 * PhotoField(inX, inY, 40, c * 4 + 1) +
                        PhotoField(inX, inY, 9, c * 4 + 2)) /
                       7;
    const int theGrain = (int)(PhotoHash((unsigned)inX, (unsigned)inY, 99u) % 13u) - 6;
    const int theLight = theFields[0] + theGrain, theWarm = theFields[1] - 128, theTint = theFields[2] - 128;
    outRgb[0] = (unsigned char)PhotoClamp(theLight + theWarm * 3 / 4);
    outRgb[1] = (unsigned char)PhotoClamp(theLight - theWarm / 4 + theTint / 2);
    outRgb[2] = (unsigned char)PhotoClamp(theLight - theWarm / 2 - theTint / 2);
}

#endif
