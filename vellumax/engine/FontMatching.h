// Font matching: the drawing layer's installed families against the font
// lists of the textfont keyword and the canvas's TextFont, and the order in
// which the families are listed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vellumax/params/Parameters.h"

constexpr std::size_t kFontNameCapacity = 64;  // a family's full name: at most 63 characters

class FontMatching {
public:
    // A face name the drawing layer takes: at most kFaceNameLength bytes.
    static constexpr std::size_t kFaceCapacity = Parameters::kFaceNameLength + 1;

    // The face a text drawing of the record uses: the newest of its font lists
    // that names an installed family (written into outFace, kFaceCapacity),
    // else the record's Font.
    static const char* FaceFor(const Parameters& inParams, char* outFace);

    // The first item of the list (items separated by the ListSeparator,
    // leading blanks skipped) that names an installed family wholly, else
    // as the beginning of a family's name, ignoring case; true with that
    // family's name (or its beginning, in the family's capitalisation) as a
    // face into outFace (kFaceCapacity). False and outFace unchanged when no
    // item matches. Answers are kept per list until the families change.
    static bool MatchList(const char* inList, char* outFace);
};

// Counts the installed font families in the drawing layer's stable order,
// stopping after the one whose ordinal is inIndex (never, for -1). Returns the
// number delivered; outName (kFontNameCapacity, may be null) receives that
// family's full name, or the last family's when inIndex is beyond the end.
std::int32_t FontNameAt(std::int32_t inIndex, char* outName);
// Calls inVisit with each family's full name in the same order until it
// returns false; returns the number of families visited.
using FontNameVisitor = bool (*)(const char* inName, void* inContext);
std::int32_t VisitFontNames(FontNameVisitor inVisit, void* inContext);
