// One throw-away device per fuzzing process: made in a temporary folder
// (in memory where the host has /dev/shm) when the process starts and
// removed when it ends, or by the next start when it was killed.
#pragma once

#include <string_view>

#include "platform/store_batch.h"
#include "platform/windef.h"

namespace fuzz {

// Opens the device (once) on the virtual clock with auto-answered message
// boxes. Aborts when the device can't be made: nothing could be fuzzed.
void OpenDevice();

// The writes of one input, as one batch that is never committed: undone
// when the input ends, so that the next one starts from the same store.
using InputWrites = CStoreBatch;

// Deletes `path` under `root` with everything in it; aborts when the key
// exists but can't be deleted (the next input would start from its bytes).
void DeleteKey(HKEY root, LPCWSTR path);

// Sets one value, creating its key; false when the registry refuses it.
bool SetValue(HKEY root, LPCWSTR path, LPCWSTR name, DWORD type, std::string_view bytes);

// Aborts with a message: a promise of the code under test was broken.
[[noreturn]] void Broken(const char* what);

}  // namespace fuzz
