// Components: importers, exporters and codecs found by type, subtype, manufacturer and flags, in a
// stable order (the platform's own components first, then registered ones in order of
// registration), opened as instances and called through the named calls of their kind.
//
// A call an instance's component does not implement answers badComponentSelector (0x80008002).
#pragma once

#include "imaging/MacTypes.h"

struct ComponentRecord;
struct ComponentInstanceRecord;
using Component = ComponentRecord*;
using ComponentInstance = ComponentInstanceRecord*;

struct ComponentDescription {
    OSType componentType;          // 0 matches any type
    OSType componentSubType;       // 0 matches any subtype
    OSType componentManufacturer;  // 0 matches any manufacturer
    std::uint32_t componentFlags;
    std::uint32_t componentFlagsMask;  // a component matches when its flags equal componentFlags under the mask
};

constexpr OSType kAnyComponentType = 0;
constexpr OSType kImagingManufacturer = FourCharCode("vxim");

// The next matching component after inAfter (null: from the start); null when there is none, or
// when inAfter is not a component. A null description matches every component.
Component FindNextComponent(Component inAfter, ComponentDescription* inLooking);
long CountComponents(ComponentDescription* inLooking);
// Any of the outputs may be null. Name and information are length-prefixed strings filling their
// handles; the icon handle is emptied (components have no icons). -3000 for an unknown component.
OSErr GetComponentInfo(Component inComponent, ComponentDescription* outDesc, Handle outName, Handle outInfo,
                       Handle outIcon);

// Null on failure; GetMoviesError() then tells why.
ComponentInstance OpenComponent(Component inComponent);
OSErr OpenAComponent(Component inComponent, ComponentInstance* outInstance);
// -3000 when inInstance is not an open instance (a closed one included).
OSErr CloseComponent(ComponentInstance inInstance);
// The error the instance's last call recorded (0 when it succeeded).
OSErr GetComponentInstanceError(ComponentInstance inInstance);
// The calling thread's pending error: the result of its last component or importer call that
// failed, cleared by the next call that succeeds.
OSErr GetMoviesError();

// Components made by the caller: every call on an instance becomes one call of the routine with
// the call's selector in what (open: kComponentOpenSelect, close: kComponentCloseSelect) and its
// arguments, in order, in params (pointers and integers widened to long).
struct ComponentParameters {
    std::uint8_t flags;
    std::uint8_t paramSize;  // bytes in params
    std::int16_t what;
    long params[8];
};
using ComponentRoutineProcPtr = ComponentResult (*)(ComponentParameters* inParams, Handle inStorage);

constexpr std::int16_t kComponentOpenSelect = -1;   // params[0]: the new instance
constexpr std::int16_t kComponentCloseSelect = -2;  // params[0]: the instance

// inName and inInfo (may be null) hold length-prefixed strings; they are copied. inGlobal and
// inIcon are accepted and not used. Null for a null description or routine.
Component RegisterComponent(ComponentDescription* inDesc, ComponentRoutineProcPtr inRoutine, short inGlobal,
                            Handle inName, Handle inInfo, Handle inIcon);
// Refused (-3000) for the platform's own components and for unknown ones; -47 while instances are
// open.
OSErr UnregisterComponent(Component inComponent);
