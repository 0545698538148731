// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>

#include "Files.h"

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("jwwutil-test-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const FilePath& path() const { return path_; }
    FilePath operator/(std::u16string_view name) const { return path_ / PathFromText(name); }

private:
    FilePath path_;
};
