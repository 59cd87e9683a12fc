// Windows: the path is already in the platform's own wide form.
#include "decode/common/file_bytes_platform.h"

FILE* openFileForReading(const char16_t* path)
{
    return _wfopen(reinterpret_cast<const wchar_t*>(path), L"rb");
}

int64_t lengthOfOpenFile(FILE* file)
{
    // 64-bit positions: ftell's long is 32 bits on Windows.
    if (_fseeki64(file, 0, SEEK_END) != 0)
        return -1;
    const int64_t length = _ftelli64(file);
    if (length < 0 || _fseeki64(file, 0, SEEK_SET) != 0)
        return -1;
    return length;
}

bool seekOpenFile(FILE* file, uint64_t offset)
{
    return offset <= uint64_t{INT64_MAX} && _fseeki64(file, static_cast<int64_t>(offset), SEEK_SET) == 0;
}
