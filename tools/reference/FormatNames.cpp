#include "FormatNames.h"

// The node test formats.test.js exports every one of these and checks the format it gives.
const std::vector<std::string>& FormatDescriptions()
{
    static const std::vector<std::string> theNames = {"png", "jpeg", "bmp", "tiff", "webp", "gif", "gif image"};
    return theNames;
}

const std::vector<std::string>& FormatMimeNames()
{
    static const std::vector<std::string> theNames = {"png", "jpeg", "bmp", "tiff", "webp", "gif"};
    return theNames;
}

const std::vector<std::string>& FormatExtensions()
{
    static const std::vector<std::string> theNames = {"png", "jpg", "jpeg", "bmp", "tif", "tiff", "webp", "gif"};
    return theNames;
}
