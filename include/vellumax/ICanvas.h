// ICanvas: the drawing surface of page scripts. Properties read as VARIANTs
// (VT_I4 for sizes and MaxPixels, VT_BSTR for the text forms, VT_BOOL for Dither and UseColorAlpha) and are
// written as VARIANTs, but for Pattern, which holds another canvas. Drawing,
// reading and saving methods take their arguments as VARIANT* and return the
// result rectangle, a measure or the picture's bytes through their outs.
// Every member returns S_OK, E_POINTER for a missing argument, or E_FAIL with
// error information describing the failure.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

enum CanvasDispId : DISPID {
    kCanvasDepth = 1,
    kCanvasWidth = 2,
    kCanvasHeight = 3,
    kCanvasColor = 4,
    kCanvasPaintColor = 5,
    kCanvasPenColor = 6,
    kCanvasTextColor = 7,
    kCanvasPenSize = 8,
    kCanvasTextFont = 9,
    kCanvasTextSize = 10,
    kCanvasTextStyle = 11,
    kCanvasHAlign = 12,
    kCanvasVAlign = 13,
    kCanvasDither = 14,
    kCanvasPattern = 15,
    kCanvasSetChannel = 16,
    kCanvasErase = 17,
    kCanvasInvert = 18,
    kCanvasClear = 19,
    kCanvasDrawFile = 20,
    kCanvasDrawData = 21,
    kCanvasDrawShape = 22,
    kCanvasDrawText = 23,
    kCanvasDrawCanvas = 24,
    kCanvasGetColor = 25,
    kCanvasTextArea = 26,
    kCanvasTextLength = 27,
    kCanvasSaveAs = 28,
    kCanvasGetAs = 29,
    kCanvasHBITMAP = 30,
    kCanvasUseColorAlpha = 31,
    kCanvasMaxPixels = 32,
};

inline constexpr const char* kCanvasHelp = "An object that you can draw and paint onto";

struct CanvasMemberInfo {
    DISPID mId;
    const char* mName;
    const char* mHelp;
};

// Every member by DISPID: kCanvasMembers[id - 1] describes DISPID id.
inline constexpr CanvasMemberInfo kCanvasMembers[] = {
    {kCanvasDepth, "Depth", "The color depth: 2, 16, 256, thousands or millions"},
    {kCanvasWidth, "Width", "The width in pixels"},
    {kCanvasHeight, "Height", "The height in pixels"},
    {kCanvasColor, "Color", "The color of new and erased pixels"},
    {kCanvasPaintColor, "PaintColor", "The default color shapes are filled with"},
    {kCanvasPenColor, "PenColor", "The default color shapes are outlined with"},
    {kCanvasTextColor, "TextColor", "The default color of text"},
    {kCanvasPenSize, "PenSize", "The default pen width in pixels"},
    {kCanvasTextFont, "TextFont", "The default font, from a list of font names"},
    {kCanvasTextSize, "TextSize", "The default text size in points"},
    {kCanvasTextStyle, "TextStyle", "The default text style words"},
    {kCanvasHAlign, "HAlign", "The default horizontal alignment: left, middle or right"},
    {kCanvasVAlign, "VAlign", "The default vertical alignment: top, middle or bottom"},
    {kCanvasDither, "Dither", "Whether colors are dithered when the depth changes and pictures are drawn"},
    {kCanvasPattern, "Pattern", "The canvas painted where a color is the word pattern"},
    {kCanvasSetChannel, "SetChannel", "Copies a channel of another canvas into this one"},
    {kCanvasErase, "Erase", "Paints every pixel with the canvas color"},
    {kCanvasInvert, "Invert", "Inverts every pixel"},
    {kCanvasClear, "Clear", "Releases the pixels"},
    {kCanvasDrawFile, "DrawFile", "Draws a picture file"},
    {kCanvasDrawData, "DrawData", "Draws a picture held in bytes"},
    {kCanvasDrawShape, "DrawShape", "Draws a shape"},
    {kCanvasDrawText, "DrawText", "Draws text"},
    {kCanvasDrawCanvas, "DrawCanvas", "Draws another canvas"},
    {kCanvasGetColor, "GetColor", "The color of one pixel"},
    {kCanvasTextArea, "TextArea", "Measures text without drawing it"},
    {kCanvasTextLength, "TextLength", "The number of characters of a text that fit"},
    {kCanvasSaveAs, "SaveAs", "Saves the picture to a file"},
    {kCanvasGetAs, "GetAs", "The picture as the bytes of a file format"},
    {kCanvasHBITMAP, "HBITMAP", "The bitmap handle of the pixels, 0 without pixels"},
    {kCanvasUseColorAlpha, "UseColorAlpha",
     "Whether new and erased pixels take the alpha of Color; else they are opaque"},
    {kCanvasMaxPixels, "MaxPixels",
     "The most pixels this canvas or a picture drawn onto it may have; 0 returns to the MaxPixels setting"},
};

struct ICanvas : IDispatch {
    virtual HRESULT get_Depth(VARIANT* outValue) = 0;
    virtual HRESULT put_Depth(VARIANT inValue) = 0;
    virtual HRESULT get_Width(VARIANT* outValue) = 0;
    virtual HRESULT put_Width(VARIANT inValue) = 0;
    virtual HRESULT get_Height(VARIANT* outValue) = 0;
    virtual HRESULT put_Height(VARIANT inValue) = 0;
    virtual HRESULT get_Color(VARIANT* outValue) = 0;
    virtual HRESULT put_Color(VARIANT inValue) = 0;
    virtual HRESULT get_PaintColor(VARIANT* outValue) = 0;
    virtual HRESULT put_PaintColor(VARIANT inValue) = 0;
    virtual HRESULT get_PenColor(VARIANT* outValue) = 0;
    virtual HRESULT put_PenColor(VARIANT inValue) = 0;
    virtual HRESULT get_TextColor(VARIANT* outValue) = 0;
    virtual HRESULT put_TextColor(VARIANT inValue) = 0;
    virtual HRESULT get_PenSize(VARIANT* outValue) = 0;
    virtual HRESULT put_PenSize(VARIANT inValue) = 0;
    virtual HRESULT get_TextFont(VARIANT* outValue) = 0;
    virtual HRESULT put_TextFont(VARIANT inValue) = 0;
    virtual HRESULT get_TextSize(VARIANT* outValue) = 0;
    virtual HRESULT put_TextSize(VARIANT inValue) = 0;
    virtual HRESULT get_TextStyle(VARIANT* outValue) = 0;
    virtual HRESULT put_TextStyle(VARIANT inValue) = 0;
    virtual HRESULT get_HAlign(VARIANT* outValue) = 0;
    virtual HRESULT put_HAlign(VARIANT inValue) = 0;
    virtual HRESULT get_VAlign(VARIANT* outValue) = 0;
    virtual HRESULT put_VAlign(VARIANT inValue) = 0;
    virtual HRESULT get_Dither(VARIANT* outValue) = 0;
    virtual HRESULT put_Dither(VARIANT inValue) = 0;
    // The pattern canvas with a reference for the caller, or null.
    virtual HRESULT get_Pattern(IDispatch** outValue) = 0;
    // An object that is not a canvas empties the pattern.
    virtual HRESULT put_Pattern(IDispatch* inValue) = 0;
    virtual HRESULT SetChannel(VARIANT inChannel, IDispatch* newVal) = 0;
    virtual HRESULT Erase() = 0;
    virtual HRESULT Invert() = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT DrawFile(VARIANT* inSrc, VARIANT* inParams, VARIANT* outRect) = 0;
    virtual HRESULT DrawData(VARIANT* inSrc, VARIANT* inType, VARIANT* inParams, VARIANT* outRect) = 0;
    virtual HRESULT DrawShape(VARIANT* inShape, VARIANT* inParams, VARIANT* outRect) = 0;
    virtual HRESULT DrawText(VARIANT* inText, VARIANT* inParams, VARIANT* outRect) = 0;
    virtual HRESULT DrawCanvas(VARIANT* inCanvas, VARIANT* inParams, VARIANT* outRect) = 0;
    virtual HRESULT GetColor(VARIANT* inLoc, VARIANT* outColor) = 0;
    virtual HRESULT TextArea(VARIANT* inText, VARIANT* inParams, VARIANT* outWidth, VARIANT* outHeight,
                             VARIANT* outLineH) = 0;
    virtual HRESULT TextLength(VARIANT* inText, VARIANT* inParams, VARIANT* outVal) = 0;
    virtual HRESULT SaveAs(VARIANT* inFilePath, VARIANT* inParams) = 0;
    virtual HRESULT GetAs(VARIANT* inType, VARIANT* inParams, VARIANT* outData) = 0;
    // The pixels' bitmap handle (a 32-bit number, never a pointer); 0 without pixels.
    virtual HRESULT get_HBITMAP(LONG* outValue) = 0;
    virtual HRESULT get_UseColorAlpha(VARIANT* outValue) = 0;
    virtual HRESULT put_UseColorAlpha(VARIANT inValue) = 0;
    // Reads the limit in force (VT_I4); takes 0 (back to the setting) to 32767 x 32767.
    virtual HRESULT get_MaxPixels(VARIANT* outValue) = 0;
    virtual HRESULT put_MaxPixels(VARIANT inValue) = 0;
};
