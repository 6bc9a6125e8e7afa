#include "KeywordForms.h"

#include <iterator>

namespace {

constexpr KeywordForm kForms[] = {
    {{"pencolor"}, "colour", "outline colour of shapes"},
    {{"textcolor"}, "colour", "colour of text"},
    {{"paintcolor"}, "colour", "fill colour of shapes"},
    {{"pensize"}, "integer", "outline width in pixels"},
    {{"textfont"}, "list of family names", "the first installed family named, wholly or by its beginning; never fails"},
    {{"textsize"}, "integer", "text size in points"},
    {{"textstyle"}, "list of style words", "bold, italic, underline, strikethru"},
    {{"halign"}, "horizontal alignment word", "placement inside the rectangle"},
    {{"valign"}, "vertical alignment word", "placement inside the rectangle"},
    {{"dither"}, "truth value", "dither pictures and exports to the target depth"},
    {{"rectangle", "rect"}, "left,top,right,bottom", "where to draw"},
    {{"position", "pos"}, "x,y", "where to place what is drawn"},
    {{"size"}, "width,height", "the size of what is drawn"},
    {{"inset"}, "integer", "moves every edge of the rectangle inwards"},
    {{"move"}, "dx,dy", "moves the rectangle"},
    {{"rotation", "rotate"}, "degrees[,cx,cy]", "rotates about a centre; accumulates"},
    {{"stretch", "scale"}, "sx[,sy[,cx,cy]]", "scales about a centre; accumulates"},
    {{"skew"}, "kx[,ky[,cx,cy]]", "skews about a centre; accumulates"},
    {{"translate"}, "dx,dy", "moves the drawing; accumulates"},
    {{"type"},
     "text",
     "picture or file type (extension, MIME type or description); a text holding / is read as a path, whose file "
     "name's last extension counts"},
    {{"image"}, "integer", "which image of a file with several, from 1"},
    {{"fit"}, "truth value", "fit the picture into the rectangle keeping its proportions"},
    {{"mode"},
     "transfer mode word",
     "how picture pixels combine with the canvas: see What the transfer modes do; only transparent, prewhitealpha, "
     "preblackalpha and blend use the picture's alpha"},
    {{"modecolor"}, "colour", "the colour blending modes weigh with"},
    {{"sourcerectangle", "srcrect"}, "left,top,right,bottom", "the part of the picture to draw"},
    {{"shape"}, "shape word", "the shape to draw"},
    {{"operation", "op"}, "operation word", "outline, fill or both"},
    {{"cornersize"}, "integer", "corner width and height of round rectangles"},
    {{"points"}, "x,y,x,y,...", "the points of polygons and lines"},
    {{"text"}, "text", "the text of a text shape; never fails"},
    {{"maxtext"},
     "integer, 1 to 16777216",
     "the most bytes of text (UTF-8) the call lays out; longer text fails before anything is drawn. 32768 when not "
     "given, which keeps one call on type one pixel high within about a quarter of a second"},
    {{"quality"}, "quality word", "export quality; an unknown word means normal"},
    {{"interlace"}, "truth value", "interlaced PNG, progressive JPEG"},
    {{"depth"}, "depth word", "export depth"},
    {{"opengl"}, "truth value", "draw shapes antialiased through OpenGL (32-bit canvases)"},
    {{"transparent"}, "x,y", "the pixel whose colour is transparent in a GIF"},
    {{"palette"}, "fixed or adaptive", "GIF colours: the fixed table of the depth, or a table made from the picture"},
    {{"compress"}, "truth value", "GIF: compress the pixel codes (LZW)"},
    {{"alphablend"},
     "truth value",
     "shapes and text: a translucent pen, paint or text colour is composited over the canvas (source over, "
     "straight alpha; antialiased edges by their coverage) instead of replacing its pixels. Off when not given"},
    {{"upright"},
     "truth value",
     "DrawFile, DrawData: draw a JPEG turned and mirrored as its EXIF orientation says (GraphicImage.Orientation); "
     "its natural size is then the upright one. Off when not given"},
    {{"resample"},
     "area or lanczos",
     "DrawFile, DrawData: how a picture drawn smaller is filtered: area averaging (the default, fastest) or a "
     "Lanczos-3 filter, sharper and free of moire on fine detail"},
};

}  // namespace

const KeywordForm* KeywordForms(std::size_t* outCount)
{
    *outCount = std::size(kForms);
    return kForms;
}
