// Dual interfaces from member tables: the whole toolkit in one include.
//
//   // The C++ interface: IDispatch's methods first, then its own.
//   struct IThing : IDispatch {
//       virtual HRESULT get_Width(VARIANT* outVal) = 0;
//       virtual HRESULT put_Width(VARIANT inVal) = 0;
//       virtual HRESULT Scale(VARIANT* inFactor, LONG inTimes, VARIANT* outRect) = 0;
//   };
//
//   // Described once: DISPIDs, names, kinds, help, one ParamDesc per C++ parameter.
//   const vx::DispatchTable& ThingTable()
//   {
//       static const vx::DispatchTable theTable(IID_IThing, "IThing", "A thing", {
//           vx::PropertyGet<&IThing::get_Width>(1, "Width", "Width in pixels", vx::Retval("outVal")),
//           vx::PropertyPut<&IThing::put_Width>(1, "Width", "Width in pixels", vx::In("inVal")),
//           vx::Method<&IThing::Scale>(2, "Scale", "Scales the thing", vx::In("inFactor"),
//                                      vx::In("inTimes").Default(1), vx::Retval("outRect")),
//       });
//       return theTable;
//   }
//
//   // The object: reference counting, QueryInterface, IDispatch, ISupportErrorInfo.
//   class Thing final : public vx::ComObject<Thing, vx::DispatchImpl<IThing, ThingTable>,
//                                            vx::SupportErrorInfo<Thing>> {
//   public:
//       using Interfaces = vx::InterfaceMap<vx::Answers<IThing, IID_IThing>,
//                                           vx::Answers<IDispatch, IID_IDispatch>,
//                                           vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;
//       HRESULT get_Width(VARIANT* outVal) override;
//       ...
//   };
//
//   // Its factory, for DllGetClassObject (see ClassTable.h).
//   constexpr vx::ClassEntry kClasses[] = {vx::Creatable<Thing>(CLSID_Thing)};
#pragma once

#include "automation/ClassFactory.h"
#include "automation/ClassTable.h"
#include "automation/ComObject.h"
#include "automation/DispatchImpl.h"
#include "automation/DispatchMember.h"
#include "automation/DispatchTable.h"
#include "automation/SupportErrorInfo.h"
