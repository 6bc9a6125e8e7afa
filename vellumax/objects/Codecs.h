// Codecs: the names of the installed codecs, filled once by the object that makes it.
#pragma once

#include <vellumax/ICodecs.h>

#include "vellumax/objects/CollectionImpl.h"

const vx::DispatchTable& CodecsTable();

class Codecs final : public vx::ComObject<Codecs, CollectionImpl<ICodecs, CodecsTable>, vx::SupportErrorInfo<Codecs>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<ICodecs, IID_ICodecs>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;
};
