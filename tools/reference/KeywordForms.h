// The value form and meaning of each parameter keyword, grouped with its aliases. The parser's
// keyword table says which names exist and in what order; this table only describes them. A
// description of a keyword the parser does not have is not listed, and a keyword without one is
// listed as not described, so the reference always follows the parser.
#pragma once

#include <cstddef>

struct KeywordForm {
    const char* mNames[3];  // the keyword, then up to two aliases; unused slots null
    const char* mForm;
    const char* mMeaning;
};

const KeywordForm* KeywordForms(std::size_t* outCount);
