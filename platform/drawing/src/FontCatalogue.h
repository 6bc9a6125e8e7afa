// The installed font families, from fontconfig: a sorted snapshot shared by
// every enumeration, rebuilt when fontconfig's configuration changes (checked
// at most once a second, so that enumerations cost microseconds).
#pragma once

#include "drawing/Gdi.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct FontFamilyEntry {
    std::string mName;
    std::string mFolded;  // ASCII lower case, for comparisons
    bool mLatin = false;  // holds the Latin letters (listed for ANSI_CHARSET)
    ENUMLOGFONTEXA mRecord{};
};

class FontCatalogue {
public:
    using Snapshot = std::shared_ptr<const std::vector<FontFamilyEntry>>;
    static FontCatalogue& Instance();

    Snapshot Families();
    // The family a face name stands for: the exact family (case-insensitive),
    // else the first whose name begins with it, else the default family.
    std::string Resolve(const char* inFaceName);
    // Changes whenever the snapshot was rebuilt after a configuration change.
    std::uint64_t Generation() const { return mGeneration.load(std::memory_order_acquire); }
    // The generation after looking for a change, as Families does.
    std::uint64_t CurrentGeneration();

    static constexpr const char* kDefaultFamily = "DejaVu Sans";

private:
    FontCatalogue() = default;
    static Snapshot Build();
    static std::string ResolveIn(const std::vector<FontFamilyEntry>& inFamilies, const char* inFaceName);
    void RefreshLocked();

    std::mutex mMutex;
    Snapshot mSnapshot;
    // Every font made resolves its face; pages use a handful of names, so the
    // answers are kept until the snapshot is rebuilt.
    std::map<std::string, std::string, std::less<>> mResolved;
    std::chrono::steady_clock::time_point mChecked{};
    std::atomic<std::uint64_t> mGeneration{1};
};
