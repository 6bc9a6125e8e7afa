// The check of the server's environment: creates Gestalt, reports the imaging platform's
// version and its graphics exporters into a report, with an error line for each problem.
//
// Every statement runs with errors ignored: a statement that raises is skipped and its error
// stays pending; an error raised while a condition is evaluated runs what the condition
// guards; the pending error's description appears once, before the final marker.
#pragma once

#include <string>

#include "RaisedError.h"
#include "ReportTarget.h"

class GestaltProbe;

class Check {
public:
    enum class Outcome { Clean, Errors };

    explicit Check(ReportTarget& ioReport) : mReport(ioReport) {}
    // Errors when the report holds an error line or an error's description.
    Outcome Run();

private:
    void Append(const std::string& inText);
    // True (and the error pending) when inError is a failure.
    bool Raised(const RaisedError& inError);
    void ReportEnvironment(GestaltProbe& inGestalt);
    // The conditions of the two error lines.
    bool VersionTooOld(GestaltProbe& inGestalt);
    bool TooFewExporters(GestaltProbe& inGestalt);
    void ListExporters(GestaltProbe& inGestalt);

    ReportTarget& mReport;
    RaisedError mPending;
    bool mWroteError = false;
};
