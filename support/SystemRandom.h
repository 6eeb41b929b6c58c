// Random bytes from the operating system, for values that must differ from
// run to run (GUIDs) rather than follow the repeatable source.
#pragma once

#include <cstddef>

// Fills `size` bytes at `buffer`. Returns false when the system gives none;
// the buffer's content is then unspecified.
bool SystemRandomBytes(unsigned char* buffer, std::size_t size);
