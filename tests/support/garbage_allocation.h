// Replaces the nothrow array allocation that allocateBytes uses by one that
// fills the memory with a garbage pattern, as reused heap memory holds: a
// decoder that leaves part of its pixel array unwritten then shows it,
// instead of the zeros of fresh pages that hide it. Defines functions, so
// include it in one file of a program only.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

constexpr unsigned char garbageByte = 0xA5;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        void* memory = ::operator new[](size);
        std::memset(memory, garbageByte, size);
        return memory;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
