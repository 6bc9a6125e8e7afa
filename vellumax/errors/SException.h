// The exception a processor fault inside a method frame is turned into.
#pragma once

#include <cstdint>
#include <source_location>

class SException {
public:
    static constexpr std::uint32_t kAccessViolation = 0xC0000005u;
    static constexpr int kTextSize = 256;

    // inWrite is the system's access kind (non-zero for a write); read, write and data address
    // are kept only for an access violation.
    SException(std::uint32_t inCode, std::uintptr_t inCodeAddress, std::uint32_t inWrite, std::uintptr_t inDataAddress,
               std::uintptr_t inModuleBase);
    virtual ~SException() = default;

    // "Code at 0x... attempted to read from 0x... " and the like. Addresses are printed in full
    // (at least eight hexadecimal digits), so a 64-bit address is not cut to its low half.
    const char* What();
    // What, followed by the source unit, line and module base when the whole stays below
    // kTextSize characters.
    const char* Describe(const char* inSourceUnit, long inLine);
    // The same for the place a member's frame was entered: its file's own name and line.
    const char* Describe(const std::source_location& inWhere);

    std::uint32_t Code() const { return mCode; }
    std::uintptr_t CodeAddress() const { return mCodeAddress; }
    bool IsRead() const { return mRead; }
    std::uint32_t Write() const { return mWrite; }
    std::uintptr_t DataAddress() const { return mDataAddress; }
    std::uintptr_t ModuleBase() const { return mModuleBase; }
    const char* Text() const { return mText; }

private:
    std::uint32_t mCode;
    std::uintptr_t mCodeAddress;
    bool mRead;
    std::uint32_t mWrite;
    std::uintptr_t mDataAddress;
    std::uintptr_t mModuleBase;
    char mText[kTextSize];
};

// Makes processor faults inside method frames (automation's FaultFrame) on the
// calling thread arrive as SException. Cheap: every method entry calls it.
void InstallFaultTranslator();
