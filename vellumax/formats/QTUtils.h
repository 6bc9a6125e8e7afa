// The bridge to the imaging platform: starting and stopping it for one object, its version, and
// finding importers, exporters and codecs.
#pragma once

#include <memory>

#include <automation/Owners.h>

#include "imaging/Atoms.h"
#include "imaging/Components.h"
#include "imaging/MacTypes.h"
#include "imaging/Memory.h"
#include "imaging/QuickDraw.h"

// A relocatable block, disposed when its holder goes.
using HandleRef = std::unique_ptr<char*, vx::CloseWith<DisposeHandle>>;

// Starts the platform for one object (the starts are counted, so every object
// that succeeds must stop it again). outCode is the start's result; outAvailable
// is set when the start succeeded and the platform's major version is 4 or more.
void InitQuickTime(OSErr& outCode, bool& outAvailable);
// Balances InitQuickTime; does nothing when inCode, the code it gave, is not 0.
void ExitQuickTime(OSErr inCode);

// ---- Components, importers and exporters ------------------------------------------------
//
// Results are the platform's codes (0 = success); routines that make component calls may also
// give 32-bit component results. A lookup that fails leaves the instance reference empty, and
// every instance opened on the way is closed unless it is handed back.

// Buffers for component names and information texts hold kQTNameCapacity characters.
constexpr long kQTNameCapacity = 256;

// From Gestalt 'qtim': the highest byte, then the two nibbles of the next byte.
OSErr GetQuickTimeVersion(long& outMajor, long& outMinor, long& outFix);
// On failure the first non-zero of: the platform's pending error, its last memory error, -2070.
OSErr OpenComponentInstance(Component inComponent, ComponentInstance& outInstance);
// Closes the instance, if there is one, and clears the reference.
void CloseImporter(ComponentInstance& ioInstance);
// An owner of an opened instance: closes it however its holder's work ends.
struct ComponentCloser {
    void operator()(ComponentInstance inInstance) const { CloseComponent(inInstance); }
};
using ComponentRef = std::unique_ptr<ComponentInstanceRecord, ComponentCloser>;
// outCount: the number of codecs. With outName (kQTNameCapacity) and 0 <= inIndex < count, the
// codec's type name.
OSErr GetCodecName(long inIndex, char* outName, long& outCount);
// outCount: the number of exporters (base exporters skipped). For the one at inIndex, its name
// and information text into outName and outInfo (either may be null; kQTNameCapacity each); an
// index beyond the count leaves them untouched.
ComponentResult GetExporterName(long inIndex, char* outName, char* outInfo, long& outCount);
// The extension is what follows the first '.' of inExtension (none: empty), so a file path can be
// passed. The first exporter whose MIME type list matches, or whose default extension's first
// three characters equal the extension's; outComponent null when none does (result 0).
ComponentResult FindExporter(const char* inExtension, const char* inMimeType, const char* inDescription,
                             Component& outComponent);
// The same over the importers with their MIME type lists only; -2003 when none matches.
ComponentResult FindImporter(const char* inExtension, const char* inMimeType, const char* inDescription,
                             Component& outComponent);
// The top-level atoms in order: 'ext ' (comma-separated, each piece against the extension),
// 'mime' and 'desc' (whole text); empty inputs are not compared. Case-insensitive, whole strings.
// inExtension is used as given (no '.' is skipped here).
ComponentResult MatchMimeList(const char* inExtension, const char* inMimeType, const char* inDescription,
                              QTAtomContainer inContainer, bool& outMatched);
// ioImporter must be empty on entry. A missing file is an error (-43).
OSErr GetImporterForFile(const char* inPath, ComponentInstance& ioImporter);
// The importer found through inType (as extension, MIME type and description), else the first
// importer that validates the data. ioImporter must be empty on entry. When giving the data to
// the importer found fails, that importer is handed back open with the failure's code.
ComponentResult GetImporterForData(Handle inData, const char* inType, ComponentInstance& ioImporter);
// Unsupported counts as valid; an error or "not valid" (-2001) closes and clears the instance.
ComponentResult ValidateImporter(ComponentInstance& ioImporter);
// Empties outBounds; with an importer, its natural bounds.
ComponentResult GetImageBounds(ComponentInstance inImporter, Rect& outBounds);
// Zero, zero and empty without an importer. outName holds kQTNameCapacity.
ComponentResult GetImageInfo(ComponentInstance inImporter, long& outDepth, long& outResolution, char* outName);
// A length-prefixed string held in a handle into a terminated one (outText
// holds kTextCapacity), with the handle locked; never reads past its end.
void CStringFromHandle(Handle inHandle, char* outText);
// The codec whose type name equals inName (case-insensitive); false when there is none. Installed
// as the parameter library's codec-type lookup by InitQuickTime.
bool LookupCodecType(const char* inName, OSType* outType);
