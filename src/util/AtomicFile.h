// Writing a file so that its path shows either the old content or the complete new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Files.h"

// Writes go to a new temporary file in the target's folder; Commit renames it onto the target.
// Every failure throws std::runtime_error; the temporary file is deleted unless Commit succeeded.
class AtomicFile {
public:
    // Creates the temporary file exclusively; throws when the folder cannot take it.
    explicit AtomicFile(const FilePath& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Buffered; throws when the data cannot be written.
    void Write(const void* data, size_t n);

    // Flushes, closes and renames onto the target, replacing a file there. Throws on any failure,
    // after which the target is unchanged and the temporary file is gone.
    void Commit();

    const FilePath& TemporaryPath() const { return temp_; }

private:
    void Flush();
    void WriteAll(const uint8_t* data, size_t n);
    void CloseFile();
    void Discard() noexcept;

    FilePath target_;
    FilePath temp_;
    intptr_t handle_;  // file descriptor or HANDLE
    bool open_ = false;
    bool committed_ = false;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
};
