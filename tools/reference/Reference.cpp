// reference DOCS_MD TYPINGS_DTS [PHP_STUBS]: writes the page authors' reference, the Node host's
// type definitions and the PHP host's stubs from the server's own tables.
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
    if (inCount != 3 && inCount != 4) {
        std::fprintf(stderr, "usage: reference DOCS_MD TYPINGS_DTS [PHP_STUBS]\n");
        return 2;
    }
    ReferenceModel theModel;
    std::string theProblem;
    if (!GatherModel(theModel, theProblem)) {
        std::fprintf(stderr, "reference: %s\n", theProblem.c_str());
        return 1;
    }
    const bool isWritten = WriteFile(inArgs[1], WriteMarkdown(theModel)) &&
                           WriteFile(inArgs[2], WriteTypings(theModel)) &&
                           (inCount < 4 || WriteFile(inArgs[3], WriteStubs(theModel)));
    return isWritten ? 0 : 1;
}
