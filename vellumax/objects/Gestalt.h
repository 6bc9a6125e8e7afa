// Gestalt: the server's environment for page scripts and the diagnostics
// program: the imaging platform's version, the installed exporters, fonts and
// codecs, the LogErrors setting, the event log, and saving bytes to a file.
// It keeps no state beyond its start of the imaging platform.
#pragma once

#include <source_location>

#include <automation/Dispatch.h>
#include <vellumax/IGestalt.h>

#include "vellumax/objects/QuickTimeSession.h"

const vx::DispatchTable& GestaltTable();

class Gestalt final
    : public vx::ComObject<Gestalt, vx::DispatchImpl<IGestalt, GestaltTable>, vx::SupportErrorInfo<Gestalt>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IGestalt, IID_IGestalt>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    HRESULT get_QuickTime(VARIANT* outValue) override;
    HRESULT get_GraphicsExporters(IDispatch** outValue) override;
    HRESULT get_Fonts(IDispatch** outValue) override;
    HRESULT get_Codecs(IDispatch** outValue) override;
    HRESULT get_LogErrors(VARIANT* outValue) override;
    HRESULT put_LogErrors(VARIANT inValue) override;
    HRESULT Log(VARIANT* inMessage) override;
    HRESULT Save(VARIANT* inPath, VARIANT* inData) override;

private:
    template <class Body>
    HRESULT Frame(Body&& inBody, std::source_location inWhere = std::source_location::current());

    QuickTimeSession mSession;
};
