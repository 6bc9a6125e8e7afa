// The platform's codec name list: one entry per codec, in a stable order.
#pragma once

#include "imaging/Components.h"
#include "imaging/ImageCompression.h"

struct CodecNameSpec {
    Component codec;  // the codec's component (type 'imco', subtype the codec type)
    CodecType cType;
    Str31 typeName;  // length-prefixed
    Handle name;     // length-prefixed, like typeName; owned by the list
};

struct CodecNameSpecList {
    short count;
    CodecNameSpec list[1];  // count entries
};
using CodecNameSpecListPtr = CodecNameSpecList*;

constexpr OSType compressorComponentType = FourCharCode("imco");

// inShowAll is accepted: every codec is always listed. The list is disposed of with
// DisposeCodecNameList.
OSErr GetCodecNameList(CodecNameSpecListPtr* outList, short inShowAll);
OSErr DisposeCodecNameList(CodecNameSpecListPtr inList);
