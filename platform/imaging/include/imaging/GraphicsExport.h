// Graphics exporters (component type 'grex'): PNG, JPEG, BMP, TIFF and WebP, plus the base exporter
// (flag graphicsExporterIsBaseExporter) that implements nothing and is skipped by searches that
// mask that flag out.
//
// Input is a world of any depth; output goes to a handle (resized to exactly the file's bytes) or
// to a file, written through the file calls so that a failed export leaves an existing file as it
// was.
#pragma once

#include "imaging/Components.h"
#include "imaging/Files.h"
#include "imaging/ImageCompression.h"
#include "imaging/QuickDraw.h"

using GraphicsExportComponent = ComponentInstance;

constexpr OSType GraphicsExporterComponentType = FourCharCode("grex");
constexpr std::uint32_t graphicsExporterIsBaseExporter = 1;

constexpr std::int16_t kGraphicsExportDoExportSelect = 0x01;
constexpr std::int16_t kGraphicsExportGetDefaultFileNameExtensionSelect = 0x08;
constexpr std::int16_t kGraphicsExportGetMIMETypeListSelect = 0x09;
constexpr std::int16_t kGraphicsExportSetInterlaceStyleSelect = 0x11;
constexpr std::int16_t kGraphicsExportSetCompressionQualitySelect = 0x19;
constexpr std::int16_t kGraphicsExportSetDepthSelect = 0x1D;
constexpr std::int16_t kGraphicsExportSetInputGWorldSelect = 0x31;
constexpr std::int16_t kGraphicsExportSetOutputFileSelect = 0x40;
constexpr std::int16_t kGraphicsExportSetOutputHandleSelect = 0x42;

constexpr unsigned long kQTPhotoDefineInterlaceStyleNone = 0;
constexpr unsigned long kQTPhotoDefineInterlaceStyleOn = 1;  // PNG Adam7, progressive JPEG

// Writes the input world to the output. -50 without input or output; the codec's code otherwise.
ComponentResult GraphicsExportDoExport(GraphicsExportComponent inExporter, unsigned long* outActualSizeWritten);
// Four characters, e.g. 'png ', 'jpeg', 'tiff'.
ComponentResult GraphicsExportGetDefaultFileNameExtension(GraphicsExportComponent inExporter, OSType* outExtension);
// As GraphicsImportGetMIMETypeList.
ComponentResult GraphicsExportGetMIMETypeList(GraphicsExportComponent inExporter, void* outContainer);
// 0 none, 1 interlaced; unsupported by formats without interlacing, -50 for other values.
ComponentResult GraphicsExportSetInterlaceStyle(GraphicsExportComponent inExporter, unsigned long inStyle);
// 0 … 1024 (codecLosslessQuality), mapped onto the codec's own scale; -50 beyond. Unsupported by
// formats without a quality (BMP).
ComponentResult GraphicsExportSetCompressionQuality(GraphicsExportComponent inExporter, CodecQ inQuality);
// 1, 2, 4, 8, 16, 24, 32 (2 and 4 are written as 8); unsupported when the format cannot hold it,
// -50 for other values. 0 goes back to the world's own form.
ComponentResult GraphicsExportSetDepth(GraphicsExportComponent inExporter, long inDepth);
ComponentResult GraphicsExportSetInputGWorld(GraphicsExportComponent inExporter, GWorldPtr inWorld);
// The spec is copied; the file is created or replaced by DoExport.
ComponentResult GraphicsExportSetOutputFile(GraphicsExportComponent inExporter, const FSSpec* inFile);
// The handle is resized by DoExport to hold the output; it must stay alive until then.
ComponentResult GraphicsExportSetOutputHandle(GraphicsExportComponent inExporter, Handle inHandle);

constexpr CodecQ codecLosslessQuality = 0x400;
constexpr CodecQ codecMinQuality = 0;
