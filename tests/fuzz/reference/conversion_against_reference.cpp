// Converts each input with this tree's conversion and with a reference build's, and traps
// when what they leave behind differs. Built by scripts/fuzz_against_reference.sh.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace trqx {
std::string ConvertSide(std::string_view input);
}
namespace trqx_reference {
std::string ConvertSide(std::string_view input);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string current = trqx::ConvertSide(input);
  const std::string reference = trqx_reference::ConvertSide(input);
  if (current != reference) {
    std::fprintf(stderr, "current:\n%s\nreference:\n%s\n", current.c_str(), reference.c_str());
    __builtin_trap();
  }
  return 0;
}
