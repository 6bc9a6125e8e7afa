// "Draw File:" and "Draw Data:": a picture read by a graphics importer, from a
// file or from bytes in memory, drawn onto the store through the record's
// destination, source rectangle, matrix and transfer mode.
#pragma once

#include <cstdint>

#include "imaging/Components.h"
#include "imaging/Files.h"
#include "imaging/MacTypes.h"
#include "vellumax/engine/Operation.h"
#include "vellumax/formats/QTUtils.h"

class DrawFileOp : public Operation {
public:
    // inName: "Draw File:" or "Draw Data:".
    explicit DrawFileOp(const char* inName);
    ~DrawFileOp() override;

    void Do(Bitmap& inBitmap) override;

    // The picture file; a path that names no file records its error (-43),
    // which keeps Run from drawing.
    virtual void SetFile(const char* inPath);
    // The picture bytes; the operation owns the handle from here on and
    // disposes of any handle it held before.
    virtual void SetData(Handle inData);
    // The picture format's name, extension or MIME type for the importer search.
    virtual void SetType(const char* inType);

    // "N bytes, 0x… 0x… ..." with the first two 32-bit words in machine order,
    // or "N bytes" below 8 bytes. outText holds kTextCapacity characters.
    static void DescribeData(Handle inData, char* outText);

private:
    void ExplainUnreadableFile(OSErr inError);
    OSErr DrawPicture(Bitmap& inBitmap, ComponentInstance inImporter);
    // The upright and resample keywords, as the importer's drawing options.
    ComponentResult SetDrawOptions(ComponentInstance inImporter) const;
    // Refuses, with its message, a picture with a side no store holds or more
    // pixels than inBitmap's limit.
    OSErr CheckPictureSize(const Bitmap& inBitmap, ComponentInstance inImporter);

    FSSpec mFile{};
    HandleRef mData;
};
