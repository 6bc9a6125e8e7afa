// Where the check writes its report: the window's text box, or a string for the text mode.
#pragma once

#include <string>

class ReportTarget {
public:
    virtual ~ReportTarget() = default;
    // UTF-8, lines separated by CR LF.
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& inText) = 0;
};
