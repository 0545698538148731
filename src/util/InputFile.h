// A file opened for reading at any offset, shared with other readers but not with writers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Files.h"

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when the path is not a regular file that can be opened.
    bool Open(const FilePath& path);
    uint64_t Size() const { return size_; }

    // Reads up to n bytes at offset; returns the bytes read, fewer only at the end of the file
    // or on a read error.
    size_t ReadAt(uint64_t offset, void* dst, size_t n);

private:
    intptr_t handle_ = -1;  // file descriptor or HANDLE
    uint64_t size_ = 0;
};
