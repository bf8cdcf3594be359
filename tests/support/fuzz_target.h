#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/scratch_folder.h"

namespace trqx::fuzz {

// The fuzzer's input as text.
inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The next chunk of a script in the input, from at: everything left when whole, else as many
// bytes as the byte at at says (at most what is left). at moves past the chunk.
inline std::string_view NextChunk(std::string_view input, std::size_t& at, bool whole) {
  std::size_t length =
      whole ? input.size() - at : (at < input.size() ? static_cast<std::uint8_t>(input[at++]) : 0);
  length = std::min(length, input.size() - at);
  const std::string_view chunk = input.substr(at, length);
  at += length;
  return chunk;
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
