#include <gtest/gtest.h>

#include <cerrno>
#include <string_view>
#include <thread>

#include "automation/Errors.h"

namespace {

TEST(AutomationCodeName, NamesKnownCodes)
{
    EXPECT_STREQ(AutomationCodeName(S_OK), "S_OK");
    EXPECT_STREQ(AutomationCodeName(E_FAIL), "E_FAIL");
    EXPECT_STREQ(AutomationCodeName(DISP_E_TYPEMISMATCH), "DISP_E_TYPEMISMATCH");
    EXPECT_STREQ(AutomationCodeName(E_INVALIDARG), "E_INVALIDARG");
    EXPECT_STREQ(AutomationCodeName(REGDB_E_CLASSNOTREG), "REGDB_E_CLASSNOTREG");
    EXPECT_STREQ(AutomationCodeName(static_cast<HRESULT>(0x80041234u)), "");
}

struct TextRow {
    std::uint32_t mCode;
    const char* mText;
};

TEST(SystemMessageText, GivesTheFixedTexts)
{
    const TextRow theRows[] = {
        {static_cast<std::uint32_t>(E_FAIL), "Unspecified error\r\n"},
        {static_cast<std::uint32_t>(E_POINTER), "Invalid pointer\r\n"},
        {static_cast<std::uint32_t>(E_INVALIDARG), "The parameter is incorrect.\r\n"},
        {static_cast<std::uint32_t>(E_ACCESSDENIED), "Access is denied.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH), "Type mismatch.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_OVERFLOW), "Overflow.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_MEMBERNOTFOUND), "Member not found.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_UNKNOWNNAME), "Unknown name.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_BADPARAMCOUNT), "Invalid number of parameters.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_BADINDEX), "Invalid index.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_BADVARTYPE), "Bad variable type.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_PARAMNOTOPTIONAL), "Parameter not optional.\r\n"},
        {static_cast<std::uint32_t>(DISP_E_ARRAYISLOCKED), "Memory is locked.\r\n"},
        {static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG), "Class not registered\r\n"},
        {static_cast<std::uint32_t>(CO_E_CLASSSTRING), "Invalid class string\r\n"},
        {2, "The system cannot find the file specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {112, "There is not enough space on the disk.\r\n"},
        {0x80070002u, "The system cannot find the file specified.\r\n"},
        {0x80070070u, "There is not enough space on the disk.\r\n"},
    };
    for (const TextRow& theRow : theRows)
        EXPECT_EQ(SystemMessageText(theRow.mCode), theRow.mText) << std::hex << theRow.mCode;
}

TEST(SystemMessageText, EveryProducedCodeHasALine)
{
    const HRESULT theResults[] = {E_NOTIMPL,
                                  E_NOINTERFACE,
                                  E_ABORT,
                                  E_UNEXPECTED,
                                  E_HANDLE,
                                  E_OUTOFMEMORY,
                                  CLASS_E_NOAGGREGATION,
                                  CLASS_E_CLASSNOTAVAILABLE,
                                  REGDB_E_READREGDB,
                                  REGDB_E_WRITEREGDB,
                                  REGDB_E_KEYMISSING,
                                  CO_E_DLLNOTFOUND,
                                  CO_E_ERRORINDLL,
                                  SELFREG_E_TYPELIB,
                                  SELFREG_E_CLASS,
                                  DISP_E_UNKNOWNINTERFACE,
                                  DISP_E_PARAMNOTFOUND,
                                  DISP_E_NONAMEDARGS,
                                  DISP_E_EXCEPTION,
                                  DISP_E_UNKNOWNLCID,
                                  DISP_E_NOTACOLLECTION,
                                  TYPE_E_ELEMENTNOTFOUND,
                                  TYPE_E_LIBNOTREGISTERED,
                                  TYPE_E_CANTLOADLIBRARY};
    for (HRESULT theCode : theResults) {
        const std::string theText = SystemMessageText(static_cast<std::uint32_t>(theCode));
        EXPECT_GT(theText.size(), 2u) << AutomationCodeName(theCode);
        EXPECT_TRUE(theText.ends_with("\r\n")) << AutomationCodeName(theCode);
    }
    const DWORD theErrors[] = {ERROR_PATH_NOT_FOUND,
                               ERROR_TOO_MANY_OPEN_FILES,
                               ERROR_INVALID_HANDLE,
                               ERROR_NOT_ENOUGH_MEMORY,
                               ERROR_OUTOFMEMORY,
                               ERROR_INVALID_DRIVE,
                               ERROR_WRITE_PROTECT,
                               ERROR_GEN_FAILURE,
                               ERROR_SHARING_VIOLATION,
                               ERROR_LOCK_VIOLATION,
                               ERROR_HANDLE_EOF,
                               ERROR_NOT_SUPPORTED,
                               ERROR_FILE_EXISTS,
                               ERROR_INVALID_NAME,
                               ERROR_MOD_NOT_FOUND,
                               ERROR_PROC_NOT_FOUND,
                               ERROR_DIR_NOT_EMPTY,
                               ERROR_BUSY,
                               ERROR_ALREADY_EXISTS,
                               ERROR_FILENAME_EXCED_RANGE,
                               ERROR_NO_MORE_ITEMS,
                               ERROR_BADDB,
                               ERROR_BADKEY,
                               ERROR_CANTOPEN,
                               ERROR_CANTREAD,
                               ERROR_CANTWRITE,
                               ERROR_KEY_DELETED};
    for (DWORD theError : theErrors) {
        const std::string theText = SystemMessageText(theError);
        EXPECT_GT(theText.size(), 2u) << theError;
        EXPECT_TRUE(theText.ends_with("\r\n")) << theError;
        EXPECT_EQ(SystemMessageText(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(theError))), theText) << theError;
    }
    // Every number errno can map to has a text.
    for (int theErrno = 1; theErrno < 200; ++theErrno)
        EXPECT_FALSE(SystemMessageText(Win32FromErrno(theErrno)).empty()) << theErrno;
}

TEST(SystemMessageText, UnknownCodesGiveNothing)
{
    EXPECT_EQ(SystemMessageText(0x80041234u), "");
    EXPECT_EQ(SystemMessageText(9999), "");
    EXPECT_EQ(SystemMessageText(0x8007FFFFu), "");
}

TEST(Win32FromErrno, MapsTheUsualNumbers)
{
    const std::pair<int, DWORD> theRows[] = {
        {0, 0},       {ENOENT, 2},         {ENOTDIR, 3},     {EMFILE, 4},  {EACCES, 5},   {EPERM, 5},    {EISDIR, 5},
        {EBADF, 6},   {ENOMEM, 8},         {EROFS, 19},      {EBUSY, 170}, {ENOSPC, 112}, {EDQUOT, 112}, {EEXIST, 183},
        {EINVAL, 87}, {ENAMETOOLONG, 206}, {ENOTEMPTY, 145}, {EAGAIN, 33}, {ENOSYS, 50},  {0x7FFF, 31},
    };
    for (const auto& [theErrno, theError] : theRows)
        EXPECT_EQ(Win32FromErrno(theErrno), theError) << theErrno;
}

TEST(LastError, IsPerThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD theOther = 1;
    std::thread theThread([&theOther] {
        theOther = GetLastError();
        errno = ENOSPC;
        SetLastErrorFromErrno();
    });
    theThread.join();
    EXPECT_EQ(theOther, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    errno = EEXIST;
    EXPECT_EQ(SetLastErrorFromErrno(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

}  // namespace
