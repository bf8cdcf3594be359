#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/scratch_folder.h"

namespace trqx::fuzz {

// The fuzzer's input as text.
inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Traps when condition is false, so the fuzzer keeps the input that broke it.
inline void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

// A folder of this process's own for the files of its runs, on a memory file system where
// there is one (every run writes files, and some readers sync them); removed at exit.
const ScratchFolder& FuzzFolder();

}  // namespace trqx::fuzz
