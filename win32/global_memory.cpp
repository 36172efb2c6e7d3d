// Global memory: fixed blocks (the handle is the address) and movable blocks (the handle is
// a number; GlobalLock gives the address and counts locks). Unknown handles fail cleanly.
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "win32/windows.h"

namespace {

struct Block {
    void* data = nullptr;
    SIZE_T size = 0;
    unsigned locks = 0;
    bool moveable = false;
};

struct Heap {
    std::unordered_map<uintptr_t, Block> blocks;  // by handle
    uintptr_t next = 0;
};

Heap& heap() {
    static Heap* h = new Heap;
    return *h;
}

// Movable handles: odd multiples of 8 from 0x4000'0008, never valid addresses of our blocks
// (malloc returns 16-byte aligned memory) and never reused for a long time.
uintptr_t new_moveable_handle(Heap& h) {
    uintptr_t key;
    do {
        key = 0x40000000u + 8 * ((h.next++ & 0x03FFFFFF) * 2 + 1);
    } while (h.blocks.count(key));
    return key;
}

// Blocks above this size are refused outright.
constexpr SIZE_T max_block = SIZE_T(1) << 31;

Block* find(HGLOBAL handle) {
    if (!handle) return nullptr;
    auto& blocks = heap().blocks;
    auto it = blocks.find(reinterpret_cast<uintptr_t>(handle));
    return it == blocks.end() ? nullptr : &it->second;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (dwBytes > max_block) return nullptr;
    // Always at least one byte, so that every block has an address of its own.
    void* data = (uFlags & GMEM_ZEROINIT) ? std::calloc(dwBytes ? dwBytes : 1, 1) : std::malloc(dwBytes ? dwBytes : 1);
    if (!data) return nullptr;
    Heap& h = heap();
    Block b{data, dwBytes, 0, (uFlags & GMEM_MOVEABLE) != 0};
    const uintptr_t key = b.moveable ? new_moveable_handle(h) : reinterpret_cast<uintptr_t>(data);
    try {
        h.blocks.emplace(key, b);
    } catch (const std::bad_alloc&) {
        std::free(data);
        return nullptr;
    }
    return reinterpret_cast<HGLOBAL>(key);
}

LPVOID GlobalLock(HGLOBAL hMem) {
    Block* b = find(hMem);
    if (!b) return nullptr;
    if (b->moveable && b->locks < 0xFFFF) ++b->locks;
    return b->data;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    Block* b = find(hMem);
    if (!b || !b->moveable || b->locks == 0) return FALSE;
    --b->locks;
    return b->locks > 0 ? TRUE : FALSE;  // FALSE once the block is unlocked
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    Block* b = find(hMem);
    if (!b || dwBytes > max_block) return nullptr;
    // A locked or fixed block may only move when the caller allows it.
    const bool may_move = b->moveable ? (b->locks == 0 || (uFlags & GMEM_MOVEABLE)) : (uFlags & GMEM_MOVEABLE);
    if (!may_move && dwBytes > b->size) return nullptr;
    void* data = std::realloc(b->data, dwBytes ? dwBytes : 1);
    if (!data) return nullptr;
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > b->size) std::memset(static_cast<char*>(data) + b->size, 0, dwBytes - b->size);
    b->size = dwBytes;
    if (b->moveable || data == b->data) {
        b->data = data;
        return hMem;
    }
    // A fixed block that moved gets its new address as its handle.
    Block moved = *b;
    moved.data = data;
    Heap& h = heap();
    h.blocks.erase(reinterpret_cast<uintptr_t>(hMem));
    h.blocks.emplace(reinterpret_cast<uintptr_t>(data), moved);
    return data;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    Block* b = find(hMem);
    if (!b) return hMem;  // failure: the handle comes back
    std::free(b->data);
    heap().blocks.erase(reinterpret_cast<uintptr_t>(hMem));
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
    Block* b = find(hMem);
    return b ? b->size : 0;
}
