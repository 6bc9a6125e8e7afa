// A fuzz target's entry point run once on every file of the corpus folders
// (and files) named on the command line, without the fuzzing engine, so that
// an ordinary build replays each corpus as a regression test.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize);

int main(int inCount, char** inArguments)
{
    std::vector<std::filesystem::path> theFiles;
    for (int theIndex = 1; theIndex < inCount; ++theIndex) {
        const std::filesystem::path theArgument(inArguments[theIndex]);
        if (!std::filesystem::is_directory(theArgument)) {
            theFiles.push_back(theArgument);
            continue;
        }
        for (const auto& theEntry : std::filesystem::recursive_directory_iterator(theArgument))
            if (theEntry.is_regular_file())
                theFiles.push_back(theEntry.path());
    }
    std::sort(theFiles.begin(), theFiles.end());
    // A replay of nothing would pass whatever the target does.
    if (theFiles.empty()) {
        std::fprintf(stderr, "no corpus files\n");
        return 1;
    }
    for (const std::filesystem::path& theFile : theFiles) {
        std::ifstream theStream(theFile, std::ios::binary);
        if (!theStream) {
            std::fprintf(stderr, "cannot read %s\n", theFile.c_str());
            return 1;
        }
        // Exactly the input's size, so that a read past its end is caught.
        const std::vector<std::uint8_t> theBytes{std::istreambuf_iterator<char>(theStream), {}};
        std::fprintf(stderr, "%s\n", theFile.c_str());
        LLVMFuzzerTestOneInput(theBytes.data(), theBytes.size());
    }
    std::printf("%zu inputs replayed\n", theFiles.size());
    return 0;
}
