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
#include "foundation/field_format.h"
#include "foundation/locked_file.h"
#include "support/scratch_folder.h"

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

TEST(ScalarTest, WritersReadersNumbersAndRecordLines) {
  EXPECT_EQ(RecordLine({"Name", "Value", "a,b", "say \"hi\"", "", "plain text"}),
            "Name,Value,\"a,b\",\"say \"\"hi\"\"\",,plain text\r\n");
  TokenList tokens;
  WriteBool(tokens, "On", true);
  WriteBool(tokens, "Off", false);
  WriteInt(tokens, "Count", -42);
  WriteUInt(tokens, "UUID", 4294967295u);
  WriteArray(tokens, "List", {"x", ""});
  EXPECT_EQ(tokens, T("On,Value,TRUE,Off,Value,FALSE,Count,Value,-42,UUID,Value,4294967295,"
                      "List,Array,2,x,"));
  std::size_t pos = 12;
  std::vector<std::string> list;
  EXPECT_TRUE(ReadArray(tokens, pos, list));
  EXPECT_EQ(list, (std::vector<std::string>{"x", ""}));
  EXPECT_EQ(pos, 17u);
  bool flag = false;
  EXPECT_TRUE(ReadBool(tokens, pos = 0, flag));
  EXPECT_TRUE(flag);
  EXPECT_EQ(pos, 3u);
  EXPECT_TRUE(ReadBool(T("F,Value,true"), pos = 0, flag));
  EXPECT_FALSE(flag);  // only TRUE is true
  // A short or other entry fails and leaves everything as it was.
  for (const char* bad :
       {"Key", "Key,Value", "Key,2,a", "L,Array,-1", "L,Array", "L,Array,3,a,b"}) {
    std::string text = "kept";
    list = {"kept"};
    pos = 0;
    EXPECT_FALSE(ReadString(T(bad), pos, text)) << bad;
    EXPECT_FALSE(ReadArray(T(bad), pos, list)) << bad;
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(text + list[0], "keptkept");
  }
  EXPECT_EQ(ParseInt("12abc"), 12);
  EXPECT_EQ(ParseInt("abc"), 0);
  EXPECT_EQ(ParseInt("99999999999999999999"), INT_MAX);
}

TEST(SkipEntryTest, StepsOverEveryFormAndRefusesHostileCounts) {
  // A count that is no number reads as 0.
  for (const char* good : {"K,Value,v,next", "K,Array,2,a,b,next", "K,abc,next",
                           "CMap,2,COuter,2,CInner,1,L,Array,1,z,V,Value,,W,Value,w,next"}) {
    const TokenList tokens = T(good);
    std::size_t pos = 0;
    EXPECT_TRUE(SkipEntry(tokens, pos)) << good;
    EXPECT_EQ(pos, tokens.size() - 1) << good;
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
  EXPECT_TRUE(SkipEntry(deep, pos));
  EXPECT_EQ(pos, deep.size() - 1);
}

// Loads a class whose one member, Number, refuses negative values.
bool LoadSample(const TokenList& tokens, int& number) {
  std::size_t pos = 0;
  const bool ok = LoadObject(tokens, pos, "CSample", [&](std::string_view key, std::size_t& p) {
    if (key != "Number") {
      return MemberRead::kUnknownKey;
    }
    return ReadInt(tokens, p, number) && number >= 0 ? MemberRead::kLoaded : MemberRead::kFailed;
  });
  EXPECT_EQ(pos, ok ? tokens.size() - 1 : 0);
  return ok;
}

TEST(LoadObjectTest, SkipsUnknownKeysKeepsDefaultsAndFailsOnStructure) {
  int number = 11;
  ASSERT_TRUE(LoadSample(T("CSample,2,Retired,Value,x,Nested,1,Deep,Value,y,after"), number));
  EXPECT_EQ(number, 11);  // the default stays
  ASSERT_TRUE(LoadSample(T("CSample,2,Retired,Value,x,Number,Value,5,after"), number));
  EXPECT_EQ(number, 5);
  for (const char* bad : {"CSample", "COther,0,", "csample,0,", "CSample,-1", "CSample,1",
                          "CSample,2,Number,Value,1", "CSample,1,Number,Value,-3",
                          "CSample,1,Number,Array,0", "CSample,2147483647,Number,Value,1"}) {
    EXPECT_FALSE(LoadSample(T(bad), number)) << bad;
  }
}

// A nested object for the member tables below, read by hand.
struct Leaf : CArchivable {
  static constexpr const char* kClassName = "Leaf";
  void Save(TokenList& tokens) const override {
    WriteObjectHeader(tokens, kClassName, 1);
    WriteString(tokens, "Text", m_text);
  }
  bool Load(const TokenList& tokens, std::size_t& pos) {
    return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& p) {
      return key == "Text" ? Loaded(ReadString(tokens, p, m_text)) : MemberRead::kUnknownKey;
    });
  }
  std::string m_text = "default";
};

// One member of every kind a table knows, and a class derived from it.
struct Tabled : CArchivable {
  static constexpr const char* kClassName = "Tabled";
  void Save(TokenList& tokens) const override;
  bool Load(const TokenList& tokens, std::size_t& pos, const MemberReader& readOther = nullptr);
  int m_mode = 1;
  bool m_on = false;
  std::uint32_t m_id = 7;
  std::string m_name;
  std::vector<std::string> m_list;
  Leaf m_leaf;
  std::vector<CTranslation> m_translations;
};
struct DerivedTabled : Tabled {
  static constexpr const char* kClassName = "Derived";
  void Save(TokenList& tokens) const override;
  bool Load(const TokenList& tokens, std::size_t& pos);
  int m_extra = 0;
};

constexpr ArchiveMember<Tabled> kTabledMembers[] = {
    MemberInRange<&Tabled::m_mode, 0, 2>("Mode"),
    Member<&Tabled::m_on>("On"),
    Member<&Tabled::m_id>("Id"),
    Member<&Tabled::m_name>("Name"),
    Member<&Tabled::m_list>("List"),
    Member<&Tabled::m_leaf>(),
    Member<&Tabled::m_translations>(),
};
constexpr ArchiveMember<DerivedTabled> kDerivedMembers[] = {
    BaseMember<Tabled, DerivedTabled>(), Member<&DerivedTabled::m_extra>("Extra")};

void Tabled::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kTabledMembers);
}
bool Tabled::Load(const TokenList& tokens, std::size_t& pos, const MemberReader& readOther) {
  return LoadObject(tokens, pos, kClassName, *this, kTabledMembers, readOther);
}
void DerivedTabled::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kDerivedMembers);
}
bool DerivedTabled::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadObject(tokens, pos, kClassName, *this, kDerivedMembers);
}

TEST(MemberTableTest, SavesInTableOrderCountingListItems) {
  DerivedTabled object;
  object.m_on = true;
  object.m_name = "n";
  object.m_list = {"a", "b"};
  object.m_translations.resize(2);
  object.m_translations[1].m_output = "out";
  object.m_extra = 5;
  TokenList tokens;
  object.Save(tokens);
  EXPECT_EQ(tokens, T("Derived,2,Tabled,8,Mode,Value,1,On,Value,TRUE,Id,Value,7,Name,Value,n,"
                      "List,Array,2,a,b,Leaf,1,Text,Value,default,CTranslation,2,Input,Value,,"
                      "Output,Value,,CTranslation,2,Input,Value,,Output,Value,out,Extra,Value,5"));
  DerivedTabled back;
  std::size_t pos = 0;
  ASSERT_TRUE(back.Load(tokens, pos));
  EXPECT_EQ(pos, tokens.size());
  EXPECT_EQ(back.m_list, object.m_list);
  ASSERT_EQ(back.m_translations.size(), 2u);
  EXPECT_EQ(back.m_translations[1].m_output, "out");
  EXPECT_EQ(back.m_extra, 5);
}

TEST(MemberTableTest, LoadsByKeyInAnyOrderAndRefusesBadEntries) {
  const struct {
    const char* tokens;
    bool loads;
    const char* what;  // Mode, Id, Leaf text and translations after the load
  } rows[] = {
      {.tokens = "Tabled,3,Id,Value,9,Mode,Value,2,Leaf,1,Text,Value,x",
       .loads = true,
       .what = "2 9 x 0"},
      {.tokens = "Tabled,2,Other,Value,o,CTranslation,2,Input,Value,i,Output,Value,o",
       .loads = true,
       .what = "1 7 default 1"},
      {.tokens = "Tabled,2,Leaf,1,Text,Value,a,Leaf,1,Text,Value,b",
       .loads = true,
       .what = "1 7 b 0"},
      {.tokens = "Tabled,1,Mode,Value,3", .loads = false, .what = "1 7 default 0"},
      {.tokens = "Tabled,1,Mode,Value,-1", .loads = false, .what = "1 7 default 0"},
      {.tokens = "Tabled,1,Leaf,1,Text,Array,0", .loads = false, .what = "1 7 default 0"},
      {.tokens = "Tabled,2,Leaf,1,Text,Value,a,Leaf,1,Text", .loads = false, .what = "1 7 a 0"},
      {.tokens = "Tabled,2,CTranslation,0,CTranslation,1,Input,Array,0",
       .loads = false,
       .what = "1 7 default 1"},
  };
  for (const auto& row : rows) {
    Tabled object;
    std::size_t pos = 0;
    EXPECT_EQ(object.Load(T(row.tokens), pos), row.loads) << row.tokens;
    EXPECT_EQ(std::to_string(object.m_mode) + " " + std::to_string(object.m_id) + " " +
                  object.m_leaf.m_text + " " + std::to_string(object.m_translations.size()),
              row.what)
        << row.tokens;
  }
  // Keys outside the table go to the class's own reader.
  Tabled object;
  std::size_t pos = 0;
  std::string seen;
  ASSERT_TRUE(object.Load(T("Tabled,2,Retired,Value,r,On,Value,TRUE"), pos,
                          [&](std::string_view key, std::size_t& p) {
                            seen += key;
                            p += 3;
                            return MemberRead::kLoaded;
                          }));
  EXPECT_EQ(seen, "Retired");
  EXPECT_TRUE(object.m_on);
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

TEST(ArchiveFileTest, LoadHandsOverRecordsAcrossChunksUntilABadOne) {
  ScratchFolder folder;
  const std::string path = folder.File("trqx.cfg");
  std::vector<TokenList> records;
  CFileError error;
  const auto load = [&](const std::string& content) {
    WriteWholeFile(path, content);
    records.clear();
    return LoadArchiveFile(
        path, [&](const TokenList& t) { return records.push_back(t), t[0] != "stop"; }, error);
  };
  const std::string big(1234, 'q');  // records longer than a 500-byte chunk
  EXPECT_EQ(load("A,1\r\n\n\r\nB," + big + ",\"x\"\"" + big + "\"\r\n\nC"), ArchiveLoad::kOk);
  EXPECT_EQ(records, (std::vector<TokenList>{{"A", "1"}, {"B", big, "x\"" + big}, {"C"}}));
  EXPECT_EQ(load("a\r\n\"b\nc\"\r\nd\r\n"), ArchiveLoad::kBadRecord);
  EXPECT_EQ(records, (std::vector<TokenList>{{"a"}}));
  EXPECT_EQ(load("a\r\n\"unterminated"), ArchiveLoad::kBadRecord);
  EXPECT_EQ(load("a\nstop\nb\n"), ArchiveLoad::kRejected);
  EXPECT_EQ(records, (std::vector<TokenList>{{"a"}, {"stop"}}));
  const auto ignore = [](const TokenList&) { return false; };
  EXPECT_EQ(LoadArchiveFile(folder.File("new.cfg"), ignore, error), ArchiveLoad::kOk);
  EXPECT_TRUE(std::filesystem::exists(folder.File("new.cfg")));  // created empty
  EXPECT_EQ(LoadArchiveFile(folder.File("no/such/folder"), ignore, error), ArchiveLoad::kFileError);
  EXPECT_EQ(error.m_osError, ENOENT);
  EXPECT_EQ(error.m_function, "open");
}

TEST(ArchiveFileTest, SaveEndsInCrLfLfAndNeverWritesAFileInUse) {
  ScratchFolder folder;
  const std::string path = folder.File("trqx.cfg");
  CFileError error;
  WriteWholeFile(path, std::string(3000, 'z'));
  ASSERT_TRUE(SaveArchiveFile(path, {"CObj", "1", "Name", "Value", "a,b"}, error));
  EXPECT_EQ(ReadWholeFile(path), "CObj,1,Name,Value,\"a,b\"\r\n\n");
  LockedFile holder;
  ASSERT_TRUE(holder.Open(path, O_RDWR, FileLock::kExclusive, error));
  EXPECT_FALSE(SaveArchiveFile(path, {"new"}, error));
  EXPECT_EQ(error.m_cause, FileErrorCause::kLocked);
  EXPECT_EQ(ReadWholeFile(path), "CObj,1,Name,Value,\"a,b\"\r\n\n");  // not truncated
}

}  // namespace
}  // namespace trqx
