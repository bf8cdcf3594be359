#include "foundation/csv_line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "support/csv_records.h"

namespace trqx {
namespace {

// Splits input line by line as desk files are read.
CsvRecords SplitLines(std::string buffer, char separator) {
  CsvRecords parsed;
  CsvRecordSplitter splitter(separator);
  for (std::size_t begin = 0; begin < buffer.size();) {
    const std::size_t lineFeed = buffer.find('\n', begin);
    const bool terminated = lineFeed != std::string::npos;
    const std::size_t end = terminated ? lineFeed : buffer.size();
    const CsvLineStatus status =
        splitter.Split(buffer.data() + begin, buffer.data() + end, terminated);
    if (status == CsvLineStatus::kBadRecord) {
      parsed.bad = true;
      return parsed;
    }
    if (status == CsvLineStatus::kRecord) {
      parsed.records.emplace_back(splitter.Cells().begin(), splitter.Cells().end());
    }
    begin = end + 1;
  }
  return parsed;
}

// The state table for both separators: a prefix brings the reader into states 0 to 4, then
// one byte of each class follows. A cell holds the state reached and the tokens, each in
// brackets ('S' stands for the separator); the tokens of the error state do not matter.
TEST(CsvLineReaderTest, StateTable) {
  const std::string bytes = "\nS\"\rx";
  const std::vector<std::pair<std::string, std::array<std::string, 5>>> rows = {
      {"", {"5", "4[]", "1[]", "0", "3[x]"}},
      {"\"a", {"6", "1[aS]", "2[a]", "1[a]", "1[ax]"}},
      {"\"a\"", {"5[a]", "4[a]", "1[a\"]", "2[a]", "3[ax]"}},
      {"a", {"5[a]", "4[a]", "3[a\"]", "3[a]", "3[ax]"}},
      {"aS", {"5[a][]", "4[a][]", "1[a][]", "4[a]", "3[a][x]"}},
  };
  for (const char separator : {',', '\t'}) {
    const auto withSeparator = [separator](std::string text) {
      std::replace(text.begin(), text.end(), 'S', separator);
      return text;
    };
    for (const auto& [prefix, cells] : rows) {
      for (std::size_t c = 0; c < bytes.size(); ++c) {
        const std::string input = withSeparator(prefix + bytes[c]);
        CsvLineReader reader(separator);
        std::size_t used = 0;
        const CsvStatus status = reader.Feed(input, used);
        std::string reached = std::to_string(static_cast<int>(reader.State()));
        for (const std::string& token : reader.Tokens()) {
          reached += reached == "6" ? "" : "[" + token + "]";
        }
        EXPECT_EQ(reached, withSeparator(cells[c])) << testing::PrintToString(input);
        EXPECT_EQ(used, input.size());
        EXPECT_EQ(status, reached[0] == '5'   ? CsvStatus::kRecord
                          : reached[0] == '6' ? CsvStatus::kBadRecord
                                              : CsvStatus::kPending);
      }
    }
  }
}

TEST(CsvLineReaderTest, ExamplesAndEndOfInputInEachState) {
  const std::vector<std::pair<std::string, CsvRecords>> cases = {
      {"X,\"a\"\"b\",\r\n", {{{"X", "a\"b", ""}}}},
      {"a\r\n\nb\r,\"c\rd\"\r\n", {{{"a"}, {}, {"b", "cd"}}}},  // a blank line has no tokens
      {"a\tb,\"c", {{}, true}},                                 // unterminated quote
      {"a\tb,\"c\"", {{{"a\tb", "c"}}}},  // the other separator is an ordinary byte
      {"a,", {{{"a", ""}}}},
      {"a\n\"b\nc\"\n", {{{"a"}}, true}},  // a quoted line feed stops reading
  };
  for (const auto& [input, parsed] : cases) {
    EXPECT_EQ(ReadCsvRecords(input), parsed) << testing::PrintToString(input);
  }
}

TEST(CsvLineReaderTest, ChunkingAndTheLineSplitterAgree) {
  std::mt19937 random(20260306);
  std::uniform_int_distribution<std::size_t> chunk(1, 9);
  int badInputs = 0;
  for (int round = 0; round < 3000; ++round) {
    const char separator = round % 2 == 0 ? ',' : '\t';
    std::string input;
    while (input.size() < static_cast<std::size_t>(round % 60)) {
      input += "ab\"\r\n,\t \xe9"[chunk(random) - 1];
    }
    SCOPED_TRACE(testing::PrintToString(input));
    const CsvRecords whole = ReadCsvRecords(input, separator);
    EXPECT_EQ(ReadCsvRecords(input, separator, {1}), whole);
    EXPECT_EQ(ReadCsvRecords(input, separator, {chunk(random), chunk(random), chunk(random)}),
              whole);
    EXPECT_EQ(SplitLines(input, separator), whole);
    badInputs += whole.bad ? 1 : 0;
  }
  EXPECT_GT(badInputs, 100);  // both outcomes were exercised
  EXPECT_LT(badInputs, 2900);
}

}  // namespace
}  // namespace trqx
