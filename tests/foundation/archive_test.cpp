#include "foundation/archive.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include "foundation/archive_file.h"
#include "foundation/csv_line_reader.h"
#include "foundation/locked_file.h"
#include "scratch_folder.h"

namespace trqx {
namespace {

TokenList ReadBackOneRecord(const std::string& line) {
  CsvLineReader reader;
  std::size_t used = 0;
  EXPECT_EQ(reader.Feed(line, used), CsvStatus::kRecord);
  EXPECT_EQ(used, line.size());
  return reader.Tokens();
}

TEST(RecordLineTest, QuotesOnlyTokensWithACommaOrAQuote) {
  EXPECT_EQ(RecordLine({"Name", "Value", "a,b", "say \"hi\"", "", "plain text", "x"}),
            "Name,Value,\"a,b\",\"say \"\"hi\"\"\",,plain text,x\r\n");
  EXPECT_EQ(RecordLine({}), "\r\n");
  EXPECT_EQ(RecordLine({""}), "\r\n");
}

TEST(RecordLineTest, RoundTripsThroughTheReader) {
  std::mt19937 random(7);
  static constexpr char kAlphabet[] = {'a', ',', '"', ' ', '\t', 'Z', '\xff'};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 1);
  std::uniform_int_distribution<std::size_t> length(0, 6);
  for (int round = 0; round < 500; ++round) {
    TokenList tokens(1 + round % 7);
    for (std::string& token : tokens) {
      for (std::size_t i = length(random); i > 0; --i) {
        token += kAlphabet[pick(random)];
      }
    }
    // A single empty token writes a blank line, which reads as no record at all.
    if (tokens.size() == 1 && tokens[0].empty()) {
      continue;
    }
    EXPECT_EQ(ReadBackOneRecord(RecordLine(tokens)), tokens);
  }
}

TEST(ScalarTest, WritersAndReaders) {
  TokenList tokens;
  WriteBool(tokens, "On", true);
  WriteBool(tokens, "Off", false);
  WriteInt(tokens, "Count", -42);
  WriteUInt(tokens, "UUID", 4294967295u);
  WriteString(tokens, "Text", "a,\"b\"");
  WriteArray(tokens, "List", {"x", "", "y"});
  WriteObjectHeader(tokens, "CClass", 7);
  EXPECT_EQ(tokens, (TokenList{"On",    "Value", "TRUE",    "Off",    "Value", "FALSE",
                               "Count", "Value", "-42",     "UUID",   "Value", "4294967295",
                               "Text",  "Value", "a,\"b\"", "List",   "Array", "3",
                               "x",     "",      "y",       "CClass", "7"}));
  std::size_t pos = 0;
  bool on = false;
  bool off = true;
  int count = 0;
  std::uint32_t uuid = 0;
  std::string text;
  std::vector<std::string> list;
  ASSERT_TRUE(ReadBool(tokens, pos, on));
  ASSERT_TRUE(ReadBool(tokens, pos, off));
  ASSERT_TRUE(ReadInt(tokens, pos, count));
  ASSERT_TRUE(ReadUInt(tokens, pos, uuid));
  ASSERT_TRUE(ReadString(tokens, pos, text));
  ASSERT_TRUE(ReadArray(tokens, pos, list));
  EXPECT_TRUE(on);
  EXPECT_FALSE(off);
  EXPECT_EQ(count, -42);
  EXPECT_EQ(uuid, 4294967295u);
  EXPECT_EQ(text, "a,\"b\"");
  EXPECT_EQ(list, (std::vector<std::string>{"x", "", "y"}));
  EXPECT_EQ(pos, 21u);
}

TEST(ScalarTest, OnlyExactTrueIsTrue) {
  for (const char* token : {"true", "True", "TRUE ", "1", ""}) {
    bool value = true;
    std::size_t pos = 0;
    ASSERT_TRUE(ReadBool({"Flag", "Value", token}, pos, value));
    EXPECT_FALSE(value) << token;
  }
}

TEST(ScalarTest, ReadersNeedAWholeValueEntryAndLeaveEverythingOnFailure) {
  const std::vector<TokenList> bad = {
      {"Key"}, {"Key", "Value"}, {"Key", "Array", "1", "x"}, {"Key", "2", "a", "b"}, {}};
  for (const TokenList& tokens : bad) {
    std::size_t pos = 0;
    int number = 5;
    std::string text = "kept";
    EXPECT_FALSE(ReadInt(tokens, pos, number));
    EXPECT_FALSE(ReadString(tokens, pos, text));
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(text, "kept");
  }
  // Standing past the end is no entry either.
  std::size_t pos = 3;
  bool flag = false;
  EXPECT_FALSE(ReadBool({"Key", "Value", "TRUE"}, pos, flag));
}

TEST(ScalarTest, ArrayCountsMustFitTheList) {
  std::vector<std::string> values = {"kept"};
  for (const TokenList& tokens :
       {TokenList{"L", "Array", "-1"}, TokenList{"L", "Array", "3", "a", "b"},
        TokenList{"L", "Array"}, TokenList{"L", "Value", "0"}}) {
    std::size_t pos = 0;
    EXPECT_FALSE(ReadArray(tokens, pos, values));
    EXPECT_EQ(pos, 0u);
  }
  EXPECT_EQ(values, (std::vector<std::string>{"kept"}));
  std::size_t pos = 0;
  ASSERT_TRUE(ReadArray({"L", "Array", "0", "next"}, pos, values));
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(pos, 3u);
}

TEST(ParseTest, LeadingDigitsCountLikeTheCLibrary) {
  EXPECT_EQ(ParseInt("12abc"), 12);
  EXPECT_EQ(ParseInt("abc"), 0);
  EXPECT_EQ(ParseInt(""), 0);
  EXPECT_EQ(ParseInt("  -17"), -17);
  EXPECT_EQ(ParseInt("+8"), 8);
  EXPECT_EQ(ParseInt("- 8"), 0);
  EXPECT_EQ(ParseInt("2147483647"), 2147483647);
  EXPECT_EQ(ParseInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseInt("99999999999999999999999"), 2147483647);
  EXPECT_EQ(ParseInt("-99999999999999999999999"), -2147483647 - 1);

  EXPECT_EQ(ParseUInt("4294967295"), 4294967295u);
  EXPECT_EQ(ParseUInt("4294967296"), 4294967295u);
  EXPECT_EQ(ParseUInt("123456789x"), 123456789u);
  EXPECT_EQ(ParseUInt("x1"), 0u);
  EXPECT_EQ(ParseUInt(" \t7"), 7u);
  EXPECT_EQ(ParseUInt("-1"), 4294967295u);  // as strtoul with a 32-bit unsigned long
}

TEST(SkipEntryTest, StepsOverEveryFormOfEntry) {
  struct Case {
    TokenList tokens;
    std::size_t end;
  };
  const std::vector<Case> cases = {
      {{"K", "Value", "v", "next"}, 3},
      {{"K", "Array", "2", "a", "b", "next"}, 5},
      {{"K", "Array", "0", "next"}, 3},
      {{"K", "0", "next"}, 2},
      {{"K", "abc", "next"}, 2},  // a count that is no number reads as 0
      {{"K", "2", "A", "Value", "1", "B", "Array", "1", "x", "next"}, 9},
      // nested two deep, with an array inside
      {{"CMap", "2", "COuter", "2", "CInner", "1", "L", "Array", "1", "z", "V", "Value", "", "W",
        "Value", "w", "next"},
       16},
  };
  for (const Case& c : cases) {
    std::size_t pos = 0;
    EXPECT_TRUE(SkipEntry(c.tokens, pos)) << testing::PrintToString(c.tokens);
    EXPECT_EQ(pos, c.end) << testing::PrintToString(c.tokens);
  }
}

TEST(SkipEntryTest, FailsOnBadCountsWithoutMoving) {
  const std::vector<TokenList> bad = {
      {},
      {"K"},
      {"K", "Value"},
      {"K", "Array"},
      {"K", "Array", "-1"},
      {"K", "Array", "3", "a", "b"},
      {"K", "Array", "2147483647"},
      {"K", "-1"},
      {"K", "1"},
      {"K", "2", "A", "Value", "1"},
      {"K", "2147483647", "A", "Value", "1"},
      {"K", "1", "Inner", "1", "A", "Value"},
  };
  for (const TokenList& tokens : bad) {
    std::size_t pos = 0;
    EXPECT_FALSE(SkipEntry(tokens, pos)) << testing::PrintToString(tokens);
    EXPECT_EQ(pos, 0u);
  }
}

TEST(SkipEntryTest, AnyDepthOfNestingIsSkippedWhole) {
  // Deep enough to overflow the stack of a recursive skip.
  constexpr int kDepth = 200000;
  TokenList tokens;
  for (int level = 0; level < kDepth; ++level) {
    tokens.push_back("K" + std::to_string(level));
    tokens.push_back("1");
  }
  WriteString(tokens, "Leaf", "x");
  tokens.push_back("after");
  std::size_t pos = 0;
  ASSERT_TRUE(SkipEntry(tokens, pos));
  EXPECT_EQ(pos, tokens.size() - 1);
  tokens.erase(tokens.end() - 2, tokens.end());  // the leaf's value goes missing
  pos = 0;
  EXPECT_FALSE(SkipEntry(tokens, pos));
}

// A small class in the usual shape: two known members, defaults kept for missing keys.
struct Sample {
  int m_number = 11;
  std::string m_text = "default";

  bool Load(const TokenList& tokens, std::size_t& pos) {
    return LoadObject(tokens, pos, "CSample", [&](std::string_view key, std::size_t& p) {
      if (key == "Number") {
        return ReadInt(tokens, p, m_number) && m_number >= 0 ? MemberRead::kLoaded
                                                             : MemberRead::kFailed;
      }
      if (key == "Text") {
        return ReadString(tokens, p, m_text) ? MemberRead::kLoaded : MemberRead::kFailed;
      }
      return MemberRead::kUnknownKey;
    });
  }
};

TEST(LoadObjectTest, ReadsKnownKeysSkipsUnknownOnesAndKeepsDefaults) {
  const TokenList tokens = {"CSample", "3",      "Retired", "Value", "x",     "Number", "Value",
                            "5",       "Nested", "1",       "Deep",  "Value", "y",      "after"};
  Sample sample;
  std::size_t pos = 0;
  ASSERT_TRUE(sample.Load(tokens, pos));
  EXPECT_EQ(pos, tokens.size() - 1);
  EXPECT_EQ(sample.m_number, 5);
  EXPECT_EQ(sample.m_text, "default");
}

TEST(LoadObjectTest, FailsOnStructureAndOnTheClassCheck) {
  const std::vector<TokenList> bad = {
      {},
      {"CSample"},
      {"COther", "0"},
      {"csample", "0"},
      {"CSample", "-1"},
      {"CSample", "1"},
      {"CSample", "2", "Text", "Value", "t"},
      {"CSample", "1", "Number", "Value", "-3"},  // refused by the class
      {"CSample", "1", "Number", "Array", "0"},
      {"CSample", "1", "Unknown", "-2"},
      {"CSample", "2147483647", "Text", "Value", "t"},
  };
  for (const TokenList& tokens : bad) {
    Sample sample;
    std::size_t pos = 0;
    EXPECT_FALSE(sample.Load(tokens, pos)) << testing::PrintToString(tokens);
    EXPECT_EQ(pos, 0u);
  }
}

TEST(LoadObjectTest, AReaderThatDoesNotMoveFails) {
  const TokenList tokens = {"CSample", "1", "Stuck", "Value", "x"};
  std::size_t pos = 0;
  EXPECT_FALSE(LoadObject(tokens, pos, "CSample",
                          [](std::string_view, std::size_t&) { return MemberRead::kLoaded; }));
}

struct Scrambler : CArchivable {
  void Save(TokenList&) const override {}
};

TEST(ScrambleTest, KnownBytes) {
  Scrambler scrambler;
  // '*' ^ ('V' % 80) = 0x2C; 'A' ^ (('e' + 1) % 80) = 0x57.
  EXPECT_EQ(scrambler.ScrambleText(""), "2C");
  EXPECT_EQ(scrambler.ScrambleText("A"), "2C57");
  // Position 11: 's' + 11 = 126, 126 % 80 = 46 = 0x2E; 'a' ^ 0x2E = 0x4F. Position 12:
  // 't' + 12 = 128 is -128 as a signed byte, remainder -48, byte 0xD0; 'b' ^ 0xD0 = 0xB2.
  const std::string stored = scrambler.ScrambleText("aaaaaaaaaaab");
  ASSERT_EQ(stored.size(), 26u);
  EXPECT_EQ(stored.substr(22), "4FB2");
  // The hex digits are upper case with a leading zero.
  EXPECT_EQ(scrambler.ScrambleText("\x06"), "2C10");
}

TEST(ScrambleTest, RoundTripsAndKeepsTheScrambledForm) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> byte(1, 255);
  for (int length = 0; length < 600; length += 7) {
    std::string text;
    for (int i = 0; i < length; ++i) {
      text += static_cast<char>(byte(random));
    }
    Scrambler scrambler;
    const std::string stored = scrambler.ScrambleText(text);
    EXPECT_EQ(stored.size(), 2 * (text.size() + 1));
    scrambler.m_scrambleEnabled = false;
    EXPECT_EQ(scrambler.UnscrambleText(stored), text);
    EXPECT_TRUE(scrambler.m_scrambleEnabled);
    EXPECT_EQ(scrambler.ScrambleText(text), stored);
  }
}

TEST(ScrambleTest, PlainValuesAreRecognisedAndWrittenBackPlain) {
  Scrambler scrambler;
  EXPECT_EQ(scrambler.UnscrambleText("secret"), "secret");
  EXPECT_FALSE(scrambler.m_scrambleEnabled);
  EXPECT_EQ(scrambler.ScrambleText("secret"), "secret");
  for (const char* value : {"    ", "2c57", "2", " x"}) {
    scrambler.m_scrambleEnabled = true;
    EXPECT_EQ(scrambler.UnscrambleText(value), value);
    EXPECT_FALSE(scrambler.m_scrambleEnabled) << '"' << value << '"';
  }
  // Empty and one to three blanks turn scrambling on (a new password gets scrambled).
  for (const char* value : {"", " ", "  ", "   "}) {
    scrambler.m_scrambleEnabled = false;
    EXPECT_EQ(scrambler.UnscrambleText(value), value);
    EXPECT_TRUE(scrambler.m_scrambleEnabled) << '"' << value << '"';
  }
}

TEST(ScrambleTest, UnscramblingToleratesOddLengthAndBadDigits) {
  Scrambler scrambler;
  EXPECT_EQ(scrambler.UnscrambleText("2C57F"), "A");  // a trailing odd digit is ignored
  EXPECT_EQ(scrambler.UnscrambleText("2C"), "");
  // A character that is no hex digit counts as 0: "5z" is 0x50, and 0x50 ^ 0x16 is 'F'.
  EXPECT_EQ(scrambler.UnscrambleText("2C5z"), "F");
}

class ArchiveFileTest : public testing::Test {
 protected:
  ScratchFolder m_folder;
  std::string m_path = m_folder.File("trqx.cfg");
  CFileError m_error;
};

TEST_F(ArchiveFileTest, SaveWritesOneRecordLineAndALineFeedReplacingTheFile) {
  WriteWholeFile(m_path, std::string(3000, 'z'));
  ASSERT_TRUE(SaveArchiveFile(m_path, {"CObj", "1", "Name", "Value", "a,b"}, m_error));
  EXPECT_EQ(ReadWholeFile(m_path), "CObj,1,Name,Value,\"a,b\"\r\n\n");
}

TEST_F(ArchiveFileTest, LoadHandsOverRecordsAcrossChunksAndIgnoresEmptyOnes) {
  // Records longer than a 500-byte chunk, and the blank lines saved files carry.
  const std::string longToken(1234, 'q');
  WriteWholeFile(m_path, "A,1\r\n\n\r\nB," + longToken + ",\"x\"\"" + longToken + "\"\r\n\nC");
  std::vector<TokenList> records;
  EXPECT_EQ(LoadArchiveFile(
                m_path, [&](const TokenList& t) { return records.push_back(t), true; }, m_error),
            ArchiveLoad::kOk);
  EXPECT_EQ(records,
            (std::vector<TokenList>{{"A", "1"}, {"B", longToken, "x\"" + longToken}, {"C"}}));
}

TEST_F(ArchiveFileTest, LoadCreatesAMissingFileEmpty) {
  int records = 0;
  EXPECT_EQ(LoadArchiveFile(
                m_path, [&](const TokenList&) { return ++records, true; }, m_error),
            ArchiveLoad::kOk);
  EXPECT_EQ(records, 0);
  EXPECT_EQ(ReadWholeFile(m_path), "");
  EXPECT_EQ(LoadArchiveFile(
                m_folder.File("no/such/folder"), [](const TokenList&) { return true; }, m_error),
            ArchiveLoad::kFileError);
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(m_error.m_osError, ENOENT);
  EXPECT_EQ(m_error.m_function, "open");
}

TEST_F(ArchiveFileTest, LoadStopsAtABadRecordOrWhenTheReaderSaysSo) {
  std::vector<TokenList> records;
  const auto collect = [&](const TokenList& t) { return records.push_back(t), t[0] != "stop"; };
  WriteWholeFile(m_path, "a\r\n\"b\nc\"\r\nd\r\n");
  EXPECT_EQ(LoadArchiveFile(m_path, collect, m_error), ArchiveLoad::kBadRecord);
  EXPECT_EQ(records, (std::vector<TokenList>{{"a"}}));

  records.clear();
  WriteWholeFile(m_path, "a\r\n\"unterminated");
  EXPECT_EQ(LoadArchiveFile(m_path, collect, m_error), ArchiveLoad::kBadRecord);

  records.clear();
  WriteWholeFile(m_path, "a\nstop\nb\n");
  EXPECT_EQ(LoadArchiveFile(m_path, collect, m_error), ArchiveLoad::kRejected);
  EXPECT_EQ(records, (std::vector<TokenList>{{"a"}, {"stop"}}));
}

TEST_F(ArchiveFileTest, SavedFilesLoadBack) {
  TokenList tokens;
  WriteObjectHeader(tokens, "CObj", 2);
  WriteString(tokens, "Quote", "say \"x\", then y");
  WriteString(tokens, "Empty", "");
  ASSERT_TRUE(SaveArchiveFile(m_path, tokens, m_error));
  std::vector<TokenList> records;
  EXPECT_EQ(LoadArchiveFile(
                m_path, [&](const TokenList& t) { return records.push_back(t), true; }, m_error),
            ArchiveLoad::kOk);
  EXPECT_EQ(records, (std::vector<TokenList>{tokens}));
}

TEST_F(ArchiveFileTest, AFileInUseIsNeitherWrittenNorRead) {
  WriteWholeFile(m_path, "old\r\n\n");
  {
    LockedFile holder;
    ASSERT_TRUE(holder.Open(m_path, O_RDWR, FileLock::kExclusive, m_error));
    EXPECT_FALSE(SaveArchiveFile(m_path, {"new"}, m_error));
    EXPECT_EQ(m_error.m_cause, FileErrorCause::kLocked);
    EXPECT_EQ(m_error.m_osError, EWOULDBLOCK);
    EXPECT_EQ(m_error.m_fileName, m_path);
    EXPECT_EQ(ReadWholeFile(m_path), "old\r\n\n");  // not truncated by the failed save
    m_error = {};
    EXPECT_EQ(LoadArchiveFile(
                  m_path, [](const TokenList&) { return true; }, m_error),
              ArchiveLoad::kFileError);
    EXPECT_EQ(m_error.m_cause, FileErrorCause::kLocked);
  }
  {
    // Readers share the file; a writer waits for them to finish.
    LockedFile reader;
    ASSERT_TRUE(reader.Open(m_path, O_RDONLY, FileLock::kDenyWrite, m_error));
    EXPECT_EQ(LoadArchiveFile(
                  m_path, [](const TokenList&) { return true; }, m_error),
              ArchiveLoad::kOk);
    EXPECT_FALSE(SaveArchiveFile(m_path, {"new"}, m_error));
    EXPECT_EQ(m_error.m_cause, FileErrorCause::kLocked);
  }
  EXPECT_TRUE(SaveArchiveFile(m_path, {"new"}, m_error));
  EXPECT_EQ(ReadWholeFile(m_path), "new\r\n\n");
}

}  // namespace
}  // namespace trqx
