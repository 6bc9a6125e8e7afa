// Relocatable blocks: a handle is the address of the block record's first field, the master pointer.
#include "Impl.h"
#include "ThreadState.h"

#include <cstdlib>
#include <cstring>

namespace vximaging {

namespace {

constexpr std::uint32_t kBlockMagic = 0x68646C21;

struct Block {
    char* mPtr;  // must stay first: the handle points here
    Size mSize;
    Size mReserve;
    std::int32_t mLocks;
    std::uint32_t mMagic;
};

Block* BlockOf(Handle inHandle)
{
    if (inHandle == nullptr) {
        SetMemError(nilHandleErr);
        return nullptr;
    }
    Block* theBlock = reinterpret_cast<Block*>(inHandle);
    if (theBlock->mMagic != kBlockMagic) {
        SetMemError(memAdrErr);
        return nullptr;
    }
    return theBlock;
}

Handle Allocate(Size inSize, bool inClear)
{
    if (inSize < 0) {
        SetMemError(paramErr);
        return nullptr;
    }
    if (inSize > kMaxHandleSize) {
        SetMemError(memFullErr);
        return nullptr;
    }
    auto* theBlock = static_cast<Block*>(std::malloc(sizeof(Block)));
    // A block of size 0 still gets an address, so *handle is never null for a live handle.
    char* thePtr =
        static_cast<char*>(inClear ? std::calloc(std::size_t(inSize) + 1, 1) : std::malloc(std::size_t(inSize) + 1));
    if (theBlock == nullptr || thePtr == nullptr) {
        std::free(theBlock);
        std::free(thePtr);
        SetMemError(memFullErr);
        return nullptr;
    }
    *theBlock = Block{thePtr, inSize, inSize, 0, kBlockMagic};
    SetMemError(noErr);
    return &theBlock->mPtr;
}

}  // namespace

Handle NewHandle(Size inSize)
{
    return Allocate(inSize, false);
}

Handle NewHandleClear(Size inSize)
{
    return Allocate(inSize, true);
}

void DisposeHandle(Handle inHandle)
{
    if (inHandle == nullptr) {
        SetMemError(noErr);
        return;
    }
    Block* theBlock = BlockOf(inHandle);
    if (theBlock == nullptr)
        return;
    theBlock->mMagic = 0;
    std::free(theBlock->mPtr);
    std::free(theBlock);
    SetMemError(noErr);
}

Size GetHandleSize(Handle inHandle)
{
    Block* theBlock = BlockOf(inHandle);
    if (theBlock == nullptr)
        return 0;
    SetMemError(noErr);
    return theBlock->mSize;
}

void SetHandleSize(Handle inHandle, Size inSize)
{
    Block* theBlock = BlockOf(inHandle);
    if (theBlock == nullptr)
        return;
    if (inSize < 0) {
        SetMemError(paramErr);
        return;
    }
    if (inSize > kMaxHandleSize) {
        SetMemError(memFullErr);
        return;
    }
    if (inSize <= theBlock->mReserve) {
        if (inSize > theBlock->mSize)
            std::memset(theBlock->mPtr + theBlock->mSize, 0, std::size_t(inSize - theBlock->mSize));
        theBlock->mSize = inSize;
        SetMemError(noErr);
        return;
    }
    if (theBlock->mLocks > 0) {
        SetMemError(memFullErr);  // a locked block must not move
        return;
    }
    char* thePtr = static_cast<char*>(std::realloc(theBlock->mPtr, std::size_t(inSize) + 1));
    if (thePtr == nullptr) {
        SetMemError(memFullErr);
        return;
    }
    std::memset(thePtr + theBlock->mSize, 0, std::size_t(inSize - theBlock->mSize));
    theBlock->mPtr = thePtr;
    theBlock->mSize = inSize;
    theBlock->mReserve = inSize;
    SetMemError(noErr);
}

void HLock(Handle inHandle)
{
    if (Block* theBlock = BlockOf(inHandle)) {
        theBlock->mLocks = 1;
        SetMemError(noErr);
    }
}

void HUnlock(Handle inHandle)
{
    if (Block* theBlock = BlockOf(inHandle)) {
        theBlock->mLocks = 0;  // locks do not nest, as classic HLock/HUnlock
        SetMemError(noErr);
    }
}

OSErr MemError()
{
    return tMemError;
}

}  // namespace vximaging
