#include "automation/Errors.h"

#include <cerrno>

namespace {

struct CodeEntry {
    std::uint32_t mCode;
    const char* mName;
    const char* mText;  // without the line end
};

constexpr std::uint32_t Code(HRESULT inCode)
{
    return static_cast<std::uint32_t>(inCode);
}

// Result codes the runtime and the server produce. Codes of the 0x8007xxxx
// family are not listed here: their text is the Windows error's.
constexpr CodeEntry kResults[] = {
    {Code(S_OK), "S_OK", "The operation completed successfully."},
    {Code(S_FALSE), "S_FALSE", "The operation completed with a negative answer."},
    {Code(E_NOTIMPL), "E_NOTIMPL", "Not implemented"},
    {Code(E_NOINTERFACE), "E_NOINTERFACE", "The object does not support the requested interface"},
    {Code(E_POINTER), "E_POINTER", "Invalid pointer"},
    {Code(E_ABORT), "E_ABORT", "The operation was aborted"},
    {Code(E_FAIL), "E_FAIL", "Unspecified error"},
    {Code(E_UNEXPECTED), "E_UNEXPECTED", "An unexpected failure occurred"},
    {Code(E_ACCESSDENIED), "E_ACCESSDENIED", nullptr},
    {Code(E_HANDLE), "E_HANDLE", nullptr},
    {Code(E_OUTOFMEMORY), "E_OUTOFMEMORY", nullptr},
    {Code(E_INVALIDARG), "E_INVALIDARG", nullptr},
    {Code(CLASS_E_NOAGGREGATION), "CLASS_E_NOAGGREGATION", "The class cannot be created as part of an aggregate"},
    {Code(CLASS_E_CLASSNOTAVAILABLE), "CLASS_E_CLASSNOTAVAILABLE",
     "The class factory cannot supply the requested class"},
    {Code(REGDB_E_READREGDB), "REGDB_E_READREGDB", "A key could not be read from the registry"},
    {Code(REGDB_E_WRITEREGDB), "REGDB_E_WRITEREGDB", "A key could not be written to the registry"},
    {Code(REGDB_E_KEYMISSING), "REGDB_E_KEYMISSING", "The key was not found in the registry"},
    {Code(REGDB_E_CLASSNOTREG), "REGDB_E_CLASSNOTREG", "Class not registered"},
    {Code(CO_E_CLASSSTRING), "CO_E_CLASSSTRING", "Invalid class string"},
    {Code(CO_E_DLLNOTFOUND), "CO_E_DLLNOTFOUND", "The module that serves the class was not found"},
    {Code(CO_E_ERRORINDLL), "CO_E_ERRORINDLL", "The module that serves the class is damaged or incomplete"},
    {Code(SELFREG_E_TYPELIB), "SELFREG_E_TYPELIB", "The server could not register its type library"},
    {Code(SELFREG_E_CLASS), "SELFREG_E_CLASS", "The server could not register its classes"},
    {Code(DISP_E_UNKNOWNINTERFACE), "DISP_E_UNKNOWNINTERFACE", "Unknown interface."},
    {Code(DISP_E_MEMBERNOTFOUND), "DISP_E_MEMBERNOTFOUND", "Member not found."},
    {Code(DISP_E_PARAMNOTFOUND), "DISP_E_PARAMNOTFOUND", "Parameter not found."},
    {Code(DISP_E_TYPEMISMATCH), "DISP_E_TYPEMISMATCH", "Type mismatch."},
    {Code(DISP_E_UNKNOWNNAME), "DISP_E_UNKNOWNNAME", "Unknown name."},
    {Code(DISP_E_NONAMEDARGS), "DISP_E_NONAMEDARGS", "Named arguments are not supported."},
    {Code(DISP_E_BADVARTYPE), "DISP_E_BADVARTYPE", "Bad variable type."},
    {Code(DISP_E_EXCEPTION), "DISP_E_EXCEPTION", "Exception occurred."},
    {Code(DISP_E_OVERFLOW), "DISP_E_OVERFLOW", "Overflow."},
    {Code(DISP_E_BADINDEX), "DISP_E_BADINDEX", "Invalid index."},
    {Code(DISP_E_UNKNOWNLCID), "DISP_E_UNKNOWNLCID", "Unknown language."},
    {Code(DISP_E_ARRAYISLOCKED), "DISP_E_ARRAYISLOCKED", "Memory is locked."},
    {Code(DISP_E_BADPARAMCOUNT), "DISP_E_BADPARAMCOUNT", "Invalid number of parameters."},
    {Code(DISP_E_PARAMNOTOPTIONAL), "DISP_E_PARAMNOTOPTIONAL", "Parameter not optional."},
    {Code(DISP_E_NOTACOLLECTION), "DISP_E_NOTACOLLECTION", "The object is not a collection."},
    {Code(TYPE_E_ELEMENTNOTFOUND), "TYPE_E_ELEMENTNOTFOUND", "Element not found."},
    {Code(TYPE_E_LIBNOTREGISTERED), "TYPE_E_LIBNOTREGISTERED", "Library not registered."},
    {Code(TYPE_E_CANTLOADLIBRARY), "TYPE_E_CANTLOADLIBRARY", "The type library could not be loaded."},
};

// Windows-style error numbers that platform calls report.
constexpr CodeEntry kWindowsErrors[] = {
    {0, "ERROR_SUCCESS", "The operation completed successfully."},
    {1, "ERROR_INVALID_FUNCTION", "The function is not valid for this object."},
    {2, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified."},
    {3, "ERROR_PATH_NOT_FOUND", "The system cannot find the path specified."},
    {4, "ERROR_TOO_MANY_OPEN_FILES", "Too many files are open."},
    {5, "ERROR_ACCESS_DENIED", "Access is denied."},
    {6, "ERROR_INVALID_HANDLE", "The handle is not valid."},
    {8, "ERROR_NOT_ENOUGH_MEMORY", "There is not enough memory to complete this command."},
    {13, "ERROR_INVALID_DATA", "The data is not valid."},
    {14, "ERROR_OUTOFMEMORY", "There is not enough memory to complete this operation."},
    {15, "ERROR_INVALID_DRIVE", "The drive cannot be found."},
    {17, "ERROR_NOT_SAME_DEVICE", "The file cannot be moved to a different disk."},
    {19, "ERROR_WRITE_PROTECT", "The medium is write-protected."},
    {21, "ERROR_NOT_READY", "The device is not ready."},
    {31, "ERROR_GEN_FAILURE", "A device is not working."},
    {32, "ERROR_SHARING_VIOLATION", "The file is in use by another process."},
    {33, "ERROR_LOCK_VIOLATION", "Part of the file is locked by another process."},
    {38, "ERROR_HANDLE_EOF", "The end of the file was reached."},
    {50, "ERROR_NOT_SUPPORTED", "The request is not supported."},
    {80, "ERROR_FILE_EXISTS", "The file exists."},
    {87, "ERROR_INVALID_PARAMETER", "The parameter is incorrect."},
    {109, "ERROR_BROKEN_PIPE", "The pipe has been closed."},
    {112, "ERROR_DISK_FULL", "There is not enough space on the disk."},
    {123, "ERROR_INVALID_NAME", "The file name, folder name or volume label is not valid."},
    {126, "ERROR_MOD_NOT_FOUND", "The module could not be found."},
    {127, "ERROR_PROC_NOT_FOUND", "The procedure could not be found."},
    {145, "ERROR_DIR_NOT_EMPTY", "The folder is not empty."},
    {170, "ERROR_BUSY", "The resource is in use."},
    {183, "ERROR_ALREADY_EXISTS", "The file cannot be created because it already exists."},
    {193, "ERROR_BAD_EXE_FORMAT", "The file is not a valid program or module."},
    {206, "ERROR_FILENAME_EXCED_RANGE", "The file name or extension is too long."},
    {223, "ERROR_FILE_TOO_LARGE", "The file is too large."},
    {259, "ERROR_NO_MORE_ITEMS", "No more data is available."},
    {1009, "ERROR_BADDB", "The registry database is damaged."},
    {1010, "ERROR_BADKEY", "The registry key is not valid."},
    {1011, "ERROR_CANTOPEN", "The registry key could not be opened."},
    {1012, "ERROR_CANTREAD", "The registry key could not be read."},
    {1013, "ERROR_CANTWRITE", "The registry key could not be written."},
    {1018, "ERROR_KEY_DELETED", "The registry key has been marked for deletion."},
};

template <std::size_t N>
const CodeEntry* Find(const CodeEntry (&inTable)[N], std::uint32_t inCode)
{
    for (const CodeEntry& theEntry : inTable)
        if (theEntry.mCode == inCode)
            return &theEntry;
    return nullptr;
}

constexpr std::uint32_t kWin32Family = 0x80070000u;

// Numbers errno maps to that have no constant in the header.
constexpr DWORD kErrorNotSameDevice = 17;
constexpr DWORD kErrorBrokenPipe = 109;
constexpr DWORD kErrorBadExeFormat = 193;
constexpr DWORD kErrorFileTooLarge = 223;

thread_local DWORD tLastError = ERROR_SUCCESS;

}  // namespace

const char* AutomationCodeName(HRESULT inCode)
{
    const CodeEntry* theEntry = Find(kResults, Code(inCode));
    return theEntry != nullptr ? theEntry->mName : "";
}

std::string SystemMessageText(std::uint32_t inCode)
{
    const CodeEntry* theEntry = nullptr;
    if ((inCode & 0xFFFF0000u) == kWin32Family)
        theEntry = Find(kWindowsErrors, inCode & 0xFFFFu);
    else if (inCode <= 0xFFFFu)
        theEntry = Find(kWindowsErrors, inCode);
    else
        theEntry = Find(kResults, inCode);
    if (theEntry == nullptr || theEntry->mText == nullptr)
        return {};
    return std::string(theEntry->mText) + "\r\n";
}

DWORD GetLastError()
{
    return tLastError;
}

void SetLastError(DWORD inError)
{
    tLastError = inError;
}

DWORD Win32FromErrno(int inErrno)
{
    switch (inErrno) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENODEV:
    case ENXIO:
        return ERROR_INVALID_DRIVE;
    case EXDEV:
        return kErrorNotSameDevice;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case EAGAIN:
    case EDEADLK:
        return ERROR_LOCK_VIOLATION;
    case ENOSYS:
    case EOPNOTSUPP:
        return ERROR_NOT_SUPPORTED;
    case EINVAL:
    case E2BIG:
    case ERANGE:
        return ERROR_INVALID_PARAMETER;
    case EPIPE:
        return kErrorBrokenPipe;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
        return ERROR_BUSY;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOEXEC:
        return kErrorBadExeFormat;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EFBIG:
        return kErrorFileTooLarge;
    default:
        return ERROR_GEN_FAILURE;
    }
}

DWORD SetLastErrorFromErrno()
{
    const DWORD theError = Win32FromErrno(errno);
    SetLastError(theError);
    return theError;
}
