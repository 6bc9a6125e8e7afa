// File specifications and data-fork access.
//
// Writing is transactional: a file opened for writing is written into a temporary file in the same
// folder, which replaces the real file (rename) only when FSClose succeeds. A failed write, or a
// failed close, discards the temporary file, so the path keeps exactly its old content.
//
// Replacing a file the classic way (FSpDelete, FSpCreate, FSpOpenDF, FSWrite, FSClose) keeps the
// same guarantee: FSpDelete of a file does not remove it at once but marks it deleted for the
// calling thread. When that thread's next file call is FSpCreate of the same file, the delete
// becomes part of the replacement and takes effect only at the successful FSClose (the new file is
// renamed over the old one); a failed creation or write cancels it and the old file stays. Any other file call
// of that thread, and TerminateQTML or ExitMovies on it, first carries out a pending delete. While
// marked, the file reads as absent to these calls (-43).
//
// The new content is written into an unnamed file of the folder and linked in only when complete, so a
// process killed while writing leaves nothing behind, never a half-written file under the real name
// (where unnamed files can't be linked in, a hidden .vx-write-XXXXXX file stands in, and those of
// killed writers are swept once a minute old). A symbolic link at the path is followed: the file it
// names is replaced and the link kept. Deletes and creations are the calling thread's own, so that
// other threads' saves of the same file never meet them. Writes take only what FSpReplaceContents
// takes, and keep what it keeps; any name the folder accepts can be written.
#pragma once

#include "imaging/MacTypes.h"

constexpr int kFSSpecPathMax = 4096;
// The most bytes a file opened for reading may hold (256 MiB): pictures are read whole.
constexpr long kMaxReadBytes = 256L << 20;

struct FSSpec {
    std::int16_t vRefNum;       // volume: the device number, truncated
    std::int32_t parID;         // folder identifier, valid within this process
    Str63 name;                 // the file name, cut to 63 bytes
    char path[kFSSpecPathMax];  // the native absolute path (the authoritative part)
};

constexpr char fsCurPerm = 0;
constexpr char fsRdPerm = 1;
constexpr char fsWrPerm = 2;
constexpr char fsRdWrPerm = 3;
constexpr ScriptCode smSystemScript = -1;

// 0 when the file exists, -43 when it does not (the FSSpec is still filled, so it can be created),
// -120 when its folder does not exist, -37 for an empty or over-long path. Relative paths are
// taken from the current directory.
OSErr NativePathNameToFSSpec(const char* inPath, FSSpec* outSpec, long inFlags);
// Makes a spec from a folder identifier given out by this process and a name; a name that holds
// '/' is a path (absolute, or relative to the folder). Results as NativePathNameToFSSpec.
OSErr FSMakeFSSpec(short inVRefNum, long inDirID, const unsigned char* inName, FSSpec* outSpec);
OSErr FSpDelete(const FSSpec* inSpec);
// Creator and type are accepted and not stored. -48 when the file exists. A new file appears at
// the thread's FSClose of it, whole, or empty when the thread stops the platform without opening it.
OSErr FSpCreate(const FSSpec* inSpec, OSType inCreator, OSType inType, ScriptCode inScriptTag);
// Reading opens without blocking and takes only a regular file: anything else gives -36 (system
// error EINVAL), a file over kMaxReadBytes -108 (system error EFBIG).
OSErr FSpOpenDF(const FSSpec* inSpec, char inPermission, short* outRefNum);
// ioCount: bytes to write in, bytes written out. Writes at the current position (0 after open).
OSErr FSWrite(short inRefNum, long* ioCount, const void* inBuffer);
OSErr FSRead(short inRefNum, long* ioCount, void* outBuffer);
// Returns the first write error of the file when there was one (its data was discarded).
OSErr FSClose(short inRefNum);
// The one writer of whole files: inCount bytes become the file's whole content, all or nothing,
// with no delete, create or open (so saves of one file from several threads or processes never
// meet: the last to finish wins, and a reader sees the old file or the whole new one). Only a
// regular file or a new name is written; a folder, device, pipe or socket, or a file the caller
// could not open for writing in place, is refused with -54 (EACCES, or the open's own reason, as
// FSLastSystemError). The file keeps its mode, and its owner and group where the caller may set
// them; a file with several links, or one whose owner the caller could not give back, is written
// in place under a lock once its room is reserved.
OSErr FSpReplaceContents(const FSSpec* inSpec, const void* inBytes, long inCount);
// The system's error number (errno) behind the calling thread's last file call when that call
// failed for a reason of the system; 0 when it succeeded or failed for a reason of its own (a
// file another write holds, say). Callers that report the system's own texts read it here.
int FSLastSystemError();
