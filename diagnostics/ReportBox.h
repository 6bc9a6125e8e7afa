// The window's read-only multi-line text box holding the report. The box keeps its
// lines as paragraphs; read back, they are separated by CR LF again.
#pragma once

#include <QPlainTextEdit>

#include "ReportTarget.h"

class ReportBox : public QPlainTextEdit, public ReportTarget {
public:
    explicit ReportBox(QWidget* inParent = nullptr);

    std::string Text() const override;
    void SetText(const std::string& inText) override;
};
