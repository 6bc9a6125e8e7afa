// The value form and meaning of each parameter keyword, grouped with its aliases. The parser's
// keyword table says which names exist; this table only describes them, and GatherModel refuses
// a keyword it does not describe, so the two can't drift apart unnoticed.
#pragma once

#include <cstddef>

struct KeywordForm {
    const char* mNames[3];  // the keyword, then up to two aliases; unused slots null
    const char* mForm;
    const char* mMeaning;
};

const KeywordForm* KeywordForms(std::size_t* outCount);
