// Fonts: the names of the installed fonts in the drawing layer's order, filled once by the object that
// makes it.
#pragma once

#include <vellumax/IFonts.h>

#include "vellumax/objects/CollectionImpl.h"

const vx::DispatchTable& FontsTable();

class Fonts final : public vx::ComObject<Fonts, CollectionImpl<IFonts, FontsTable>, vx::SupportErrorInfo<Fonts>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IFonts, IID_IFonts>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;
};
