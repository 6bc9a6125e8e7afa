#include "vellumax/errors/ErrorTexts.h"

#include <cstdint>
#include <cstdio>

#include "automation/Errors.h"

namespace {

struct Clause {
    long mCode;
    const char* mText;
};

// The QuickTime and Windows texts are the system's own wording, spelling included.
constexpr Clause kQuickTimeClauses[] = {
    {-23, "the file was open"},
    {-34, "the disk was full."},
    {-36, "a file read/write error occured"},
    {-37, "a file name was incorrect or bad"},
    {-39, "not enough data was found"},
    {-43, "the file was not found"},
    {-47, "the file was busy"},
    {-48, "a file or folder with the specified name already exists."},
    {-50, "the parameters given were incorrect"},
    {-54, "an attempt was made to open a locked file for writing"},
    {-108, "there was not enough memory"},
    {-192, "a resource was not found in its file"},
    {-193, "a resource file was not found"},
    {-199, "a resource file was corrupt"},
    {-2000, "it could not get data from the given reference - eg the source file did not exist"},
    {-2001, "it could not get an image description - the image file was probably corrupt"},
    {-2003, "it does not support this type of image"},
    {-2004, "it could not open the graphics importer it found"},
    {-3000, "it was asked to use a Component that does not exist"},
    {-8969, "the compressed data contained inconsistencies"},
    // Component results are 32-bit codes kept in the signed field.
    {static_cast<std::int32_t>(0x80008001u), "the Component was bad"},
    {static_cast<std::int32_t>(0x80008002u), "the Component was asked to perform a task it cannot do"},
};

constexpr Clause kWindowsClauses[] = {
    {2, "a file could not be found"},    {3, "a file path could not be found"}, {8, "there was not enough memory"},
    {14, "there was not enough memory"}, {15, "the drive did not exist"},
};

constexpr Clause kOpenGLClauses[] = {
    {0x500, "an incorrect value was given"},
    {0x501, "a value was too big or too small"},
    {0x502, "an operation was impossible to perform"},
    {0x503, "too many operations were requested"},
    {0x504, "an internal error caused a stack underflow"},
    {0x505, "there was not enough memory to complete the operation"},
};

// The words OpenGL implementations give for the codes the clauses above leave out: the core
// codes beyond them and the polygon tessellator's, as the system library words them.
constexpr Clause kOpenGLWords[] = {
    {0, "no error"},
    {0x506, "invalid framebuffer operation"},
    {0x8031, "table too large"},
    {100151, "gluTessBeginPolygon() must precede a gluTessEndPolygon()"},
    {100152, "gluTessBeginContour() must precede a gluTessEndContour()"},
    {100153, "gluTessEndPolygon() must follow a gluTessBeginPolygon()"},
    {100154, "gluTessEndContour() must follow a gluTessBeginContour()"},
    {100155, "a coordinate is too large"},
    {100156, "need combine callback"},
    {100900, "invalid enumerant"},
    {100901, "invalid value"},
    {100902, "out of memory"},
    {100903, "incompatible gl version"},
    {100904, "invalid operation"},
};

template <std::size_t N>
const char* FindClause(const Clause (&inTable)[N], long inCode)
{
    for (const Clause& theClause : inTable)
        if (theClause.mCode == inCode)
            return theClause.mText;
    return nullptr;
}

void AppendKnown(std::string& ioText, const char* inLead, const char* inClause, long inCode)
{
    ioText += inLead;
    ioText += inClause;
    ioText += " (";
    ioText += std::to_string(inCode);
    ioText += ").\n";
}

void AppendUnknown(std::string& ioText, const char* inLead, const std::string& inSystemText, long inCode)
{
    ioText += inLead;
    ioText += inSystemText;
    ioText += " - (";
    ioText += std::to_string(inCode);
    ioText += ") occurred.\n";
}

}  // namespace

void ExplainQuickTimeError(std::string& ioText, long inCode)
{
    if (inCode == 0)
        return;
    if (const char* theClause = FindClause(kQuickTimeClauses, inCode)) {
        AppendKnown(ioText, "A QuickTime error occurred indicating that ", theClause, inCode);
        return;
    }
    ioText += "A QuickTime error of type ";
    ioText += std::to_string(inCode);
    ioText += " occurred. Please consult the Apple web site for details.\n";
}

void ExplainWindowsError(std::string& ioText, long inCode)
{
    if (inCode == 0)
        return;
    if (const char* theClause = FindClause(kWindowsClauses, inCode)) {
        AppendKnown(ioText, "A Windows error occurred that indicates that ", theClause, inCode);
        return;
    }
    // Kept as the system gives it, line end included.
    AppendUnknown(ioText, "A Windows error - ", SystemMessageText(static_cast<std::uint32_t>(inCode)), inCode);
}

void ExplainOpenGLError(std::string& ioText, unsigned long inCode)
{
    if (inCode == 0)
        return;
    const long theCode = static_cast<long>(inCode);
    if (const char* theClause = FindClause(kOpenGLClauses, theCode)) {
        AppendKnown(ioText, "An OpenGL error occurred that indicates that ", theClause, theCode);
        return;
    }
    // Codes without a clause keep the implementation's own words; a code it does not know has none.
    const char* theWords = FindClause(kOpenGLWords, theCode);
    AppendUnknown(ioText, "An OpenGL error - ", theWords != nullptr ? theWords : "", theCode);
}

std::string ComErrorText(HRESULT inCode)
{
    const std::uint32_t theCode = static_cast<std::uint32_t>(inCode);
    std::string theText = SystemMessageText(theCode);
    if (!theText.empty() && theText.back() == '\n') {
        theText.pop_back();
        if (!theText.empty() && theText.back() == '\r')
            theText.pop_back();
    }
    if (!theText.empty())
        return theText;
    char theBuffer[64];
    if (theCode >= 0x80040200u && theCode <= 0x8004FFFFu)
        std::snprintf(theBuffer, sizeof theBuffer, "IDispatch error #%d", static_cast<int>(theCode - 0x80040200u));
    else
        std::snprintf(theBuffer, sizeof theBuffer, "Unknown error 0x%0lX", static_cast<unsigned long>(theCode));
    return theBuffer;
}
