#include "foundation/csv_line_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace trqx {
namespace {

// Every record of an input and how the input ended.
struct Parsed {
  std::vector<TokenList> records;
  bool bad = false;

  bool operator==(const Parsed&) const = default;
};

// Feeds input in chunks of the given sizes (cycled; 0 means the rest at once).
Parsed ReadWithChunks(std::string_view input, char separator,
                      const std::vector<std::size_t>& chunkSizes) {
  Parsed parsed;
  CsvLineReader reader(separator);
  std::size_t next = 0;
  while (!input.empty()) {
    std::size_t size = chunkSizes.empty() ? 0 : chunkSizes[next++ % chunkSizes.size()];
    std::string_view chunk = input.substr(0, size == 0 ? input.size() : size);
    input.remove_prefix(chunk.size());
    while (!chunk.empty()) {
      std::size_t used = 0;
      const CsvStatus status = reader.Feed(chunk, used);
      EXPECT_LE(used, chunk.size());
      chunk.remove_prefix(used);
      if (status == CsvStatus::kBadRecord) {
        parsed.bad = true;
        return parsed;
      }
      if (status == CsvStatus::kRecord) {
        parsed.records.push_back(reader.Tokens());
        reader.Reset();
      } else {
        EXPECT_TRUE(chunk.empty());
      }
    }
  }
  switch (reader.Finish()) {
    case CsvStatus::kRecord:
      parsed.records.push_back(reader.Tokens());
      break;
    case CsvStatus::kBadRecord:
      parsed.bad = true;
      break;
    case CsvStatus::kPending:
      break;
  }
  return parsed;
}

Parsed ReadWhole(std::string_view input, char separator = ',') {
  return ReadWithChunks(input, separator, {});
}

Parsed SplitInPlace(std::string buffer, char separator) {
  Parsed parsed;
  CsvInPlaceSplitter splitter(separator);
  const bool ok = splitter.Split(buffer, [&](const std::vector<CellRef>& cells) {
    TokenList tokens;
    for (const CellRef& cell : cells) {
      EXPECT_LE(std::size_t{cell.offset} + cell.length, buffer.size());
      tokens.push_back(buffer.substr(cell.offset, cell.length));
    }
    parsed.records.push_back(tokens);
  });
  parsed.bad = !ok;
  EXPECT_EQ(splitter.LastError(), ok ? CsvSplitError::kNone : CsvSplitError::kBadRecord);
  return parsed;
}

// The state table, checked cell by cell: a prefix brings the reader into a state, one byte
// of a class follows, and the resulting state and tokens are compared.
TEST(CsvLineReaderTest, EveryStateAgainstEveryByteClass) {
  using S = CsvState;
  struct Cell {
    const char* prefix;  // 'S' stands for the separator
    char byte;           // 'S' stands for the separator
    S state;
    TokenList tokens;
  };
  const std::vector<Cell> cells = {
      // state 0, start of record
      {"", '\n', S::kComplete, {}},
      {"", 'S', S::kAfterSeparator, {""}},
      {"", '"', S::kQuoted, {""}},
      {"", '\r', S::kStart, {}},
      {"", 'x', S::kBare, {"x"}},
      // state 1, inside a quoted token
      {"\"a", '\n', S::kError, {"a"}},
      {"\"a", 'S', S::kQuoted, {"aS"}},
      {"\"a", '"', S::kQuoteInQuoted, {"a"}},
      {"\"a", '\r', S::kQuoted, {"a"}},
      {"\"a", 'x', S::kQuoted, {"ax"}},
      // state 2, a quote seen inside a quoted token
      {"\"a\"", '\n', S::kComplete, {"a"}},
      {"\"a\"", 'S', S::kAfterSeparator, {"a"}},
      {"\"a\"", '"', S::kQuoted, {"a\""}},
      {"\"a\"", '\r', S::kQuoteInQuoted, {"a"}},
      {"\"a\"", 'x', S::kBare, {"ax"}},
      // state 3, inside a bare token
      {"a", '\n', S::kComplete, {"a"}},
      {"a", 'S', S::kAfterSeparator, {"a"}},
      {"a", '"', S::kBare, {"a\""}},
      {"a", '\r', S::kBare, {"a"}},
      {"a", 'x', S::kBare, {"ax"}},
      // state 4, after a separator
      {"aS", '\n', S::kComplete, {"a", ""}},
      {"aS", 'S', S::kAfterSeparator, {"a", ""}},
      {"aS", '"', S::kQuoted, {"a", ""}},
      {"aS", '\r', S::kAfterSeparator, {"a"}},
      {"aS", 'x', S::kBare, {"a", "x"}},
  };
  for (const char separator : {',', '\t'}) {
    const auto withSeparator = [separator](std::string text) {
      for (char& c : text) {
        if (c == 'S') {
          c = separator;
        }
      }
      return text;
    };
    for (const Cell& cell : cells) {
      const std::string input = withSeparator(std::string(cell.prefix) + cell.byte);
      SCOPED_TRACE(testing::Message()
                   << "separator " << int(separator) << " input " << testing::PrintToString(input));
      CsvLineReader reader(separator);
      std::size_t used = 0;
      const CsvStatus status = reader.Feed(input, used);
      EXPECT_EQ(used, input.size());
      EXPECT_EQ(reader.State(), cell.state);
      EXPECT_EQ(status, cell.state == S::kComplete ? CsvStatus::kRecord
                        : cell.state == S::kError  ? CsvStatus::kBadRecord
                                                   : CsvStatus::kPending);
      if (cell.state != S::kError) {
        TokenList expected;
        for (const std::string& token : cell.tokens) {
          expected.push_back(withSeparator(token));
        }
        EXPECT_EQ(reader.Tokens(), expected);
      }
    }
  }
}

TEST(CsvLineReaderTest, TheOtherSeparatorIsAnOrdinaryByte) {
  EXPECT_EQ(ReadWhole("a\tb,c\n", ',').records, (std::vector<TokenList>{{"a\tb", "c"}}));
  EXPECT_EQ(ReadWhole("a\tb,c\n", '\t').records, (std::vector<TokenList>{{"a", "b,c"}}));
}

TEST(CsvLineReaderTest, EndOfInputInEachState) {
  struct Case {
    const char* input;
    bool bad;
    std::vector<TokenList> records;
  };
  const std::vector<Case> cases = {
      {"", false, {}},               // state 0: nothing pending
      {"a\n", false, {{"a"}}},       // state 0 after a record
      {"\"a", true, {}},             // state 1: unterminated quote
      {"\"a\"", false, {{"a"}}},     // state 2
      {"a", false, {{"a"}}},         // state 3
      {"a,", false, {{"a", ""}}},    // state 4: a final empty token
      {"a\n\"b\nc", true, {{"a"}}},  // state 6: the bad record stops reading
      {"a\r", false, {{"a"}}},       // a carriage return adds nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    const Parsed parsed = ReadWhole(c.input);
    EXPECT_EQ(parsed.bad, c.bad);
    EXPECT_EQ(parsed.records, c.records);
  }
}

TEST(CsvLineReaderTest, FeedStopsAfterTheRecordAndWaitsForReset) {
  CsvLineReader reader;
  std::size_t used = 0;
  EXPECT_EQ(reader.Feed("ab,c\r\nrest", used), CsvStatus::kRecord);
  EXPECT_EQ(used, 6u);
  EXPECT_EQ(reader.Tokens(), (TokenList{"ab", "c"}));
  // Until the caller resets, nothing more is taken and the record stays.
  EXPECT_EQ(reader.Feed("rest", used), CsvStatus::kRecord);
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(reader.Finish(), CsvStatus::kPending);
  reader.Reset();
  EXPECT_EQ(reader.Feed("rest", used), CsvStatus::kPending);
  EXPECT_EQ(used, 4u);
  EXPECT_EQ(reader.Finish(), CsvStatus::kRecord);
  EXPECT_EQ(reader.Tokens(), (TokenList{"rest"}));

  CsvLineReader bad;
  EXPECT_EQ(bad.Feed("\"a\nb\n", used), CsvStatus::kBadRecord);
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(bad.Feed("b\n", used), CsvStatus::kBadRecord);
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(bad.Finish(), CsvStatus::kBadRecord);
}

TEST(CsvLineReaderTest, ExamplesOfTheArchiveFormat) {
  // X, a quoted token with a doubled quote, and a trailing comma.
  EXPECT_EQ(ReadWhole("X,\"a\"\"b\",\r\n").records, (std::vector<TokenList>{{"X", "a\"b", ""}}));
  // A blank line is a record with no tokens; carriage returns vanish wherever they are.
  EXPECT_EQ(ReadWhole("a\r\n\nb\r,\"c\rd\"\r\n").records,
            (std::vector<TokenList>{{"a"}, {}, {"b", "cd"}}));
  // A quoted separator, a quote inside a bare token, text after a closing quote.
  EXPECT_EQ(ReadWhole("\"a,b\",c\"d,\"e\"f\n").records,
            (std::vector<TokenList>{{"a,b", "c\"d", "ef"}}));
  // Empty tokens between separators and a line of separators only.
  EXPECT_EQ(ReadWhole(",,\n").records, (std::vector<TokenList>{{"", "", ""}}));
  // A quoted token holding a line feed is a bad record.
  EXPECT_TRUE(ReadWhole("a,\"b\nc\"\n").bad);
}

std::string RandomCsv(std::mt19937& random, std::size_t length) {
  static constexpr char kAlphabet[] = {'a', 'b', '"', '\r', '\n', ',', '\t', ' ', '\xe9'};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 1);
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text += kAlphabet[pick(random)];
  }
  return text;
}

TEST(CsvLineReaderTest, ChunkingAndTheInPlaceSplitterAgree) {
  std::mt19937 random(20260306);
  std::uniform_int_distribution<std::size_t> chunk(1, 9);
  int badInputs = 0;
  for (int round = 0; round < 3000; ++round) {
    const char separator = round % 2 == 0 ? ',' : '\t';
    const std::string input = RandomCsv(random, round % 60);
    SCOPED_TRACE(testing::PrintToString(input));
    const Parsed whole = ReadWhole(input, separator);
    EXPECT_EQ(ReadWithChunks(input, separator, {1}), whole);
    EXPECT_EQ(ReadWithChunks(input, separator, {chunk(random), chunk(random), chunk(random)}),
              whole);
    EXPECT_EQ(SplitInPlace(input, separator), whole);
    badInputs += whole.bad ? 1 : 0;
  }
  // Both outcomes were exercised.
  EXPECT_GT(badInputs, 100);
  EXPECT_LT(badInputs, 2900);
}

TEST(CsvInPlaceSplitterTest, CellsAreUnquotedSpansOfTheBuffer) {
  std::string buffer = "\"a\"\"b\",c\r\n\r\n\"x,y\",\n";
  std::vector<std::vector<std::string>> records;
  std::vector<std::size_t> cellCounts;
  CsvInPlaceSplitter splitter(',');
  ASSERT_TRUE(splitter.Split(buffer, [&](const std::vector<CellRef>& cells) {
    cellCounts.push_back(cells.size());
    std::vector<std::string> texts;
    for (const CellRef& cell : cells) {
      texts.push_back(buffer.substr(cell.offset, cell.length));
    }
    records.push_back(texts);
  }));
  EXPECT_EQ(records, (std::vector<std::vector<std::string>>{{"a\"b", "c"}, {}, {"x,y", ""}}));
  // The unquoted bytes were moved forward over the quotes and carriage returns.
  EXPECT_EQ(buffer.substr(0, 7), "a\"bcx,y");
}

TEST(CsvInPlaceSplitterTest, StopsAtABadRecordAfterHandingOverTheEarlierOnes) {
  std::string buffer = "a\tb\n\"c\nd\n";
  int records = 0;
  CsvInPlaceSplitter splitter('\t');
  EXPECT_FALSE(splitter.Split(buffer, [&](const std::vector<CellRef>&) { ++records; }));
  EXPECT_EQ(records, 1);
  EXPECT_EQ(splitter.LastError(), CsvSplitError::kBadRecord);

  std::string unterminated = "a\n\"b";
  EXPECT_FALSE(splitter.Split(unterminated, [](const std::vector<CellRef>&) {}));
  EXPECT_EQ(splitter.LastError(), CsvSplitError::kBadRecord);
  std::string good = "a";
  EXPECT_TRUE(splitter.Split(good, [](const std::vector<CellRef>&) {}));
  EXPECT_EQ(splitter.LastError(), CsvSplitError::kNone);
}

}  // namespace
}  // namespace trqx
