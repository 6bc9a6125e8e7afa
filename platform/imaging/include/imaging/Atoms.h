// Atom containers: a handle holding a flat list of atoms, each a type, an ID and its data. Only the
// top level is kept: the container itself is the one parent (kParentAtomIsContainer).
//
// Layout of the handle: 'atmc', then atoms of [int32 size][OSType type][int32 id][data], size
// counting all of it. An atom is named by its byte offset in the handle; 0 names the container.
#pragma once

#include "imaging/MacTypes.h"

using QTAtomContainer = Handle;
using QTAtom = long;
using QTAtomType = OSType;
using QTAtomID = long;

constexpr QTAtom kParentAtomIsContainer = 0;

OSErr QTNewAtomContainer(QTAtomContainer* outContainer);
OSErr QTDisposeAtomContainer(QTAtomContainer inContainer);
// Appends an atom (inIndex other than 0 and 1 past the end: -50). inID 0 gives the next free ID of
// the type. outAtom may be null.
OSErr QTInsertChild(QTAtomContainer ioContainer, QTAtom inParent, QTAtomType inType, QTAtomID inID, short inIndex,
                    long inDataSize, const void* inData, QTAtom* outAtom);
// The atom after inCurrent (0: the first); *outNext is 0 after the last. -50 for a malformed
// container or an atom that is not one of its atoms.
OSErr QTNextChildAnyType(QTAtomContainer inContainer, QTAtom inParent, QTAtom inCurrent, QTAtom* outNext);
OSErr QTGetAtomTypeAndID(QTAtomContainer inContainer, QTAtom inAtom, QTAtomType* outType, QTAtomID* outID);
// Copies the atom's data into inBuffer of inSize bytes. A larger atom is cut to inSize when
// inSizeOrLessOK, else -50. *outActualSize (may be null) gets the bytes copied.
OSErr QTCopyAtomDataToPtr(QTAtomContainer inContainer, QTAtom inAtom, Boolean inSizeOrLessOK, long inSize,
                          void* inBuffer, long* outActualSize);
short QTCountChildrenOfType(QTAtomContainer inContainer, QTAtom inParent, QTAtomType inType);
