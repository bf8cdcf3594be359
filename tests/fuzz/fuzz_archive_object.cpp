// Tokenizes the input as archive lines and runs the skip rule and the loaders of
// OstraneField and CTranslation over every record, checking the position contracts and
// comparing the skip rule with a plainly recursive one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/archive.h"
#include "foundation/csv_line_reader.h"
#include "foundation/field_format.h"
#include "support/fuzz_target.h"

namespace {

using trqx::fuzz::Check;

// The skip rule as written, recursing for nested objects; nullopt past the depth it allows.
std::optional<bool> RecursiveSkip(const trqx::TokenList& tokens, std::size_t& pos, int depth) {
  if (depth > 100) {
    return std::nullopt;
  }
  if (pos + 1 >= tokens.size()) {
    return false;
  }
  const std::string& tag = tokens[pos + 1];
  if (tag == "Value") {
    if (pos + 2 >= tokens.size()) {
      return false;
    }
    pos += 3;
    return true;
  }
  if (tag == "Array") {
    if (pos + 2 >= tokens.size()) {
      return false;
    }
    const long count = trqx::ParseInt(tokens[pos + 2]);
    if (count < 0 || pos + 3 + static_cast<std::size_t>(count) > tokens.size()) {
      return false;
    }
    pos += 3 + static_cast<std::size_t>(count);
    return true;
  }
  const int count = trqx::ParseInt(tag);
  if (count < 0) {
    return false;
  }
  pos += 2;
  for (int i = 0; i < count; ++i) {
    const std::optional<bool> skipped = RecursiveSkip(tokens, pos, depth + 1);
    if (!skipped || !*skipped) {
      return skipped;
    }
  }
  return true;
}

void Exercise(const trqx::TokenList& tokens) {
  // The skip rule from the first positions of the record.
  for (std::size_t start = 0; start < tokens.size() && start < 32; ++start) {
    std::size_t pos = start;
    const bool skipped = trqx::SkipEntry(tokens, pos);
    Check(skipped ? pos > start && pos <= tokens.size() : pos == start);
    std::size_t reference = start;
    const std::optional<bool> expected = RecursiveSkip(tokens, reference, 0);
    if (expected) {
      Check(*expected == skipped);
      Check(!skipped || reference == pos);
    }
  }

  trqx::OstraneField field;
  std::size_t pos = 0;
  if (field.Load(tokens, pos)) {
    Check(pos >= 2 && pos <= tokens.size());
    Check(field.m_type >= 0 && field.m_type <= trqx::kTypeLast);
    trqx::TokenList saved;
    field.Save(saved);
    trqx::OstraneField again;
    std::size_t savedPos = 0;
    Check(again.Load(saved, savedPos) && savedPos == saved.size());
    Check(again.m_name == field.m_name && again.m_width == field.m_width &&
          again.m_type == field.m_type && again.m_category == field.m_category);
  } else {
    Check(pos == 0);
  }

  trqx::CTranslation translation;
  pos = 0;
  if (translation.Load(tokens, pos)) {
    Check(pos >= 2 && pos <= tokens.size());
  } else {
    Check(pos == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = trqx::fuzz::Bytes(data, size);
  trqx::CsvLineReader reader;
  while (!input.empty()) {
    std::size_t used = 0;
    const trqx::CsvStatus status = reader.Feed(input, used);
    input.remove_prefix(used);
    if (status == trqx::CsvStatus::kBadRecord) {
      return 0;
    }
    if (status == trqx::CsvStatus::kRecord) {
      Exercise(reader.Tokens());
      reader.Reset();
    }
  }
  if (reader.Finish() == trqx::CsvStatus::kRecord) {
    Exercise(reader.Tokens());
  }
  return 0;
}
