// The base of every piece of work a canvas method does on pixels: it owns the
// call's parameter record and error record, keeps the report text that names
// the operation and what it was given, and runs the main step so that no
// exception escapes.
//
// What an operation needs from the platforms it gets when it runs, from its
// record:
// - the transform: DrawingTransform (DrawingTransform.h) turns the record's
//   transform keywords into the imaging platform's matrix, the drawing layer's
//   XFORM or an OpenGL matrix;
// - the pattern: the object layer hands in the pattern canvas as a bitmap
//   handle with the canvas defaults (Parameters::Pattern), and
//   GetPatternBitmap below gives the handle to paint with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "drawing/Gdi.h"
#include "vellumax/errors/ErrorReport.h"
#include "vellumax/params/Parameters.h"

class Bitmap;

class Operation {
public:
    // inName starts the report, for example "Draw Shape:".
    explicit Operation(const char* inName);
    // An inner drawing of an outer operation: it works on the outer's records,
    // owning neither, and is called with a plain Do inside the outer's Run,
    // which has already checked them and catches whatever Do throws.
    Operation(const char* inName, Parameters& inParameters, ErrorReport& inError);
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // What Run does before the main step: a method's own operation records
    // the report and the store as context and stops on a parse error; an
    // inner one, on records its outer operation already checked, skips both.
    enum class RunCheck { kRecordAndCheck, kSkip };

    // The virtual operations in their slot order; subclasses add theirs after Do.
    virtual ~Operation();
    // Appends " inName={inValue}" to the report.
    virtual void Report(const char* inName, const char* inValue);
    // Reports the text as "Parameters" and parses it into the record; returns
    // the parser's code. A failure stays in the record for Run to find.
    virtual std::int32_t SetParameterString(const char* inText);
    // The records; ownership stays. Null once detached.
    virtual ErrorReport* GetErrorReport();
    virtual Parameters* GetParameters();
    // Hand the record over to the caller; null when it was borrowed.
    virtual std::unique_ptr<ErrorReport> DetachErrorReport();
    virtual std::unique_ptr<Parameters> DetachParameters();
    // Replace the record held (destroying it) with the one given.
    virtual void AdoptErrorReport(std::unique_ptr<ErrorReport> inReport);
    virtual void AdoptParameters(std::unique_ptr<Parameters> inParameters);
    // Checks as inCheck says; then, unless the error record already holds an
    // error, sets the result rectangle from the placement and runs Do. Never
    // throws: the outcome is in the error record.
    virtual void Run(Bitmap& inBitmap, RunCheck inCheck);
    virtual LongRect GetResultRect() const;
    // The main step.
    virtual void Do(Bitmap& inBitmap) = 0;

    const std::string& GetReport() const { return mReport; }

protected:
    // The bitmap a pattern paint tiles: the handle the object layer handed in,
    // or inBitmap's own when the canvas is its own pattern (its pixels may
    // only have been made by this run). False with the reason in the error
    // record when there is no pattern canvas or it could not give its bitmap.
    bool GetPatternBitmap(Bitmap& inBitmap, HBITMAP* outBitmap);

private:
    // Null when the records are borrowed or were detached.
    std::unique_ptr<Parameters> mOwnParameters;
    std::unique_ptr<ErrorReport> mOwnError;

protected:
    // The records worked on: the operation's own, or those it borrows.
    Parameters* mParameters;
    ErrorReport* mError;
    LongRect mResultRect;
    std::string mReport;
};
