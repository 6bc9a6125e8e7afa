// Registry reads with a warm database (target: a value read in at most 20 µs), the way the
// server reads its LogErrors setting at every reported error.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "automation/Registry.h"

namespace {

constexpr char kSettingsKey[] = "SOFTWARE\\Tallowmarch\\Vellumax\\2.0";

// A private registry holding the settings key and some neighbours.
class BenchRegistry {
public:
    BenchRegistry()
    {
        std::string theTemplate = (std::filesystem::temp_directory_path() / "vx-bench-XXXXXX").string();
        mFolder = mkdtemp(theTemplate.data()) != nullptr ? theTemplate : std::string();
        setenv("VX_REGISTRY", (mFolder + "/registry.db").c_str(), 1);
        const DWORD theOne = 1;
        RegSetKeyValue(HKEY_LOCAL_MACHINE, kSettingsKey, "LogErrors", REG_DWORD, &theOne, sizeof theOne);
        for (int theIndex = 0; theIndex < 200; ++theIndex) {
            const std::string theKey = "SOFTWARE\\Vendor" + std::to_string(theIndex) + "\\Product";
            RegSetKeyValue(HKEY_LOCAL_MACHINE, theKey.c_str(), "Value", REG_DWORD, &theOne, sizeof theOne);
        }
    }
    ~BenchRegistry()
    {
        unsetenv("VX_REGISTRY");
        if (!mFolder.empty())
            std::filesystem::remove_all(mFolder);
    }

private:
    std::string mFolder;
};

// A value read through a key that is already open.
void BM_QueryValueOpenKey(benchmark::State& ioState)
{
    BenchRegistry theRegistry;
    HKEY theKey = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &theKey) != ERROR_SUCCESS) {
        ioState.SkipWithError("no settings key");
        return;
    }
    for (auto _ : ioState) {
        DWORD theValue = 0;
        DWORD theSize = sizeof theValue;
        if (RegQueryValueEx(theKey, "LogErrors", nullptr, nullptr, reinterpret_cast<BYTE*>(&theValue), &theSize) !=
            ERROR_SUCCESS)
            ioState.SkipWithError("read failed");
        benchmark::DoNotOptimize(theValue);
    }
    RegCloseKey(theKey);
}
BENCHMARK(BM_QueryValueOpenKey);

// Open the four-part settings key, read the value, close: one whole setting read.
void BM_OpenQueryClose(benchmark::State& ioState)
{
    BenchRegistry theRegistry;
    for (auto _ : ioState) {
        HKEY theKey = nullptr;
        DWORD theValue = 0;
        DWORD theSize = sizeof theValue;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &theKey) != ERROR_SUCCESS ||
            RegQueryValueEx(theKey, "LogErrors", nullptr, nullptr, reinterpret_cast<BYTE*>(&theValue), &theSize) !=
                ERROR_SUCCESS)
            ioState.SkipWithError("read failed");
        RegCloseKey(theKey);
        benchmark::DoNotOptimize(theValue);
    }
}
BENCHMARK(BM_OpenQueryClose);

// A one-value write (its own transaction), for comparison.
void BM_SetValue(benchmark::State& ioState)
{
    BenchRegistry theRegistry;
    DWORD theValue = 0;
    for (auto _ : ioState) {
        ++theValue;
        if (RegSetKeyValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Counter", REG_DWORD, &theValue, sizeof theValue) !=
            ERROR_SUCCESS)
            ioState.SkipWithError("write failed");
    }
}
BENCHMARK(BM_SetValue);

}  // namespace
