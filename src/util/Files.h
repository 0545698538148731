// Files and folders, with paths held as std::filesystem::path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using FilePath = std::filesystem::path;

// Text (UTF-16) ⇄ path: the path's native form on Windows, UTF-8 on Linux.
FilePath PathFromText(std::u16string_view text);
std::u16string TextFromPath(const FilePath& path);

// Folder of the running executable.
FilePath ExecutableFolder();

// Existence tests never throw; a broken or unreadable path counts as missing.
bool FileExists(const FilePath& path);    // a regular file (or a symbolic link to one)
bool FolderExists(const FilePath& path);

// Each returns false on failure and never throws.
bool DeleteFileIfExists(const FilePath& path);
bool CreateFolders(const FilePath& path);        // with missing parents
bool RemoveEmptyFolder(const FilePath& path);    // only when empty
bool SameExistingFile(const FilePath& a, const FilePath& b);  // same file identity

// The whole file, opened for shared reading; nullopt when it cannot be read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const FilePath& path);

// Identifier of this process, for names that must differ between simultaneous runs.
uint64_t ProcessId();
