// Graphics importers (component type 'grip'): PNG, JPEG, GIF (every frame an image), BMP, TIFF
// (every directory an image) and WebP. Each declares a MIME type list (flag kHasMIMETypeList).
//
// An importer keeps a copy of the bytes it is given. Drawing decodes the chosen image and draws it
// through FDecompressImage into the chosen world (else the current port) with the source rectangle
// (image coordinates; default the natural bounds), the matrix (image to world coordinates; default
// identity), the graphics mode and its operation colour (default srcCopy, black).
#pragma once

#include "imaging/Components.h"
#include "imaging/Files.h"
#include "imaging/ImageCompression.h"
#include "imaging/QuickDraw.h"

using GraphicsImportComponent = ComponentInstance;

constexpr OSType GraphicsImporterComponentType = FourCharCode("grip");
constexpr std::uint32_t kHasMIMETypeList = 0x4000;  // the component answers GetMIMETypeList

// Selectors, for components made with RegisterComponent.
constexpr std::int16_t kGraphicsImportSetDataHandleSelect = 0x05;
constexpr std::int16_t kGraphicsImportGetImageDescriptionSelect = 0x07;
constexpr std::int16_t kGraphicsImportSetSourceRectSelect = 0x0C;
constexpr std::int16_t kGraphicsImportGetNaturalBoundsSelect = 0x0E;
constexpr std::int16_t kGraphicsImportDrawSelect = 0x0F;
constexpr std::int16_t kGraphicsImportSetGWorldSelect = 0x10;
constexpr std::int16_t kGraphicsImportSetMatrixSelect = 0x12;
constexpr std::int16_t kGraphicsImportSetGraphicsModeSelect = 0x17;
constexpr std::int16_t kGraphicsImportValidateSelect = 0x1F;
constexpr std::int16_t kGraphicsImportGetMIMETypeListSelect = 0x21;
constexpr std::int16_t kGraphicsImportGetImageCountSelect = 0x2B;
constexpr std::int16_t kGraphicsImportSetImageIndexSelect = 0x2C;
// This platform's own call, numbered apart from the classic ones.
constexpr std::int16_t kGraphicsImportGetNaturalSizeSelect = 0x0400;
constexpr std::int16_t kGraphicsImportSetDrawOptionsSelect = 0x0401;
constexpr std::int16_t kGraphicsImportGetOrientationSelect = 0x0402;

// Drawing options (GraphicsImportSetDrawOptions), 0 by default.
// Upright: the natural bounds, the natural size, the source rectangle and the
// matrix are those of the picture turned as its EXIF orientation says, and it
// is drawn so.
constexpr unsigned long kGraphicsImportUpright = 0x1;
// Lanczos: a picture the matrix only shrinks (and moves) is reduced with a
// Lanczos-3 filter, from a smaller decode that keeps at least twice the
// pixels drawn, instead of averaging areas.
constexpr unsigned long kGraphicsImportLanczos = 0x2;

// -50 for a null handle; a handle that does not hold this format is taken and fails later.
ComponentResult GraphicsImportSetDataHandle(GraphicsImportComponent inImporter, Handle inData);
// A new description of the current image: cType the format's type, width and height,
// depth as the file holds it, resolution from the file (72 when absent), name the format's name
// ("PNG", "JPEG", "GIF", "BMP", "TIFF", "WebP"). The caller disposes of it.
ComponentResult GraphicsImportGetImageDescription(GraphicsImportComponent inImporter, ImageDescriptionHandle* outDesc);
ComponentResult GraphicsImportSetSourceRect(GraphicsImportComponent inImporter, const Rect* inSourceRect);
// (0, 0, width, height) of the current image; -108 when a side does not fit a Rect.
ComponentResult GraphicsImportGetNaturalBounds(GraphicsImportComponent inImporter, Rect* outBounds);
ComponentResult GraphicsImportDraw(GraphicsImportComponent inImporter);
ComponentResult GraphicsImportSetGWorld(GraphicsImportComponent inImporter, CGrafPtr inPort, GDHandle inDevice);
ComponentResult GraphicsImportSetMatrix(GraphicsImportComponent inImporter, const MatrixRecord* inMatrix);
ComponentResult GraphicsImportSetGraphicsMode(GraphicsImportComponent inImporter, long inMode,
                                              const RGBColor* inOpColor);
// *outValid: whether the data is this format with readable headers.
ComponentResult GraphicsImportValidate(GraphicsImportComponent inImporter, Boolean* outValid);
// *outContainer (a QTAtomContainer*) receives a new container: one 'ext ' atom (the extensions,
// comma-separated), one 'mime' atom per MIME type, one 'desc' atom. The caller disposes of it.
ComponentResult GraphicsImportGetMIMETypeList(GraphicsImportComponent inImporter, void* outContainer);
ComponentResult GraphicsImportGetImageCount(GraphicsImportComponent inImporter, unsigned long* outCount);
// 1-based; 0 or beyond the count: -50 and the index stays.
ComponentResult GraphicsImportSetImageIndex(GraphicsImportComponent inImporter, unsigned long inIndex);
// Width and height of the current image as the file declares them, also when a side does not
// fit a Rect, so that a caller can say why such a picture is refused.
ComponentResult GraphicsImportGetNaturalSize(GraphicsImportComponent inImporter, unsigned long* outWidth,
                                             unsigned long* outHeight);

// This platform's own calls: options above (-50 for unknown bits); the EXIF
// orientation of the current image, 1 to 8 (1 when the file records none).
ComponentResult GraphicsImportSetDrawOptions(GraphicsImportComponent inImporter, unsigned long inOptions);
ComponentResult GraphicsImportGetOrientation(GraphicsImportComponent inImporter, long* outOrientation);

// The importer for a file: by content, else by the file name's extension. -43 for a missing file,
// -2003 when no importer fits.
OSErr GetGraphicsImporterForFile(const FSSpec* inFile, ComponentInstance* outImporter);
