#include "vellumax/objects/Gestalt.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include <automation/ComVariant.h>
#include <automation/Errors.h>
#include <automation/Variant.h>

#include "vellumax/engine/FontMatching.h"
#include "vellumax/errors/EventLog.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/formats/WholeFile.h"
#include "vellumax/objects/ClassObjects.h"
#include "vellumax/objects/Codecs.h"
#include "vellumax/objects/Exporters.h"
#include "vellumax/objects/Fonts.h"
#include "vellumax/objects/MethodFrame.h"
#include "vellumax/objects/ValueCoercion.h"
#include "vellumax/params/LockedBytes.h"
#include "vellumax/params/Utilities.h"

namespace {

const ObjectIdentity kWho{IID_IGestalt, "Vellumax.Gestalt.1"};

// A name collection being filled; released unless it is handed out.
template <class Collection>
class NamesBuilder {
public:
    bool Made() const { return bool(mNames); }
    void Append(std::string_view inName) { mNames->Append(vx::Variant(inName)); }
    IDispatch* HandOut() { return mNames.Detach(); }

private:
    vx::ComPtr<Collection> mNames = vx::ComPtr<Collection>::Attach(Collection::Create());
};

bool AppendFontName(const char* inName, void* inContext)
{
    static_cast<NamesBuilder<Fonts>*>(inContext)->Append(inName);
    return true;
}

HRESULT RaiseGetFailure(const char* inLabel, std::int32_t inQuickTimeError, HRESULT inComError = S_OK)
{
    return ReportGetFailure(inLabel, inQuickTimeError, 0, kWho.mIid, kWho.mProgId, inComError);
}

}  // namespace

const vx::DispatchTable& GestaltTable()
{
    using vx::In;
    using vx::Retval;
    static const vx::DispatchTable theTable(
        IID_IGestalt, "IGestalt", "Information about the server's environment",
        {
            vx::PropertyGet<&IGestalt::get_QuickTime>(kGestaltQuickTime, "QuickTime",
                                                      "The version of the imaging platform", Retval("outValue")),
            vx::PropertyGet<&IGestalt::get_GraphicsExporters>(kGestaltGraphicsExporters, "GraphicsExporters",
                                                              "The names of the installed graphics exporters",
                                                              Retval("outValue")),
            vx::PropertyGet<&IGestalt::get_Fonts>(kGestaltFonts, "Fonts", "The names of the installed fonts",
                                                  Retval("outValue")),
            vx::PropertyGet<&IGestalt::get_Codecs>(kGestaltCodecs, "Codecs", "The names of the installed codecs",
                                                   Retval("outValue")),
            vx::PropertyGet<&IGestalt::get_LogErrors>(
                kGestaltLogErrors, "LogErrors", "Whether errors are written to the event log", Retval("outValue")),
            vx::PropertyPut<&IGestalt::put_LogErrors>(kGestaltLogErrors, "LogErrors",
                                                      "Whether errors are written to the event log", In("inValue")),
            vx::Method<&IGestalt::Log>(kGestaltLog, "Log", "Writes a message to the event log", In("inMessage")),
            vx::Method<&IGestalt::Save>(kGestaltSave, "Save", "Writes bytes to a file", In("inPath"), In("inData")),
        });
    return theTable;
}

HRESULT VxGetClassObject_Gestalt(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<Gestalt>::Instantiate<>(inIid, outObject);
}

template <class Body>
HRESULT Gestalt::Frame(Body&& inBody, std::source_location inWhere)
{
    return RunQuickTimeFrame(kWho, mSession.Available(), mSession.StartError(), inBody, inWhere);
}

HRESULT Gestalt::get_QuickTime(VARIANT* outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        VariantInit(outValue);
        long theMajor = 0;
        long theMinor = 0;
        long theFix = 0;
        if (const OSErr theError = GetQuickTimeVersion(theMajor, theMinor, theFix); theError != noErr)
            return RaiseGetFailure("Info QuickTime", theError);
        char theText[kTextCapacity];
        std::snprintf(theText, sizeof theText, "%ld.%ld.%ld", theMajor, theMinor, theFix);
        SetTextResult(theText, outValue);
        return S_OK;
    });
}

HRESULT Gestalt::get_GraphicsExporters(IDispatch** outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        *outValue = nullptr;
        NamesBuilder<Exporters> theNames;
        if (!theNames.Made())
            return RaiseGetFailure("Info Exporters", 0, E_OUTOFMEMORY);
        long theCount = 0;
        if (const ComponentResult theError = GetExporterName(-1, nullptr, nullptr, theCount); theError != noErr)
            return RaiseGetFailure("Info Exporters", theError);
        for (long theIndex = 0; theIndex < theCount; ++theIndex) {
            char theName[kQTNameCapacity] = "";
            long theNow = 0;
            if (const ComponentResult theError = GetExporterName(theIndex, theName, nullptr, theNow); theError != noErr)
                return RaiseGetFailure("Info Exporters", theError);
            theNames.Append(theName);
        }
        // The server's own writer.
        theNames.Append("GIF");
        *outValue = theNames.HandOut();
        return S_OK;
    });
}

HRESULT Gestalt::get_Fonts(IDispatch** outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        *outValue = nullptr;
        NamesBuilder<Fonts> theNames;
        if (!theNames.Made())
            return RaiseGetFailure("Info Fonts", 0, E_OUTOFMEMORY);
        // One enumeration, every entry in order, duplicates kept.
        VisitFontNames(&AppendFontName, &theNames);
        *outValue = theNames.HandOut();
        return S_OK;
    });
}

HRESULT Gestalt::get_Codecs(IDispatch** outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        *outValue = nullptr;
        NamesBuilder<Codecs> theNames;
        if (!theNames.Made())
            return RaiseGetFailure("Info Codecs", 0, E_OUTOFMEMORY);
        long theCount = 0;
        if (const OSErr theError = GetCodecName(-1, nullptr, theCount); theError != noErr)
            return RaiseGetFailure("Info Codecs", theError);
        for (long theIndex = 0; theIndex < theCount; ++theIndex) {
            char theName[kQTNameCapacity] = "";
            long theNow = 0;
            if (const OSErr theError = GetCodecName(theIndex, theName, theNow); theError != noErr)
                return RaiseGetFailure("Info Codecs", theError);
            theNames.Append(theName);
        }
        *outValue = theNames.HandOut();
        return S_OK;
    });
}

HRESULT Gestalt::get_LogErrors(VARIANT* outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        VariantInit(outValue);
        std::uint32_t theSetting = 0;
        ReadSetting(kLogErrorsSetting, theSetting);
        outValue->vt = VT_BOOL;
        outValue->boolVal = std::int32_t(theSetting) > 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Gestalt::put_LogErrors(VARIANT inValue)
{
    return Frame([&] {
        const std::string theText = TextFromVariant(inValue);
        std::int32_t theOn = 0;
        if (!ReadBoolean(theText.c_str(), &theOn))
            return ReportSetFailure("Gestalt LogErrors", inValue, 0, 0, kWho.mIid, kWho.mProgId);
        WriteSetting(kLogErrorsSetting, theOn != 0 ? 1 : 0);
        return S_OK;
    });
}

HRESULT Gestalt::Log(VARIANT* inMessage)
{
    return Frame([&] {
        if (inMessage == nullptr)
            return E_POINTER;
        LogEvent(TextFromVariant(*inMessage));
        return S_OK;
    });
}

HRESULT Gestalt::Save(VARIANT* inPath, VARIANT* inData)
{
    return Frame([&] {
        if (inPath == nullptr || inData == nullptr)
            return E_POINTER;
        const std::string thePath = TextFromVariant(*inPath);
        LockedBytes theBytes(inData);
        if (const HRESULT theResult = theBytes.Lock(); FAILED(theResult))
            return ReportDoFailure("Gestalt Save", thePath, 0, 0, kWho.mIid, kWho.mProgId, theResult);
        // The file is replaced only once all of the new content is written,
        // so a failed write keeps the old file as it was.
        if (!WriteWholeFile(thePath.c_str(), theBytes.Data(), theBytes.Length()))
            return ReportDoFailure("Gestalt Save", thePath, 0, GetLastError(), kWho.mIid, kWho.mProgId);
        return S_OK;
    });
}
