#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "automation/Registry.h"

namespace {

class RegistryTest : public TemporaryRegistryTest {
protected:
    // A key made under HKEY_LOCAL_MACHINE for the test; closed at the end.
    HKEY Create(const char* inPath)
    {
        HKEY theKey = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, inPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &theKey, nullptr),
                  static_cast<LONG>(ERROR_SUCCESS));
        mOpen.push_back(theKey);
        return theKey;
    }
    void TearDown() override
    {
        for (HKEY theKey : mOpen)
            if (theKey != nullptr)
                RegCloseKey(theKey);
        TemporaryRegistryTest::TearDown();
    }

private:
    std::vector<HKEY> mOpen;
};

LONG SetText(HKEY inKey, const char* inName, const std::string& inText)
{
    return RegSetValueEx(inKey, inName, 0, REG_SZ, reinterpret_cast<const BYTE*>(inText.c_str()),
                         static_cast<DWORD>(inText.size() + 1));
}

LONG SetNumber(HKEY inKey, const char* inName, DWORD inValue)
{
    return RegSetValueEx(inKey, inName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&inValue), sizeof inValue);
}

// The value's text, or "<error N>".
std::string Text(HKEY inKey, const char* inName)
{
    char theBuffer[256] = {};
    DWORD theSize = sizeof theBuffer;
    DWORD theType = 0;
    const LONG theError =
        RegQueryValueEx(inKey, inName, nullptr, &theType, reinterpret_cast<BYTE*>(theBuffer), &theSize);
    if (theError != ERROR_SUCCESS)
        return "<error " + std::to_string(theError) + ">";
    return std::string(theBuffer, theSize > 0 ? theSize - 1 : 0);
}

LONG OpenLocal(const char* inPath, HKEY* outKey)
{
    return RegOpenKeyEx(HKEY_LOCAL_MACHINE, inPath, 0, KEY_READ, outKey);
}

bool Exists(const char* inPath)
{
    HKEY theKey = nullptr;
    if (OpenLocal(inPath, &theKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(theKey);
    return true;
}

std::vector<std::string> Subkeys(HKEY inKey)
{
    std::vector<std::string> theNames;
    for (DWORD theIndex = 0;; ++theIndex) {
        char theName[300];
        DWORD theSize = sizeof theName;
        const LONG theError = RegEnumKeyEx(inKey, theIndex, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
        if (theError != ERROR_SUCCESS) {
            EXPECT_EQ(theError, static_cast<LONG>(ERROR_NO_MORE_ITEMS));
            break;
        }
        theNames.emplace_back(theName, theSize);
    }
    return theNames;
}

int WaitForChild(pid_t inChild)
{
    int theStatus = 0;
    waitpid(inChild, &theStatus, 0);
    return WIFEXITED(theStatus) ? WEXITSTATUS(theStatus) : 1000 + WTERMSIG(theStatus);
}

TEST_F(RegistryTest, CreateSetAndQueryValues)
{
    DWORD theDisposition = 0;
    HKEY theKey = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tallowmarch\\Vellumax\\2.0", 0, nullptr,
                             REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &theKey, &theDisposition),
              static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(theDisposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetNumber(theKey, "LogErrors", 1), static_cast<LONG>(ERROR_SUCCESS));
    ASSERT_EQ(SetText(theKey, "", "default text"), static_cast<LONG>(ERROR_SUCCESS));
    ASSERT_EQ(SetNumber(theKey, "LogErrors", 7), static_cast<LONG>(ERROR_SUCCESS));  // replaced, not added
    RegCloseKey(theKey);

    HKEY theAgain = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tallowmarch\\Vellumax\\2.0", 0, nullptr, 0, KEY_READ,
                             nullptr, &theAgain, &theDisposition),
              static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(theDisposition, REG_OPENED_EXISTING_KEY);
    DWORD theValue = 0;
    DWORD theSize = sizeof theValue;
    DWORD theType = 0;
    ASSERT_EQ(RegQueryValueEx(theAgain, "LogErrors", nullptr, &theType, reinterpret_cast<BYTE*>(&theValue), &theSize),
              static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(theType, REG_DWORD);
    EXPECT_EQ(theSize, 4u);
    EXPECT_EQ(theValue, 7u);
    EXPECT_EQ(Text(theAgain, nullptr), "default text");  // the default value: null or empty name
    EXPECT_EQ(Text(theAgain, "Missing"), "<error 2>");
    RegCloseKey(theAgain);

    HKEY theMissing = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(OpenLocal("SOFTWARE\\Nobody", &theMissing), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(theMissing, nullptr);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreAsciiCase)
{
    HKEY theKey = Create("Software\\MixedCase");
    ASSERT_EQ(SetText(theKey, "ThreadingModel", "Apartment"), static_cast<LONG>(ERROR_SUCCESS));
    ASSERT_EQ(SetText(theKey, "THREADINGMODEL", "Both"), static_cast<LONG>(ERROR_SUCCESS));  // same value

    struct Case {
        const char* mKey;
        const char* mValue;
        const char* mExpected;
    };
    const Case theCases[] = {
        {"Software\\MixedCase", "ThreadingModel", "Both"},
        {"SOFTWARE\\MIXEDCASE", "threadingmodel", "Both"},
        {"software\\mixedcase\\", "ThReAdInGmOdEl", "Both"},
        {"\\software\\\\mixedcase", "threadingModel", "Both"},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mKey);
        HKEY theOpened = nullptr;
        ASSERT_EQ(OpenLocal(theCase.mKey, &theOpened), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(Text(theOpened, theCase.mValue), theCase.mExpected);
        RegCloseKey(theOpened);
    }
    // Only ASCII letters fold: a name with another case of a non-ASCII letter is another key.
    Create("Software\\Ärger");
    EXPECT_FALSE(Exists("Software\\äRGER"));
    EXPECT_TRUE(Exists("Software\\ÄRGER"));
    // The name keeps the case it was made with.
    EXPECT_EQ(Subkeys(Create("Software")), (std::vector<std::string>{"MixedCase", "Ärger"}));
}

TEST_F(RegistryTest, QueryFollowsTheBufferSizeRules)
{
    HKEY theKey = Create("Sizes");
    ASSERT_EQ(SetText(theKey, "Path", "/usr/lib/module.so"), static_cast<LONG>(ERROR_SUCCESS));
    const DWORD theNeeded = sizeof "/usr/lib/module.so";

    DWORD theSize = 0;
    ASSERT_EQ(RegQueryValueEx(theKey, "Path", nullptr, nullptr, nullptr, &theSize), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(theSize, theNeeded);

    char theSmall[8];
    std::memset(theSmall, 'x', sizeof theSmall);
    theSize = sizeof theSmall;
    DWORD theType = 0;
    EXPECT_EQ(RegQueryValueEx(theKey, "Path", nullptr, &theType, reinterpret_cast<BYTE*>(theSmall), &theSize),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(theSize, theNeeded);
    EXPECT_EQ(theType, REG_SZ);
    EXPECT_EQ(std::string(theSmall, sizeof theSmall), std::string(8, 'x'));  // nothing copied

    char theExact[sizeof "/usr/lib/module.so"];
    theSize = sizeof theExact;
    EXPECT_EQ(RegQueryValueEx(theKey, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(theExact), &theSize),
              static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_STREQ(theExact, "/usr/lib/module.so");

    EXPECT_EQ(RegQueryValueEx(theKey, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(theExact), nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
}

TEST_F(RegistryTest, ValueDataIsCheckedAndStringsAreTerminated)
{
    HKEY theKey = Create("Data");
    const char theUnterminated[] = {'a', 'b', 'c'};
    ASSERT_EQ(RegSetValueEx(theKey, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(theUnterminated), 3),
              static_cast<LONG>(ERROR_SUCCESS));
    DWORD theSize = 0;
    RegQueryValueEx(theKey, "Text", nullptr, nullptr, nullptr, &theSize);
    EXPECT_EQ(theSize, 4u);
    EXPECT_EQ(Text(theKey, "Text"), "abc");

    const BYTE theBytes[] = {1, 2};
    struct Case {
        const char* mName;
        DWORD mType;
        const BYTE* mData;
        DWORD mSize;
        LONG mExpected;
    };
    const Case theCases[] = {
        {"dword of two bytes", REG_DWORD, theBytes, 2, ERROR_INVALID_PARAMETER},
        {"data missing", REG_BINARY, nullptr, 2, ERROR_INVALID_PARAMETER},
        {"unknown type", 77, theBytes, 2, ERROR_INVALID_PARAMETER},
        {"too large", REG_BINARY, theBytes, kRegistryMaxValueSize + 1, ERROR_INVALID_PARAMETER},
        {"empty binary", REG_BINARY, nullptr, 0, ERROR_SUCCESS},
        {"binary", REG_BINARY, theBytes, 2, ERROR_SUCCESS},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName);
        EXPECT_EQ(RegSetValueEx(theKey, theCase.mName, 0, theCase.mType, theCase.mData, theCase.mSize),
                  theCase.mExpected);
        DWORD theQueried = 0;
        EXPECT_EQ(RegQueryValueEx(theKey, theCase.mName, nullptr, nullptr, nullptr, &theQueried),
                  theCase.mExpected == ERROR_SUCCESS ? static_cast<LONG>(ERROR_SUCCESS)
                                                     : static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    }
}

TEST_F(RegistryTest, EnumerationIsInCaseInsensitiveNameOrder)
{
    HKEY theKey = Create("Enum");
    for (const char* theName : {"delta", "Bravo", "alpha", "Charlie"})
        ASSERT_NE(Create((std::string("Enum\\") + theName).c_str()), nullptr);
    EXPECT_EQ(Subkeys(theKey), (std::vector<std::string>{"alpha", "Bravo", "Charlie", "delta"}));

    char theName[4];
    DWORD theSize = sizeof theName;
    EXPECT_EQ(RegEnumKeyEx(theKey, 2, theName, &theSize, nullptr, nullptr, nullptr, nullptr),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(theSize, 7u);  // "Charlie" without its NUL
    theSize = 5;
    char theFits[5];
    EXPECT_EQ(RegEnumKeyEx(theKey, 3, theFits, &theSize, nullptr, nullptr, nullptr, nullptr),
              static_cast<LONG>(ERROR_MORE_DATA));  // "delta" needs room for its NUL too

    ASSERT_EQ(SetNumber(theKey, "zeta", 1), static_cast<LONG>(ERROR_SUCCESS));
    ASSERT_EQ(SetText(theKey, "Eta", "x"), static_cast<LONG>(ERROR_SUCCESS));
    std::vector<std::string> theValues;
    for (DWORD theIndex = 0;; ++theIndex) {
        char theValueName[32];
        DWORD theNameSize = sizeof theValueName;
        DWORD theType = 0;
        if (RegEnumValue(theKey, theIndex, theValueName, &theNameSize, nullptr, &theType, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        theValues.push_back(std::string(theValueName) + ":" + std::to_string(theType));
    }
    EXPECT_EQ(theValues, (std::vector<std::string>{"Eta:1", "zeta:4"}));
}

TEST_F(RegistryTest, DeletingKeysValuesAndTrees)
{
    HKEY theTop = Create("Tree");
    Create("Tree\\A\\B\\C");
    HKEY theB = Create("Tree\\A\\B");
    ASSERT_EQ(SetText(theB, "v", "b"), static_cast<LONG>(ERROR_SUCCESS));
    ASSERT_EQ(SetText(theTop, "v", "top"), static_cast<LONG>(ERROR_SUCCESS));

    EXPECT_EQ(RegDeleteValue(theB, "V"), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(RegDeleteValue(theB, "v"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegDeleteKey(theTop, "A"), static_cast<LONG>(ERROR_ACCESS_DENIED));  // has subkeys
    EXPECT_EQ(RegDeleteKey(theTop, "A\\B\\C"), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(RegDeleteKey(theTop, "A\\B\\C"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, ""), static_cast<LONG>(ERROR_INVALID_PARAMETER));

    Create("Tree\\A\\B\\C\\D");
    EXPECT_EQ(RegDeleteTree(theTop, "a"), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_FALSE(Exists("Tree\\A"));
    EXPECT_EQ(RegDeleteTree(theTop, "a"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));

    // A handle to a deleted key stays deleted, even when a key of that name is made again.
    EXPECT_EQ(SetText(theB, "v", "again"), static_cast<LONG>(ERROR_KEY_DELETED));
    EXPECT_EQ(Text(theB, "v"), "<error 1018>");
    Create("Tree\\A\\B");
    EXPECT_EQ(Text(theB, "v"), "<error 1018>");

    // Without a subkey, the tree below the key goes and the key stays.
    Create("Tree\\X\\Y");
    EXPECT_EQ(RegDeleteTree(theTop, nullptr), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_TRUE(Exists("Tree"));
    EXPECT_TRUE(Subkeys(theTop).empty());
    EXPECT_EQ(Text(theTop, "v"), "<error 2>");
}

TEST_F(RegistryTest, MissingFileReadsAsEmptyAndReadsDoNotMakeIt)
{
    HKEY theKey = nullptr;
    EXPECT_EQ(OpenLocal("SOFTWARE", &theKey), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    DWORD theSize = 0;
    EXPECT_EQ(RegQueryValueEx(HKEY_CLASSES_ROOT, "", nullptr, nullptr, nullptr, &theSize),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    char theName[16];
    theSize = sizeof theName;
    EXPECT_EQ(RegEnumKeyEx(HKEY_CURRENT_USER, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr),
              static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    struct stat theInfo;
    EXPECT_NE(stat(RegistryFile().c_str(), &theInfo), 0);
}

TEST_F(RegistryTest, FirstWriteMakesTheFolders)
{
    const std::string theDeep = Folder() + "/one/two/registry.db";
    setenv("VX_REGISTRY", theDeep.c_str(), 1);
    EXPECT_STREQ(RegistryDatabasePath(), theDeep.c_str());
    ASSERT_NE(Create("Made"), nullptr);
    struct stat theInfo;
    EXPECT_EQ(stat(theDeep.c_str(), &theInfo), 0);

    // A folder that can't be made is reported, not hidden.
    const std::string theFile = Folder() + "/plain";
    std::ofstream(theFile) << "x";
    setenv("VX_REGISTRY", (theFile + "/sub/registry.db").c_str(), 1);
    HKEY theKey = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "K", 0, nullptr, 0, KEY_WRITE, nullptr, &theKey, nullptr),
              static_cast<LONG>(ERROR_PATH_NOT_FOUND));
}

TEST(RegistryLocation, PathComesFromTheEnvironment)
{
    struct Case {
        const char* mRegistry;
        const char* mDataHome;
        const char* mHome;
        const char* mExpected;
    };
    const Case theCases[] = {
        {"/x/reg.db", "/data", "/home/u", "/x/reg.db"},
        {nullptr, "/data", "/home/u", "/data/vellumax/registry.db"},
        {"", "/data", "/home/u", "/data/vellumax/registry.db"},
        {nullptr, nullptr, "/home/u", "/home/u/.local/share/vellumax/registry.db"},
        {nullptr, "relative", "/home/u", "/home/u/.local/share/vellumax/registry.db"},
    };
    const char* const theNames[] = {"VX_REGISTRY", "XDG_DATA_HOME", "HOME"};
    std::string theSaved[3];
    bool theHad[3];
    for (int theIndex = 0; theIndex < 3; ++theIndex) {
        const char* theValue = std::getenv(theNames[theIndex]);
        theHad[theIndex] = theValue != nullptr;
        theSaved[theIndex] = theValue != nullptr ? theValue : "";
    }
    for (const Case& theCase : theCases) {
        const char* const theValues[] = {theCase.mRegistry, theCase.mDataHome, theCase.mHome};
        for (int theIndex = 0; theIndex < 3; ++theIndex) {
            if (theValues[theIndex] != nullptr)
                setenv(theNames[theIndex], theValues[theIndex], 1);
            else
                unsetenv(theNames[theIndex]);
        }
        EXPECT_STREQ(RegistryDatabasePath(), theCase.mExpected);
    }
    for (int theIndex = 0; theIndex < 3; ++theIndex) {
        if (theHad[theIndex])
            setenv(theNames[theIndex], theSaved[theIndex].c_str(), 1);
        else
            unsetenv(theNames[theIndex]);
    }
}

TEST_F(RegistryTest, CorruptFileFailsWithAnErrorAndIsLeftAlone)
{
    std::string theGarbage;
    for (int theIndex = 0; theIndex < 4096; ++theIndex)
        theGarbage.push_back(static_cast<char>((theIndex * 131 + 7) & 0xFF));
    std::ofstream(RegistryFile(), std::ios::binary) << theGarbage;

    HKEY theKey = nullptr;
    EXPECT_EQ(OpenLocal("SOFTWARE", &theKey), static_cast<LONG>(ERROR_BADDB));
    DWORD theSize = 0;
    EXPECT_EQ(RegQueryValueEx(HKEY_LOCAL_MACHINE, "x", nullptr, nullptr, nullptr, &theSize),
              static_cast<LONG>(ERROR_BADDB));
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "K", 0, nullptr, 0, KEY_WRITE, nullptr, &theKey, nullptr),
              static_cast<LONG>(ERROR_BADDB));
    EXPECT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, "K", "v", REG_DWORD, &theSize, 4), static_cast<LONG>(ERROR_BADDB));
    RegistryTransaction theTransaction;
    EXPECT_EQ(theTransaction.Status(), static_cast<LONG>(ERROR_BADDB));
    EXPECT_EQ(theTransaction.Commit(), static_cast<LONG>(ERROR_BADDB));

    std::ifstream theFile(RegistryFile(), std::ios::binary);
    const std::string theAfter((std::istreambuf_iterator<char>(theFile)), std::istreambuf_iterator<char>());
    EXPECT_EQ(theAfter, theGarbage);
}

TEST_F(RegistryTest, EmptyFileReadsAsEmptyAndTakesWrites)
{
    std::ofstream(RegistryFile()).close();
    HKEY theKey = nullptr;
    EXPECT_EQ(OpenLocal("SOFTWARE", &theKey), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    ASSERT_NE(Create("SOFTWARE"), nullptr);
    EXPECT_TRUE(Exists("software"));
}

TEST_F(RegistryTest, HandlesBelongToTheFileTheyWereOpenedIn)
{
    HKEY theKey = Create("First");
    ASSERT_EQ(SetText(theKey, "v", "one"), static_cast<LONG>(ERROR_SUCCESS));
    setenv("VX_REGISTRY", (Folder() + "/other.db").c_str(), 1);
    EXPECT_EQ(Text(theKey, "v"), "<error 6>");
    EXPECT_FALSE(Exists("First"));
    setenv("VX_REGISTRY", RegistryFile().c_str(), 1);
    EXPECT_EQ(Text(theKey, "v"), "one");
}

TEST_F(RegistryTest, FailedMultiStepWriteLeavesNothing)
{
    // The third part is too long: the first two, already made in the same call, go too.
    const std::string thePath = "Partial\\Middle\\" + std::string(kRegistryMaxKeyNameLength + 1, 'n');
    HKEY theKey = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, thePath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &theKey, nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(theKey, nullptr);
    EXPECT_FALSE(Exists("Partial"));
    EXPECT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, thePath.c_str(), "v", REG_SZ, "x", 2),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Exists("Partial"));
}

TEST_F(RegistryTest, TransactionsCommitTogetherOrNotAtAll)
{
    {
        RegistryTransaction theTransaction;
        ASSERT_EQ(theTransaction.Status(), static_cast<LONG>(ERROR_SUCCESS));
        ASSERT_EQ(RegSetKeyValue(HKEY_CLASSES_ROOT, "Dropped\\CLSID", "", REG_SZ, "x", 2),
                  static_cast<LONG>(ERROR_SUCCESS));
        HKEY theKey = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "Dropped\\CLSID", 0, KEY_READ, &theKey),
                  static_cast<LONG>(ERROR_SUCCESS));  // the writer sees its own writes
        RegCloseKey(theKey);
    }  // not committed
    HKEY theKey = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "Dropped", 0, KEY_READ, &theKey),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));

    {
        RegistryTransaction theOuter;
        ASSERT_EQ(RegSetKeyValue(HKEY_CLASSES_ROOT, "Kept", "", REG_SZ, "x", 2), static_cast<LONG>(ERROR_SUCCESS));
        {
            RegistryTransaction theInner;
            ASSERT_EQ(RegSetKeyValue(HKEY_CLASSES_ROOT, "Inner", "", REG_SZ, "x", 2), static_cast<LONG>(ERROR_SUCCESS));
        }  // the inner level is undone alone
        // A failing write inside undoes itself and leaves the transaction usable.
        EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "Nothing"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
        ASSERT_EQ(RegSetKeyValue(HKEY_CLASSES_ROOT, "Kept\\Sub", "", REG_SZ, "y", 2), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(theOuter.Commit(), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(theOuter.Commit(), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    }
    for (const auto& [thePath, theExpected] :
         {std::pair{"Kept", ERROR_SUCCESS}, {"Kept\\Sub", ERROR_SUCCESS}, {"Inner", ERROR_FILE_NOT_FOUND}}) {
        SCOPED_TRACE(thePath);
        EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, thePath, 0, KEY_READ, &theKey), static_cast<LONG>(theExpected));
        if (theKey != nullptr)
            RegCloseKey(theKey);
        theKey = nullptr;
    }
}

TEST_F(RegistryTest, OtherProcessesSeeATransactionOnlyWhenCommitted)
{
    ASSERT_NE(Create("Present"), nullptr);
    int theToParent[2];
    int theToChild[2];
    ASSERT_EQ(pipe(theToParent), 0);
    ASSERT_EQ(pipe(theToChild), 0);
    const pid_t theChild = fork();
    if (theChild == 0) {
        RegistryTransaction theTransaction;
        const bool theWritten = Create("Pending") != nullptr && Create("Pending\\Deeper") != nullptr;
        char theSignal = theWritten ? 'w' : 'n';
        (void)!write(theToParent[1], &theSignal, 1);
        (void)!read(theToChild[0], &theSignal, 1);  // until the parent has looked
        _exit(theWritten && theTransaction.Commit() == ERROR_SUCCESS ? 0 : 1);
    }
    char theSignal = 0;
    ASSERT_EQ(read(theToParent[0], &theSignal, 1), 1);
    ASSERT_EQ(theSignal, 'w');
    EXPECT_FALSE(Exists("Pending"));
    EXPECT_TRUE(Exists("Present"));
    (void)!write(theToChild[1], &theSignal, 1);
    EXPECT_EQ(WaitForChild(theChild), 0);
    EXPECT_TRUE(Exists("Pending\\Deeper"));
    for (int theEnd : {theToParent[0], theToParent[1], theToChild[0], theToChild[1]})
        close(theEnd);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceBothSucceed)
{
    ASSERT_NE(Create("Shared"), nullptr);  // the file exists before the writers start
    constexpr int kWrites = 100;
    pid_t theChildren[2];
    for (int theWriter = 0; theWriter < 2; ++theWriter) {
        theChildren[theWriter] = fork();
        if (theChildren[theWriter] == 0) {
            for (int theIndex = 0; theIndex < kWrites; ++theIndex) {
                const std::string theName = "w" + std::to_string(theWriter) + "-" + std::to_string(theIndex);
                const DWORD theValue = static_cast<DWORD>(theIndex);
                if (RegSetKeyValue(HKEY_LOCAL_MACHINE, "Shared", theName.c_str(), REG_DWORD, &theValue, 4) !=
                    ERROR_SUCCESS)
                    _exit(10 + theWriter);
            }
            _exit(0);
        }
    }
    EXPECT_EQ(WaitForChild(theChildren[0]), 0);
    EXPECT_EQ(WaitForChild(theChildren[1]), 0);
    HKEY theKey = nullptr;
    ASSERT_EQ(OpenLocal("Shared", &theKey), static_cast<LONG>(ERROR_SUCCESS));
    std::set<std::string> theNames;
    for (DWORD theIndex = 0;; ++theIndex) {
        char theName[32];
        DWORD theSize = sizeof theName;
        if (RegEnumValue(theKey, theIndex, theName, &theSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        theNames.insert(theName);
    }
    RegCloseKey(theKey);
    EXPECT_EQ(theNames.size(), 2u * kWrites);
}

TEST_F(RegistryTest, WriterWaitsForAnotherProcessesTransaction)
{
    ASSERT_NE(Create("Busy"), nullptr);
    int thePipe[2];
    ASSERT_EQ(pipe(thePipe), 0);
    // The child holds a transaction for a while; the parent's write waits for it, then succeeds.
    // (A child must not inherit an open transaction: SQLite's lock state does not survive fork.)
    const pid_t theChild = fork();
    if (theChild == 0) {
        RegistryTransaction theTransaction;
        const bool theWritten = RegSetKeyValue(HKEY_LOCAL_MACHINE, "Busy", "child", REG_SZ, "c", 2) == ERROR_SUCCESS;
        const char theReady = theWritten ? 'y' : 'n';
        (void)!write(thePipe[1], &theReady, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        _exit(theWritten && theTransaction.Commit() == ERROR_SUCCESS ? 0 : 1);
    }
    char theReady = 0;
    ASSERT_EQ(read(thePipe[0], &theReady, 1), 1);
    close(thePipe[0]);
    close(thePipe[1]);
    ASSERT_EQ(theReady, 'y');
    const auto theStart = std::chrono::steady_clock::now();
    EXPECT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, "Busy", "parent", REG_SZ, "p", 2), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_GE(std::chrono::steady_clock::now() - theStart, std::chrono::milliseconds(150));
    EXPECT_EQ(WaitForChild(theChild), 0);
    HKEY theKey = nullptr;
    ASSERT_EQ(OpenLocal("Busy", &theKey), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(Text(theKey, "parent"), "p");
    EXPECT_EQ(Text(theKey, "child"), "c");
    RegCloseKey(theKey);
}

}  // namespace
