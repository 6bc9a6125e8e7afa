// "Save As:" and "Get As:": writes the canvas as a GIF with the server's own
// writer, or through a graphics exporter chosen by type, file path or "BMP",
// to a file or to bytes kept by the operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "imaging/MacTypes.h"
#include "vellumax/engine/Operation.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/formats/Writegif.h"

class ExportOperation : public Operation {
public:
    // inName: "Save As:" or "Get As:".
    explicit ExportOperation(const char* inName);
    ~ExportOperation() override;

    // The format dispatch: "gif", "gif image" or "image/gif" as type, a type
    // ending in ".gif", or a file whose own name has the extension gif, give
    // the GIF writer; anything else an exporter.
    void Do(Bitmap& inBitmap) override;

    // The output goes to inPath (a blank path is an error that stops Run).
    virtual void SetFile(const char* inPath);
    // As the parameter string's type keyword; a later parameter string wins.
    virtual void SetType(const char* inType);
    virtual void ExportWithQuickTime(Bitmap& inBitmap);
    virtual void ExportGif(Bitmap& inBitmap);
    // The bytes made when not writing a file (null when none); valid while
    // the operation lives.
    virtual const std::uint8_t* GetDataPointer();
    virtual std::int32_t GetDataSize();

    // Where the bytes made when not writing a file may go instead of the
    // operation's own buffer, when their length is known before encoding (a
    // GIF of literal codes and the fixed table): a buffer of that length, or
    // null to refuse. Saves the copy a caller would make of a large picture.
    using OutputPlace = std::function<std::uint8_t*(std::size_t inLength)>;
    void SetOutputPlace(OutputPlace inPlace) { mOutputPlace = std::move(inPlace); }
    // True when the bytes went to the output place rather than GetDataPointer.
    bool WroteToOutputPlace() const { return mWroteToPlace; }

    bool WritesFile() const { return mToFile != 0; }
    const std::string& GetFilePath() const { return mFilePath; }

private:
    // Fill the GIF buffer: the canvas mapped onto the fixed 8-bit table, or
    // onto a table made from its own colours (palette=adaptive).
    OSErr EncodeFixedGif(Bitmap& inBitmap);
    OSErr EncodeAdaptiveGif(Bitmap& inBitmap);
    GifCodes Codes() const;

    std::int32_t mToFile = 0;
    std::string mFilePath;
    HandleRef mData;
    GifBytes mGif;
    std::int32_t mGifLength = 0;
    OutputPlace mOutputPlace;
    bool mWroteToPlace = false;
};
