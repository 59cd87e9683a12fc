#include "filelist/wide_string.h"

#include <cstring>
#include <new>
#include <utility>

#include "state/path_buffer.h"

namespace {

const char16_t emptyText[1] = {0};

// A buffer of length + 1 units holding the two parts and the terminator, or
// null when it cannot be allocated or the length passes the 32-bit count.
char16_t* joinedCopy(const char16_t* first, int32_t firstLength, const char16_t* second, int32_t secondLength)
{
    int64_t length = int64_t(firstLength) + int64_t(secondLength);
    if (firstLength < 0 || secondLength < 0 || length > INT32_MAX)
        return nullptr;
    char16_t* joined = new (std::nothrow) char16_t[size_t(length) + 1];
    if (joined == nullptr)
        return nullptr;
    if (firstLength > 0)
        std::memcpy(joined, first, size_t(firstLength) * sizeof(char16_t));
    if (secondLength > 0)
        std::memcpy(joined + firstLength, second, size_t(secondLength) * sizeof(char16_t));
    joined[length] = 0;
    return joined;
}

int32_t countedLength(const char16_t* text)
{
    size_t length = textLength(text);
    return length > size_t(INT32_MAX) ? -1 : int32_t(length);
}

}  // namespace

WideString::WideString(const char16_t* text)
{
    assign(text, countedLength(text));
}

WideString::WideString(const char16_t* text, int32_t length)
{
    assign(text, length);
}

WideString::WideString(const WideString& other)
{
    assign(other.text(), other.count);
}

WideString::WideString(WideString&& other) noexcept
    : count(std::exchange(other.count, 0)), buffer(std::exchange(other.buffer, nullptr))
{
}

WideString& WideString::operator=(const WideString& other)
{
    if (this != &other && !assign(other.text(), other.count))
        assign(emptyText, 0);
    return *this;
}

WideString& WideString::operator=(WideString&& other) noexcept
{
    if (this != &other) {
        delete[] buffer;
        count = std::exchange(other.count, 0);
        buffer = std::exchange(other.buffer, nullptr);
    }
    return *this;
}

WideString::~WideString()
{
    delete[] buffer;
}

const char16_t* WideString::text() const
{
    return buffer != nullptr ? buffer : emptyText;
}

bool WideString::assign(const char16_t* text, int32_t length)
{
    if (length == 0) {
        delete[] buffer;
        buffer = nullptr;
        count = 0;
        return true;
    }
    char16_t* copy = joinedCopy(text, length, nullptr, 0);
    if (copy == nullptr)
        return false;
    delete[] buffer;
    buffer = copy;
    count = length;
    return true;
}

bool WideString::append(const char16_t* text, int32_t length)
{
    if (length == 0)
        return true;
    char16_t* joined = joinedCopy(this->text(), count, text, length);
    if (joined == nullptr)
        return false;
    delete[] buffer;
    buffer = joined;
    count += length;
    return true;
}

bool WideString::append(const char16_t* text)
{
    return append(text, countedLength(text));
}

WideString& WideString::operator+=(const WideString& other)
{
    append(other);
    return *this;
}

WideString operator+(const WideString& left, const WideString& right)
{
    WideString joined(left);
    if (joined.length() != left.length() || !joined.append(right))
        return WideString();
    return joined;
}

bool operator==(const WideString& left, const char16_t* right)
{
    const char16_t* text = left.text();
    for (int32_t i = 0;; ++i) {
        if (text[i] != right[i])
            return false;
        if (right[i] == 0)
            return i == left.length();
    }
}

bool operator==(const WideString& left, const WideString& right)
{
    return left.length() == right.length()
           && std::memcmp(left.text(), right.text(), size_t(left.length()) * sizeof(char16_t)) == 0;
}
