// The temporary files a preparation makes (the converter's copy and output,
// the embedded profile), removed whichever side ends last: the preparation
// deletes each one after use, and a viewer that quits without waiting for a
// preparation deletes those it still holds.
#pragma once

#include <functional>
#include <string>

// One temporary file, known to the exit clean-up from construction on and
// deleted, read-only or not, when the holder goes.
class TemporaryFile {
public:
    explicit TemporaryFile(const wchar_t* path);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Runs make, which creates the file at path(), unless the viewer is
    // ending; the clean-up cannot run meanwhile. False when refused or when
    // make fails.
    bool create(const std::function<bool(const wchar_t*)>& make);
    const wchar_t* path() const { return path_.c_str(); }

private:
    std::wstring path_;
};

// Deletes a file, removing its read-only attribute first: DeleteFileW
// refuses read-only files, which a converter or a read-only source leaves.
void deleteTemporaryFile(const wchar_t* path);

// The viewer is ending: deletes every temporary file still held and refuses
// any new one.
void removeTemporaryFilesForExit();
