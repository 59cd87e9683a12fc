// A counted UTF-16 string that owns its NUL-terminated buffer: the paths of
// the file list and the texts composed for the screen.
//
// Copies are deep. Nothing here throws: when a buffer cannot be allocated
// (or a length would pass the 32-bit count) constructors, copy assignment
// and concatenation give an empty string, while assign and append leave the
// string unchanged and return false.
#pragma once

#include <cstdint>

struct WideString {
    WideString() = default;
    explicit WideString(const char16_t* text);
    WideString(const char16_t* text, int32_t length);
    WideString(const WideString& other);
    WideString(WideString&& other) noexcept;
    WideString& operator=(const WideString& other);
    WideString& operator=(WideString&& other) noexcept;
    ~WideString();

    int32_t length() const { return count; }
    bool empty() const { return count == 0; }
    // Never null; an empty string gives a static empty text.
    const char16_t* text() const;

    // Replaces the contents with a copy of length units of text.
    bool assign(const char16_t* text, int32_t length);
    bool append(const char16_t* text, int32_t length);
    bool append(const char16_t* text);
    bool append(const WideString& other) { return append(other.text(), other.length()); }

    WideString& operator+=(const WideString& other);

private:
    int32_t count = 0;
    char16_t* buffer = nullptr;  // count + 1 units, or null when empty
};

// Concatenation; empty when the result cannot be allocated.
WideString operator+(const WideString& left, const WideString& right);

// Equal code units up to and including the terminator: no case folding.
bool operator==(const WideString& left, const char16_t* right);
bool operator==(const WideString& left, const WideString& right);
