#include "vellumax/errors/ComErrors.h"

#include "automation/ComVariant.h"
#include "automation/ErrorInfo.h"
#include "automation/Owners.h"
#include "automation/Strings.h"
#include "automation/Variant.h"
#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ErrorReport.h"
#include "vellumax/errors/EventLog.h"
#include "vellumax/errors/Settings.h"

namespace {

HRESULT RaiseReport(ErrorReport& ioReport, std::int32_t inQuickTimeError, std::uint32_t inWindowsError,
                    const char* inFallback, REFIID inIid, const char* inProgId, HRESULT inComError = S_OK)
{
    if (inQuickTimeError != 0)
        ioReport.SetQuickTimeError(inQuickTimeError);
    if (inWindowsError != 0)
        ioReport.SetWindowsError(inWindowsError);
    if (inComError != S_OK)
        ioReport.SetComError(inComError);
    if (inQuickTimeError == 0 && inWindowsError == 0 && inComError == S_OK)
        ioReport.AddMessage(inFallback);
    return RaiseComError(ioReport.Message(), E_FAIL, inIid, inProgId);
}

std::string ValueText(const VARIANT& inValue)
{
    vx::ComVariant theText;
    const HRESULT theResult = VariantChangeType(theText.Out(), &inValue, 0, VT_BSTR);
    if (FAILED(theResult))
        throw ComError(theResult);
    return UTF8FromBSTR(theText.Get()->bstrVal);
}

}  // namespace

HRESULT RaiseComError(const std::string& inText, HRESULT inCode, REFIID inIid, const char* inProgId)
{
    std::uint32_t theLogErrors = 0;
    ReadSetting(kLogErrorsSetting, theLogErrors);
    if (theLogErrors != 0)
        LogEvent(inText);

    vx::ComPtr<ICreateErrorInfo> theCreate;
    if (FAILED(CreateErrorInfo(theCreate.Out())) || !theCreate)
        return inCode;
    std::u16string theDescription = UTF16FromUTF8(inText);
    std::u16string theSource = UTF16FromUTF8(inProgId != nullptr ? inProgId : "");
    theCreate->SetDescription(theDescription.data());
    theCreate->SetGUID(inIid);
    theCreate->SetSource(theSource.data());
    vx::ComPtr<IErrorInfo> theInfo;
    if (SUCCEEDED(theCreate->QueryInterface(IID_IErrorInfo, theInfo.OutVoid())) && theInfo)
        SetErrorInfo(0, theInfo.Get());
    return inCode;
}

HRESULT ReportSetFailure(const char* inLabel, const VARIANT& inValue, std::int32_t inQuickTimeError,
                         std::uint32_t inWindowsError, REFIID inIid, const char* inProgId, const std::string& inMessage)
{
    ErrorReport theReport;
    const std::string theValue = ValueText(inValue);
    theReport.AddContext("Set");
    theReport.AddContext(inLabel);
    theReport.AddContext(" = ");
    theReport.AddContext(theValue);
    if (!inMessage.empty()) {
        theReport.AddMessage(inMessage);
        theReport.SetQuickTimeError(inQuickTimeError);
        theReport.SetWindowsError(inWindowsError);
        return RaiseComError(theReport.Message(), E_FAIL, inIid, inProgId);
    }
    return RaiseReport(theReport, inQuickTimeError, inWindowsError, "Unable to set property", inIid, inProgId);
}

HRESULT ReportGetFailure(const char* inLabel, std::int32_t inQuickTimeError, std::uint32_t inWindowsError, REFIID inIid,
                         const char* inProgId, HRESULT inComError)
{
    ErrorReport theReport;
    theReport.AddContext("Get");
    theReport.AddContext(inLabel);
    return RaiseReport(theReport, inQuickTimeError, inWindowsError, "Unable to get property", inIid, inProgId,
                       inComError);
}

HRESULT ReportDoFailure(const char* inLabel, const std::string& inDetail, std::int32_t inQuickTimeError,
                        std::uint32_t inWindowsError, REFIID inIid, const char* inProgId, HRESULT inComError)
{
    ErrorReport theReport;
    theReport.AddContext("Do");
    theReport.AddContext(inLabel);
    theReport.AddContext(inDetail);
    return RaiseReport(theReport, inQuickTimeError, inWindowsError, "Unable to complete the operation", inIid, inProgId,
                       inComError);
}
