#include "foundation/archive.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/archive_file.h"
#include "foundation/locked_file.h"
#include "scratch_folder.h"

namespace trqx {
namespace {

// "a,b," as the token list {"a", "b", ""}; an empty text as no tokens.
TokenList T(std::string_view text) {
  TokenList tokens;
  for (std::size_t at = 0; !text.empty() && at <= text.size(); ++at) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    tokens.emplace_back(text.substr(at, comma - at));
    at = comma;
  }
  return tokens;
}

TEST(RecordLineTest, QuotesOnlyTokensWithACommaOrAQuote) {
  EXPECT_EQ(RecordLine({"Name", "Value", "a,b", "say \"hi\"", "", "plain text"}),
            "Name,Value,\"a,b\",\"say \"\"hi\"\"\",,plain text\r\n");
}

TEST(ScalarTest, WritersReadersAndNumbers) {
  TokenList tokens;
  WriteBool(tokens, "On", true);
  WriteBool(tokens, "Off", false);
  WriteInt(tokens, "Count", -42);
  WriteUInt(tokens, "UUID", 4294967295u);
  WriteArray(tokens, "List", {"x", ""});
  WriteObjectHeader(tokens, "CClass", 7);
  EXPECT_EQ(tokens, T("On,Value,TRUE,Off,Value,FALSE,Count,Value,-42,UUID,Value,4294967295,"
                      "List,Array,2,x,,CClass,7"));
  std::size_t pos = 12;
  std::vector<std::string> list;
  ASSERT_TRUE(ReadArray(tokens, pos, list));
  EXPECT_EQ(list, (std::vector<std::string>{"x", ""}));
  EXPECT_EQ(pos, 17u);
  bool flag = false;
  EXPECT_TRUE(ReadBool(tokens, pos = 0, flag) && flag && pos == 3);
  EXPECT_TRUE(ReadBool(T("F,Value,true"), pos = 0, flag) && !flag);  // only TRUE is true
  // A short or other entry fails and leaves everything as it was.
  for (const char* bad :
       {"Key", "Key,Value", "Key,2,a", "L,Array,-1", "L,Array", "L,Array,3,a,b"}) {
    std::string text = "kept";
    list = {"kept"};
    pos = 0;
    EXPECT_FALSE(ReadString(T(bad), pos, text) || ReadArray(T(bad), pos, list)) << bad;
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(text + list[0], "keptkept");
  }
  EXPECT_EQ(ParseInt("12abc"), 12);
  EXPECT_EQ(ParseInt("abc"), 0);
  EXPECT_EQ(ParseInt("99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseUInt("-1"), 4294967295u);  // as strtoul with a 32-bit unsigned long
}

TEST(SkipEntryTest, StepsOverEveryFormAndRefusesHostileCounts) {
  // A count that is no number reads as 0.
  for (const char* good : {"K,Value,v,next", "K,Array,2,a,b,next", "K,abc,next",
                           "CMap,2,COuter,2,CInner,1,L,Array,1,z,V,Value,,W,Value,w,next"}) {
    const TokenList tokens = T(good);
    std::size_t pos = 0;
    EXPECT_TRUE(SkipEntry(tokens, pos) && pos == tokens.size() - 1) << good;
  }
  for (const char* bad : {"", "K", "K,Value", "K,Array,-1", "K,-1", "K,1", "K,Array,2147483647",
                          "K,2147483647,A,Value,1", "K,1,Inner,1,A,Value"}) {
    std::size_t pos = 0;
    EXPECT_FALSE(SkipEntry(T(bad), pos)) << bad;
    EXPECT_EQ(pos, 0u);
  }
  // Nesting deep enough to overflow the stack of a recursive skip.
  TokenList deep;
  for (int level = 0; level < 200000; ++level) {
    deep.insert(deep.end(), {"K", "1"});
  }
  deep.insert(deep.end(), {"Leaf", "Value", "x", "after"});
  std::size_t pos = 0;
  ASSERT_TRUE(SkipEntry(deep, pos));
  EXPECT_EQ(pos, deep.size() - 1);
  deep.resize(deep.size() - 2);  // the leaf's value goes missing
  pos = 0;
  EXPECT_FALSE(SkipEntry(deep, pos));
}

// Loads a class with the members Number (refused when negative) and Text.
bool LoadSample(const TokenList& tokens, int& number, std::string& text) {
  std::size_t pos = 0;
  const bool ok = LoadObject(tokens, pos, "CSample", [&](std::string_view key, std::size_t& p) {
    if (key == "Number") {
      return ReadInt(tokens, p, number) && number >= 0 ? MemberRead::kLoaded : MemberRead::kFailed;
    }
    if (key == "Text") {
      return ReadString(tokens, p, text) ? MemberRead::kLoaded : MemberRead::kFailed;
    }
    return MemberRead::kUnknownKey;
  });
  EXPECT_EQ(pos, ok ? tokens.size() - 1 : 0);
  return ok;
}

TEST(LoadObjectTest, SkipsUnknownKeysKeepsDefaultsAndFailsOnStructure) {
  int number = 11;
  std::string text = "default";
  ASSERT_TRUE(LoadSample(T("CSample,3,Retired,Value,x,Number,Value,5,Nested,1,Deep,Value,y,after"),
                         number, text));
  EXPECT_EQ(number, 5);
  EXPECT_EQ(text, "default");
  for (const char* bad : {"CSample", "COther,0,", "csample,0,", "CSample,-1", "CSample,1",
                          "CSample,2,Text,Value,t", "CSample,1,Number,Value,-3",
                          "CSample,1,Number,Array,0", "CSample,2147483647,Text,Value,t"}) {
    EXPECT_FALSE(LoadSample(T(bad), number, text)) << bad;
  }
}

struct Scrambler : CArchivable {
  void Save(TokenList&) const override {}
};

TEST(ScrambleTest, KnownBytesRoundTripAndPlainValues) {
  Scrambler scrambler;
  // '*' ^ ('V' % 80) = 0x2C; 'A' ^ (('e' + 1) % 80) = 0x57; upper case with a leading zero.
  EXPECT_EQ(scrambler.ScrambleText("A"), "2C57");
  EXPECT_EQ(scrambler.ScrambleText("\x06"), "2C10");
  // Position 11: 's' + 11 = 126, % 80 = 0x2E; 'a' ^ 0x2E = 0x4F. Position 12: 't' + 12 = 128
  // is -128 as a signed byte, remainder -48, byte 0xD0; 'b' ^ 0xD0 = 0xB2.
  EXPECT_EQ(scrambler.ScrambleText("aaaaaaaaaaab").substr(22), "4FB2");
  // Every byte value but 0 at every key position, and many turns of the key.
  for (std::string text; text.size() < 600; text += static_cast<char>(text.size() * 37 % 255 + 1)) {
    const std::string stored = scrambler.ScrambleText(text);
    EXPECT_EQ(stored.size(), 2 * text.size() + 2);
    scrambler.m_scrambleEnabled = false;
    EXPECT_EQ(scrambler.UnscrambleText(stored), text);
    EXPECT_TRUE(scrambler.m_scrambleEnabled);
  }
  EXPECT_EQ(scrambler.UnscrambleText("2C57F"), "A");  // a trailing odd digit is ignored
  EXPECT_EQ(scrambler.UnscrambleText("2C5z"), "F");   // no hex digit counts as 0: 0x50 ^ 0x16
  EXPECT_EQ(scrambler.UnscrambleText("secret"), "secret");
  EXPECT_EQ(scrambler.ScrambleText("secret"), "secret");  // written back plain
  // Plain values; then empty and one to three blanks, which turn scrambling on so that a new
  // password gets scrambled.
  const char* values[] = {"    ", "2c57", "2", " x", "", " ", "  ", "   "};
  for (int i = 0; i < 8; ++i) {
    scrambler.m_scrambleEnabled = i < 4;
    EXPECT_EQ(scrambler.UnscrambleText(values[i]), values[i]);
    EXPECT_EQ(scrambler.m_scrambleEnabled, i >= 4) << '"' << values[i] << '"';
  }
}

class ArchiveFileTest : public testing::Test {
 protected:
  // Loads content written to the settings file, or the given file as it is.
  ArchiveLoad Load(const std::string& content, std::string path = "") {
    if (path.empty()) {
      WriteWholeFile(path = m_path, content);
    }
    m_records.clear();
    return LoadArchiveFile(
        path, [&](const TokenList& t) { return m_records.push_back(t), t[0] != "stop"; }, m_error);
  }

  ScratchFolder m_folder;
  std::string m_path = m_folder.File("trqx.cfg");
  std::vector<TokenList> m_records;
  CFileError m_error;
};

TEST_F(ArchiveFileTest, LoadHandsOverRecordsAcrossChunksUntilABadOne) {
  const std::string big(1234, 'q');  // records longer than a 500-byte chunk
  EXPECT_EQ(Load("A,1\r\n\n\r\nB," + big + ",\"x\"\"" + big + "\"\r\n\nC"), ArchiveLoad::kOk);
  EXPECT_EQ(m_records, (std::vector<TokenList>{{"A", "1"}, {"B", big, "x\"" + big}, {"C"}}));
  EXPECT_EQ(Load("a\r\n\"b\nc\"\r\nd\r\n"), ArchiveLoad::kBadRecord);
  EXPECT_EQ(m_records, (std::vector<TokenList>{{"a"}}));
  EXPECT_EQ(Load("a\r\n\"unterminated"), ArchiveLoad::kBadRecord);
  EXPECT_EQ(Load("a\nstop\nb\n"), ArchiveLoad::kRejected);
  EXPECT_EQ(m_records, (std::vector<TokenList>{{"a"}, {"stop"}}));
  EXPECT_EQ(Load("", m_folder.File("new.cfg")), ArchiveLoad::kOk);  // created empty
  EXPECT_TRUE(m_records.empty() && std::filesystem::exists(m_folder.File("new.cfg")));
  EXPECT_EQ(Load("", m_folder.File("no/such/folder")), ArchiveLoad::kFileError);
  EXPECT_EQ(m_error.m_osError, ENOENT);
  EXPECT_EQ(m_error.m_function, "open");
}

TEST_F(ArchiveFileTest, SaveEndsInCrLfLfAndNeverWritesAFileInUse) {
  WriteWholeFile(m_path, std::string(3000, 'z'));
  ASSERT_TRUE(SaveArchiveFile(m_path, {"CObj", "1", "Name", "Value", "a,b"}, m_error));
  EXPECT_EQ(ReadWholeFile(m_path), "CObj,1,Name,Value,\"a,b\"\r\n\n");
  LockedFile holder;
  ASSERT_TRUE(holder.Open(m_path, O_RDWR, FileLock::kExclusive, m_error));
  EXPECT_FALSE(SaveArchiveFile(m_path, {"new"}, m_error));
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kLocked);
  EXPECT_EQ(ReadWholeFile(m_path), "CObj,1,Name,Value,\"a,b\"\r\n\n");  // not truncated
}

}  // namespace
}  // namespace trqx
