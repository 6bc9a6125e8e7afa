// The type texts that name an export format, as the exporters answer them: descriptions, the
// second half of MIME types, and file name extensions. A text the exporters do not know (jpg or
// tif without a dot) falls back to BMP, so the typings leave it out.
#pragma once

#include <string>
#include <vector>

const std::vector<std::string>& FormatDescriptions();
const std::vector<std::string>& FormatMimeNames();
const std::vector<std::string>& FormatExtensions();
