// The jwwinfo command line, apart from the process entry point and the console.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Summary.h"

namespace jwwinfo {

// Loads the drawing at path and summarises it. On failure, error holds the one-line message
// "jwwinfo: <display>: <reason>" where the reason is the reader's own message.
bool LoadSummary(const std::filesystem::path& path, const std::string& display, DrawingSummary& summary,
                 std::string& error);

// The same for a drawing already in memory.
bool SummariseBytes(const uint8_t* data, size_t size, const std::string& display, DrawingSummary& summary,
                    std::string& error);

// Runs jwwinfo with the arguments after the program name. Output for stdout and stderr is
// collected as UTF-8. Returns the exit status: 0 when every drawing loaded, 1 when one did not,
// 2 for a usage error.
int RunInfo(const std::vector<std::filesystem::path>& args, std::string& out, std::string& err);

}  // namespace jwwinfo
