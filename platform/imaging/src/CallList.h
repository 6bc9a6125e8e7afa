// The calls of the imaging platform, listed once: the library's table and the client glue are both
// generated from this list, so they cannot disagree. Append only: the order is the table's layout.
//
// VX_CALL(result, name, (parameters), (arguments), result when not started)
// VX_VOID(name, (parameters), (arguments))
//
// Not listed: InitializeQTML and TerminateQTML, which the glue implements around the table's
// Start and Stop entries.

// Start and version
VX_CALL(OSErr, EnterMovies, (), (), qtmlUninitialized)
VX_VOID(ExitMovies, (), ())
VX_CALL(OSErr, Gestalt, (OSType inSelector, long* outResponse), (inSelector, outResponse), qtmlUninitialized)

// Memory
VX_CALL(Handle, NewHandle, (Size inSize), (inSize), nullptr)
VX_CALL(Handle, NewHandleClear, (Size inSize), (inSize), nullptr)
VX_VOID(DisposeHandle, (Handle inHandle), (inHandle))
VX_CALL(Size, GetHandleSize, (Handle inHandle), (inHandle), 0)
VX_VOID(SetHandleSize, (Handle inHandle, Size inSize), (inHandle, inSize))
VX_VOID(HLock, (Handle inHandle), (inHandle))
VX_VOID(HUnlock, (Handle inHandle), (inHandle))
VX_CALL(OSErr, MemError, (), (), qtmlUninitialized)

// Matrices
VX_VOID(SetIdentityMatrix, (MatrixRecord * outMatrix), (outMatrix))
VX_VOID(RotateMatrix, (MatrixRecord * ioMatrix, Fixed inDegrees, Fixed inAboutX, Fixed inAboutY),
        (ioMatrix, inDegrees, inAboutX, inAboutY))
VX_VOID(ScaleMatrix, (MatrixRecord * ioMatrix, Fixed inScaleX, Fixed inScaleY, Fixed inAboutX, Fixed inAboutY),
        (ioMatrix, inScaleX, inScaleY, inAboutX, inAboutY))
VX_VOID(SkewMatrix, (MatrixRecord * ioMatrix, Fixed inSkewX, Fixed inSkewY, Fixed inAboutX, Fixed inAboutY),
        (ioMatrix, inSkewX, inSkewY, inAboutX, inAboutY))
VX_VOID(TranslateMatrix, (MatrixRecord * ioMatrix, Fixed inDeltaH, Fixed inDeltaV), (ioMatrix, inDeltaH, inDeltaV))
VX_VOID(ConcatMatrix, (const MatrixRecord* inA, MatrixRecord* ioB), (inA, ioB))
VX_VOID(RectMatrix, (MatrixRecord * outMatrix, const Rect* inSource, const Rect* inDest), (outMatrix, inSource, inDest))
VX_CALL(OSErr, TransformPoints, (const MatrixRecord* inMatrix, Point* ioPoints, long inCount),
        (inMatrix, ioPoints, inCount), qtmlUninitialized)
VX_CALL(OSErr, TransformFixedPoints, (const MatrixRecord* inMatrix, FixedPoint* ioPoints, long inCount),
        (inMatrix, ioPoints, inCount), qtmlUninitialized)
VX_CALL(Boolean, TransformRect, (const MatrixRecord* inMatrix, Rect* ioRect, FixedPoint* outPoints),
        (inMatrix, ioRect, outPoints), kFalse)
VX_CALL(short, GetMatrixType, (const MatrixRecord* inMatrix), (inMatrix), identityMatrixType)

// Files
VX_CALL(OSErr, NativePathNameToFSSpec, (const char* inPath, FSSpec* outSpec, long inFlags), (inPath, outSpec, inFlags),
        qtmlUninitialized)
VX_CALL(OSErr, FSMakeFSSpec, (short inVRefNum, long inDirID, const unsigned char* inName, FSSpec* outSpec),
        (inVRefNum, inDirID, inName, outSpec), qtmlUninitialized)
VX_CALL(OSErr, FSpDelete, (const FSSpec* inSpec), (inSpec), qtmlUninitialized)
VX_CALL(OSErr, FSpCreate, (const FSSpec* inSpec, OSType inCreator, OSType inType, ScriptCode inScriptTag),
        (inSpec, inCreator, inType, inScriptTag), qtmlUninitialized)
VX_CALL(OSErr, FSpOpenDF, (const FSSpec* inSpec, char inPermission, short* outRefNum),
        (inSpec, inPermission, outRefNum), qtmlUninitialized)
VX_CALL(OSErr, FSWrite, (short inRefNum, long* ioCount, const void* inBuffer), (inRefNum, ioCount, inBuffer),
        qtmlUninitialized)
VX_CALL(OSErr, FSRead, (short inRefNum, long* ioCount, void* outBuffer), (inRefNum, ioCount, outBuffer),
        qtmlUninitialized)
VX_CALL(OSErr, FSClose, (short inRefNum), (inRefNum), qtmlUninitialized)

// Offscreen worlds and drawing state
VX_CALL(OSErr, NewGWorld,
        (GWorldPtr * outWorld, short inPixelDepth, const Rect* inBounds, CTabHandle inTable, GDHandle inDevice,
         GWorldFlags inFlags),
        (outWorld, inPixelDepth, inBounds, inTable, inDevice, inFlags), qtmlUninitialized)
VX_CALL(GWorldFlags, UpdateGWorld,
        (GWorldPtr * ioWorld, short inPixelDepth, const Rect* inBounds, CTabHandle inTable, GDHandle inDevice,
         GWorldFlags inFlags),
        (ioWorld, inPixelDepth, inBounds, inTable, inDevice, inFlags), gwFlagErr)
VX_VOID(DisposeGWorld, (GWorldPtr inWorld), (inWorld))
VX_CALL(PixMapHandle, GetGWorldPixMap, (GWorldPtr inWorld), (inWorld), nullptr)
VX_CALL(Boolean, LockPixels, (PixMapHandle inPixMap), (inPixMap), kFalse)
VX_VOID(UnlockPixels, (PixMapHandle inPixMap), (inPixMap))
VX_CALL(Ptr, GetPixBaseAddr, (PixMapHandle inPixMap), (inPixMap), nullptr)
VX_CALL(long, GetPixRowBytes, (PixMapHandle inPixMap), (inPixMap), 0)
VX_CALL(short, GetPixDepth, (PixMapHandle inPixMap), (inPixMap), 0)
VX_CALL(Rect*, GetPortBounds, (CGrafPtr inPort, Rect* outRect), (inPort, outRect), outRect)
VX_CALL(PixMapHandle, GetPortPixMap, (CGrafPtr inPort), (inPort), nullptr)
VX_CALL(const BitMap*, GetPortBitMapForCopyBits, (CGrafPtr inPort), (inPort), nullptr)
VX_CALL(CTabHandle, GetCTable, (short inDepth), (inDepth), nullptr)
VX_VOID(DisposeCTable, (CTabHandle inTable), (inTable))
VX_VOID(GetGWorld, (CGrafPtr * outPort, GDHandle* outDevice), (outPort, outDevice))
VX_VOID(SetGWorld, (CGrafPtr inPort, GDHandle inDevice), (inPort, inDevice))
VX_CALL(GDHandle, GetMainDevice, (), (), nullptr)
VX_VOID(RGBForeColor, (const RGBColor* inColor), (inColor))
VX_VOID(RGBBackColor, (const RGBColor* inColor), (inColor))
VX_VOID(GetForeColor, (RGBColor * outColor), (outColor))
VX_VOID(GetBackColor, (RGBColor * outColor), (outColor))
VX_VOID(OpColor, (const RGBColor* inColor), (inColor))
VX_VOID(GetPenState, (PenState * outState), (outState))
VX_VOID(SetPenState, (const PenState* inState), (inState))
VX_VOID(PaintRect, (const Rect* inRect), (inRect))
VX_VOID(EraseRect, (const Rect* inRect), (inRect))
VX_VOID(CopyBits,
        (const BitMap* inSource, const BitMap* inDest, const Rect* inSourceRect, const Rect* inDestRect, short inMode,
         RgnHandle inMask),
        (inSource, inDest, inSourceRect, inDestRect, inMode, inMask))
VX_CALL(OSErr, QDError, (), (), qtmlUninitialized)

// Regions
VX_CALL(RgnHandle, NewRgn, (), (), nullptr)
VX_VOID(DisposeRgn, (RgnHandle inRegion), (inRegion))
VX_VOID(SetEmptyRgn, (RgnHandle ioRegion), (ioRegion))
VX_VOID(RectRgn, (RgnHandle ioRegion, const Rect* inRect), (ioRegion, inRect))
VX_VOID(SetRectRgn, (RgnHandle ioRegion, short inLeft, short inTop, short inRight, short inBottom),
        (ioRegion, inLeft, inTop, inRight, inBottom))
VX_VOID(UnionRgn, (RgnHandle inA, RgnHandle inB, RgnHandle ioDest), (inA, inB, ioDest))
VX_CALL(Boolean, EmptyRgn, (RgnHandle inRegion), (inRegion), kTrue)
VX_CALL(Boolean, PtInRgn, (Point inPoint, RgnHandle inRegion), (inPoint, inRegion), kFalse)

// Image descriptions and decompression
VX_CALL(OSErr, AddImageDescriptionExtension, (ImageDescriptionHandle ioDesc, Handle inExtension, OSType inType),
        (ioDesc, inExtension, inType), qtmlUninitialized)
VX_CALL(OSErr, SetImageDescriptionCTable, (ImageDescriptionHandle ioDesc, CTabHandle inTable), (ioDesc, inTable),
        qtmlUninitialized)
VX_CALL(OSErr, GetImageDescriptionCTable, (ImageDescriptionHandle inDesc, CTabHandle* outTable), (inDesc, outTable),
        qtmlUninitialized)
VX_CALL(OSErr, DecompressImage,
        (Ptr inData, ImageDescriptionHandle inDesc, PixMapHandle inDest, const Rect* inSourceRect,
         const Rect* inDestRect, short inMode, RgnHandle inMask),
        (inData, inDesc, inDest, inSourceRect, inDestRect, inMode, inMask), qtmlUninitialized)
VX_CALL(OSErr, FDecompressImage,
        (Ptr inData, ImageDescriptionHandle inDesc, PixMapHandle inDest, const Rect* inSourceRect,
         const MatrixRecord* inMatrix, short inMode, RgnHandle inMask, PixMapHandle inMatte, const Rect* inMatteRect,
         long inAccuracy, long inCodec, long inDataSize, void* inDataProc, void* inProgressProc),
        (inData, inDesc, inDest, inSourceRect, inMatrix, inMode, inMask, inMatte, inMatteRect, inAccuracy, inCodec,
         inDataSize, inDataProc, inProgressProc),
        qtmlUninitialized)

// Pixel formats
VX_CALL(short, QTGetPixelSize, (OSType inPixelFormat), (inPixelFormat), 0)

// Components
VX_CALL(Component, FindNextComponent, (Component inAfter, ComponentDescription* inLooking), (inAfter, inLooking),
        nullptr)
VX_CALL(long, CountComponents, (ComponentDescription * inLooking), (inLooking), 0)
VX_CALL(OSErr, GetComponentInfo,
        (Component inComponent, ComponentDescription* outDesc, Handle outName, Handle outInfo, Handle outIcon),
        (inComponent, outDesc, outName, outInfo, outIcon), qtmlUninitialized)
VX_CALL(ComponentInstance, OpenComponent, (Component inComponent), (inComponent), nullptr)
VX_CALL(OSErr, OpenAComponent, (Component inComponent, ComponentInstance* outInstance), (inComponent, outInstance),
        qtmlUninitialized)
VX_CALL(OSErr, CloseComponent, (ComponentInstance inInstance), (inInstance), qtmlUninitialized)
VX_CALL(OSErr, GetComponentInstanceError, (ComponentInstance inInstance), (inInstance), qtmlUninitialized)
VX_CALL(OSErr, GetMoviesError, (), (), qtmlUninitialized)
VX_CALL(Component, RegisterComponent,
        (ComponentDescription * inDesc, ComponentRoutineProcPtr inRoutine, short inGlobal, Handle inName, Handle inInfo,
         Handle inIcon),
        (inDesc, inRoutine, inGlobal, inName, inInfo, inIcon), nullptr)
VX_CALL(OSErr, UnregisterComponent, (Component inComponent), (inComponent), qtmlUninitialized)

// Atom containers
VX_CALL(OSErr, QTNewAtomContainer, (QTAtomContainer * outContainer), (outContainer), qtmlUninitialized)
VX_CALL(OSErr, QTDisposeAtomContainer, (QTAtomContainer inContainer), (inContainer), qtmlUninitialized)
VX_CALL(OSErr, QTInsertChild,
        (QTAtomContainer ioContainer, QTAtom inParent, QTAtomType inType, QTAtomID inID, short inIndex, long inDataSize,
         const void* inData, QTAtom* outAtom),
        (ioContainer, inParent, inType, inID, inIndex, inDataSize, inData, outAtom), qtmlUninitialized)
VX_CALL(OSErr, QTNextChildAnyType, (QTAtomContainer inContainer, QTAtom inParent, QTAtom inCurrent, QTAtom* outNext),
        (inContainer, inParent, inCurrent, outNext), qtmlUninitialized)
VX_CALL(OSErr, QTGetAtomTypeAndID, (QTAtomContainer inContainer, QTAtom inAtom, QTAtomType* outType, QTAtomID* outID),
        (inContainer, inAtom, outType, outID), qtmlUninitialized)
VX_CALL(OSErr, QTCopyAtomDataToPtr,
        (QTAtomContainer inContainer, QTAtom inAtom, Boolean inSizeOrLessOK, long inSize, void* inBuffer,
         long* outActualSize),
        (inContainer, inAtom, inSizeOrLessOK, inSize, inBuffer, outActualSize), qtmlUninitialized)
VX_CALL(short, QTCountChildrenOfType, (QTAtomContainer inContainer, QTAtom inParent, QTAtomType inType),
        (inContainer, inParent, inType), 0)

// Graphics importers
VX_CALL(ComponentResult, GraphicsImportSetDataHandle, (GraphicsImportComponent inImporter, Handle inData),
        (inImporter, inData), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportGetImageDescription,
        (GraphicsImportComponent inImporter, ImageDescriptionHandle* outDesc), (inImporter, outDesc), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportSetSourceRect, (GraphicsImportComponent inImporter, const Rect* inSourceRect),
        (inImporter, inSourceRect), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportGetNaturalBounds, (GraphicsImportComponent inImporter, Rect* outBounds),
        (inImporter, outBounds), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportDraw, (GraphicsImportComponent inImporter), (inImporter), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportSetGWorld,
        (GraphicsImportComponent inImporter, CGrafPtr inPort, GDHandle inDevice), (inImporter, inPort, inDevice),
        qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportSetMatrix, (GraphicsImportComponent inImporter, const MatrixRecord* inMatrix),
        (inImporter, inMatrix), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportSetGraphicsMode,
        (GraphicsImportComponent inImporter, long inMode, const RGBColor* inOpColor), (inImporter, inMode, inOpColor),
        qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportValidate, (GraphicsImportComponent inImporter, Boolean* outValid),
        (inImporter, outValid), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportGetMIMETypeList, (GraphicsImportComponent inImporter, void* outContainer),
        (inImporter, outContainer), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportGetImageCount, (GraphicsImportComponent inImporter, unsigned long* outCount),
        (inImporter, outCount), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportSetImageIndex, (GraphicsImportComponent inImporter, unsigned long inIndex),
        (inImporter, inIndex), qtmlUninitialized)
VX_CALL(OSErr, GetGraphicsImporterForFile, (const FSSpec* inFile, ComponentInstance* outImporter),
        (inFile, outImporter), qtmlUninitialized)

// Graphics exporters
VX_CALL(ComponentResult, GraphicsExportDoExport,
        (GraphicsExportComponent inExporter, unsigned long* outActualSizeWritten), (inExporter, outActualSizeWritten),
        qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportGetDefaultFileNameExtension,
        (GraphicsExportComponent inExporter, OSType* outExtension), (inExporter, outExtension), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportGetMIMETypeList, (GraphicsExportComponent inExporter, void* outContainer),
        (inExporter, outContainer), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportSetInterlaceStyle, (GraphicsExportComponent inExporter, unsigned long inStyle),
        (inExporter, inStyle), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportSetCompressionQuality, (GraphicsExportComponent inExporter, CodecQ inQuality),
        (inExporter, inQuality), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportSetDepth, (GraphicsExportComponent inExporter, long inDepth),
        (inExporter, inDepth), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportSetInputGWorld, (GraphicsExportComponent inExporter, GWorldPtr inWorld),
        (inExporter, inWorld), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportSetOutputFile, (GraphicsExportComponent inExporter, const FSSpec* inFile),
        (inExporter, inFile), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsExportSetOutputHandle, (GraphicsExportComponent inExporter, Handle inHandle),
        (inExporter, inHandle), qtmlUninitialized)

// Codec name list
VX_CALL(OSErr, GetCodecNameList, (CodecNameSpecListPtr * outList, short inShowAll), (outList, inShowAll),
        qtmlUninitialized)
VX_CALL(OSErr, DisposeCodecNameList, (CodecNameSpecListPtr inList), (inList), qtmlUninitialized)

// Files, added later
VX_CALL(int, FSLastSystemError, (), (), 0)
VX_CALL(OSErr, FSpReplaceContents, (const FSSpec* inSpec, const void* inBytes, long inCount),
        (inSpec, inBytes, inCount), qtmlUninitialized)

// Importers, added later
VX_CALL(ComponentResult, GraphicsImportGetNaturalSize,
        (GraphicsImportComponent inImporter, unsigned long* outWidth, unsigned long* outHeight),
        (inImporter, outWidth, outHeight), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportSetDrawOptions, (GraphicsImportComponent inImporter, unsigned long inOptions),
        (inImporter, inOptions), qtmlUninitialized)
VX_CALL(ComponentResult, GraphicsImportGetOrientation, (GraphicsImportComponent inImporter, long* outOrientation),
        (inImporter, outOrientation), qtmlUninitialized)
