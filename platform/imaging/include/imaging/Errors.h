// Result codes of the imaging platform: the classic 16-bit numbers for the same conditions
// (0 = success), plus the two 32-bit component results.
#pragma once

#include "imaging/MacTypes.h"

constexpr OSErr openErr = -23;        // the file is open with a permission that does not allow the request
constexpr OSErr dskFulErr = -34;      // disk full, or the file grew beyond its size limit
constexpr OSErr ioErr = -36;          // input/output error
constexpr OSErr bdNamErr = -37;       // bad file name: empty, too long, or not representable
constexpr OSErr fnOpnErr = -38;       // file not open (unknown reference number)
constexpr OSErr eofErr = -39;         // end of file
constexpr OSErr tmfoErr = -42;        // too many files open
constexpr OSErr fnfErr = -43;         // file not found (a spec for it is still made, so it can be created)
constexpr OSErr wPrErr = -44;         // volume is write-protected (read-only file system)
constexpr OSErr fBsyErr = -47;        // file or folder busy: a folder that is not empty, or a file still open
constexpr OSErr dupFNErr = -48;       // a file of that name already exists
constexpr OSErr opWrErr = -49;        // the file is already open for writing
constexpr OSErr paramErr = -50;       // parameter error: null pointer, bad size, bad depth, unknown mode
constexpr OSErr rfNumErr = -51;       // bad reference number
constexpr OSErr permErr = -54;        // permission denied
constexpr OSErr wrPermErr = -61;      // write to a file opened read-only
constexpr OSErr memFullErr = -108;    // not enough memory (the object asked for is left as it was)
constexpr OSErr nilHandleErr = -109;  // a null handle, or a handle without a block
constexpr OSErr memAdrErr = -110;     // an address or handle that is not one of ours
constexpr OSErr dirNFErr = -120;      // folder not found
constexpr OSErr resNotFound = -192;   // resource not found
constexpr OSErr resFNotFound = -193;  // resource file not found
constexpr OSErr mapReadErr = -199;    // resource map unreadable
constexpr OSErr couldNotResolveDataRef = -2000;   // the data reference cannot be resolved
constexpr OSErr badImageDescription = -2001;      // image description unusable, or data not valid for an importer
constexpr OSErr cantFindHandler = -2003;          // no component handles the data
constexpr OSErr cantOpenHandler = -2004;          // a component was found but could not be opened
constexpr OSErr internalQuickTimeError = -2070;   // a component could not be opened for another reason
constexpr OSErr qtmlUninitialized = -2093;        // the platform was not started (or was stopped)
constexpr OSErr invalidComponentID = -3000;       // not a component identifier
constexpr OSErr gestaltUndefSelectorErr = -5551;  // Gestalt selector not known
constexpr OSErr noCodecErr = -8961;               // no decompressor for the image description's codec type
constexpr OSErr codecBadDataErr = -8969;          // image data too short or inconsistent with its description

constexpr ComponentResult badComponentInstance = ComponentResult(0x80008001u);  // not an open instance
constexpr ComponentResult badComponentSelector = ComponentResult(0x80008002u);  // call not implemented
