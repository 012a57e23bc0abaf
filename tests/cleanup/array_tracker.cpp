// Replaces the array forms of operator new and delete for this test program,
// so the program's code runs unchanged while its arrays are counted.
#include "tests/cleanup/array_tracker.h"

#include <cstdlib>
#include <new>

namespace {

constexpr int Slots = 256;
void* Live[Slots];
std::size_t FailSize = 0;
bool FailUsed = false;

void Forget(void* block)
{
    for (void*& slot : Live) {
        if (slot == block) {
            slot = nullptr;
            return;
        }
    }
}

}  // namespace

void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept
{
    if (FailSize != 0 && bytes == FailSize) {
        FailSize = 0;
        FailUsed = true;
        return nullptr;
    }
    void* block = std::malloc(bytes ? bytes : 1);
    if (block) {
        for (void*& slot : Live) {
            if (!slot) {
                slot = block;
                break;
            }
        }
    }
    return block;
}

void* operator new[](std::size_t bytes)
{
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void operator delete[](void* block) noexcept
{
    if (!block)
        return;
    Forget(block);
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    operator delete[](block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    operator delete[](block);
}

namespace ArrayTracker {

int LiveArrays()
{
    int live = 0;
    for (void* slot : Live)
        live += slot != nullptr;
    return live;
}

void FailNextOfSize(std::size_t bytes)
{
    FailSize = bytes;
    FailUsed = false;
}

bool FailureUsed()
{
    return FailUsed;
}

void Reset()
{
    FailSize = 0;
    FailUsed = false;
}

}  // namespace ArrayTracker
