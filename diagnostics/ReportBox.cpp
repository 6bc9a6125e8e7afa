#include "ReportBox.h"

#include <QFontDatabase>

ReportBox::ReportBox(QWidget* inParent) : QPlainTextEdit(inParent)
{
    setObjectName("Info");
    setReadOnly(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

std::string ReportBox::Text() const
{
    QString theText = toPlainText();
    theText.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return theText.toStdString();
}

void ReportBox::SetText(const std::string& inText)
{
    setPlainText(QString::fromStdString(inText));
}
