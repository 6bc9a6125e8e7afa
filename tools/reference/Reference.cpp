// reference DOCS_MD TYPINGS_DTS VOCABULARY_JSON PHP_STUBS: writes the page authors' reference, the
// Node host's type definitions, the words of its error hints and the PHP host's stubs from the
// server's own tables.
#include <cstdio>
#include <fstream>
#include <string>

#include "ReferenceModel.h"

namespace {

bool WriteFile(const char* inPath, const std::string& inText)
{
    std::ofstream theFile(inPath, std::ios::binary | std::ios::trunc);
    theFile << inText;
    theFile.close();
    if (!theFile) {
        std::fprintf(stderr, "reference: could not write %s\n", inPath);
        return false;
    }
    return true;
}

}  // namespace

int main(int inCount, char** inArgs)
{
    if (inCount != 5) {
        std::fprintf(stderr, "usage: reference DOCS_MD TYPINGS_DTS VOCABULARY_JSON PHP_STUBS\n");
        return 2;
    }
    ReferenceModel theModel;
    std::string theProblem;
    if (!GatherModel(theModel, theProblem)) {
        std::fprintf(stderr, "reference: %s\n", theProblem.c_str());
        return 1;
    }
    const bool isWritten =
        WriteFile(inArgs[1], WriteMarkdown(theModel)) && WriteFile(inArgs[2], WriteTypings(theModel)) &&
        WriteFile(inArgs[3], WriteVocabulary(theModel)) && WriteFile(inArgs[4], WriteStubs(theModel));
    return isWritten ? 0 : 1;
}
