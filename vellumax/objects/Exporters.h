// Exporters: the names of the installed graphics exporters, then GIF, filled once by the object that
// makes it.
#pragma once

#include <vellumax/IExporters.h>

#include "vellumax/objects/CollectionImpl.h"

const vx::DispatchTable& ExportersTable();

class Exporters final
    : public vx::ComObject<Exporters, CollectionImpl<IExporters, ExportersTable>, vx::SupportErrorInfo<Exporters>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IExporters, IID_IExporters>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;
};
