// Which text the exporter lookup gets as its extension source. The lookup itself takes what
// follows the first '.' of that text; for a path this would make a dotted folder
// (/var/www/example.com/logo.png) name the format, so a path is first cut down to its own
// file name's extension.
#pragma once

#include <string>

enum class ExtensionSource {
    Type,  // a type text: a text holding '/' is read as a path, any other keeps the lookup's rule
    Path,  // a file path, always read as one
};

// The extension of the last component of inPath: what follows that component's last '.'. A name
// without a '.', or whose only '.' starts it (".png", a hidden file), has none.
std::string FileNameExtension(const std::string& inPath);

// The text to give the lookup as its extension: for a path, "." followed by its file name's
// extension (empty when it has none); a type text without '/' as it is.
std::string LookupExtensionText(const std::string& inText, ExtensionSource inSource);
