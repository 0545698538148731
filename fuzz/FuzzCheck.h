// What must hold for any input bytes: the load, the zero-extent removal and the writes end
// without a crash, and every drawing that is written loads again and writes the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Runs one input through load, edit and save. Returns an empty string when every property
// holds, else a description of the first one that does not.
std::string CheckDrawingBytes(const uint8_t* data, size_t size);
