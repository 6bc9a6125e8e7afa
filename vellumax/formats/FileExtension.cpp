#include "vellumax/formats/FileExtension.h"

std::string FileNameExtension(const std::string& inPath)
{
    const std::size_t theSlash = inPath.rfind('/');
    const std::size_t theStart = theSlash == std::string::npos ? 0 : theSlash + 1;
    const std::size_t theDot = inPath.rfind('.');
    if (theDot == std::string::npos || theDot <= theStart)
        return std::string();
    return inPath.substr(theDot + 1);
}

std::string LookupExtensionText(const std::string& inText, ExtensionSource inSource)
{
    if (inSource == ExtensionSource::Type && inText.find('/') == std::string::npos)
        return inText;
    const std::string theExtension = FileNameExtension(inText);
    return theExtension.empty() ? std::string() : "." + theExtension;
}
