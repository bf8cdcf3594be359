// Download mappings in the archive: token order and counts, load checks, the active mapping
// file and the download profile.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/active_mapping_file.h"
#include "download/download_profile.h"
#include "download/download_test_support.h"
#include "foundation/csv_line_reader.h"
#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

const std::vector<OstraneField> kFields{Field("PORTFOLIO", 12, kCategoryBoth), Field("TICKER", 15),
                                        Field("FILLED", 20)};

std::unique_ptr<CDownLoadElement> TickerColumn() {
  auto element = std::make_unique<CDownLoadElement>();
  element->m_type = CDownLoadElement::kTypeColumn;
  element->m_xPos = 2;
  element->m_yPos = 1;
  element->m_mapType = CDownLoadElement::kMapField;
  element->m_fieldIndex = 1;
  element->m_field = kFields[1];
  element->m_name = "Ticker, quoted";
  element->m_length = 6;
  element->m_justify = CDownLoadElement::kJustifyRight;
  element->m_constant = "say \"x\"";
  element->m_isQuoted = true;
  element->m_cond1 = true;
  element->m_cond2 = true;
  element->m_translations.push_back(CTranslation{});
  element->m_translations.back().m_input = "B";
  element->m_translations.back().m_output = "BUY";
  return element;
}

TokenList Tokens(const CArchivable& object) {
  TokenList tokens;
  object.Save(tokens);
  return tokens;
}

// The tokens of the line as a reader of the file would see them.
TokenList ReadBack(const TokenList& tokens) {
  CsvLineReader reader(',');
  const std::string line = RecordLine(tokens);
  std::size_t used = 0;
  EXPECT_EQ(reader.Feed(line, used), CsvStatus::kRecord);
  return reader.Tokens();
}

TEST(DownLoadElement, SavesItsEntriesInOrderAndLoadsThemBack) {
  const auto element = TickerColumn();
  const TokenList tokens = Tokens(*element);
  const TokenList head(tokens.begin(), tokens.begin() + 5);
  EXPECT_EQ(head, (TokenList{"CDownLoadElement", "15", "Type", "Value", "1"}));
  std::vector<std::string> keys;
  for (std::size_t i = 2; i < 2 + 13 * 3; i += 3) {
    keys.push_back(tokens[i]);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Type", "XPos", "YPos", "MapType", "FieldIndex", "Name",
                                            "Length", "UseLength", "Justify", "Constant", "Cond1",
                                            "Cond2", "IsQuoted"}));
  EXPECT_EQ(tokens[41], "OstraneField");
  EXPECT_EQ(tokens[55], "CTranslation");
  EXPECT_EQ(tokens.size(), 63u);

  CDownLoadElement loaded;
  std::size_t pos = 0;
  const TokenList read = ReadBack(tokens);
  ASSERT_TRUE(loaded.Load(read, pos, kFields));
  EXPECT_EQ(pos, read.size());
  EXPECT_EQ(Tokens(loaded), tokens);
  EXPECT_TRUE(loaded.m_cond1 && loaded.m_cond2);
}

TEST(DownLoadElement, RejectsValuesOutsideTheirRangeAndStaleFieldCopies) {
  const TokenList good = Tokens(*TickerColumn());
  const auto withValue = [&](const std::string& key, const std::string& value) {
    TokenList tokens = good;
    for (std::size_t i = 2; i + 2 < tokens.size(); ++i) {
      if (tokens[i] == key && tokens[i + 1] == "Value") {
        tokens[i + 2] = value;
        break;
      }
    }
    return tokens;
  };
  const auto loads = [](const TokenList& tokens, const std::vector<OstraneField>& fields) {
    CDownLoadElement element;
    std::size_t pos = 0;
    return element.Load(tokens, pos, fields);
  };
  EXPECT_FALSE(loads(withValue("Justify", "2"), kFields));
  EXPECT_FALSE(loads(withValue("MapType", "3"), kFields));
  EXPECT_FALSE(loads(withValue("Type", "2"), kFields));
  EXPECT_FALSE(loads(withValue("XPos", "-1"), kFields));
  EXPECT_FALSE(loads(withValue("YPos", "1048576"), kFields));
  EXPECT_FALSE(loads(withValue("Length", "65536"), kFields));
  EXPECT_TRUE(loads(withValue("Length", "65535"), kFields));
  // FieldIndex equal to the number of download fields is past the list.
  EXPECT_FALSE(loads(withValue("FieldIndex", "3"), kFields));
  // The field format file changed since the element was mapped.
  std::vector<OstraneField> changed = kFields;
  changed[1].m_width = 11;
  EXPECT_FALSE(loads(good, changed));
  // Index 0 is never compared.
  EXPECT_TRUE(loads(withValue("FieldIndex", "0"), changed));

  TokenList unknown = good;
  unknown[1] = "16";
  unknown.insert(unknown.begin() + 2,
                 {"Later", "2", "Inner", "Value", "x", "More", "Array", "1", "y"});
  CDownLoadElement element;
  std::size_t pos = 0;
  ASSERT_TRUE(element.Load(unknown, pos, kFields));
  EXPECT_EQ(element.m_constant, "say \"x\"");
  EXPECT_EQ(pos, unknown.size());
}

std::unique_ptr<CDownLoadMapping> MappingOf(const char* className) {
  auto mapping = NewDownLoadMapping(className);
  mapping->m_name = "Desk report";
  mapping->m_rejectUnexecutedOrders = true;
  mapping->m_elements.push_back(TickerColumn());
  mapping->m_elements.push_back(std::make_unique<CDownLoadElement>());
  return mapping;
}

TEST(DownLoadMapping, EachClassWritesItsLevelsAndLoadsBackTheSameMapping) {
  struct Case {
    const char* m_class;
    TokenList m_head;
    int m_format;
  };
  const Case cases[] = {
      {"CDownLoadCSVMapping",
       {"CDownLoadCSVMapping", "1", "CDownLoadGridMapping", "1", "CDownLoadMapping", "5"},
       0},
      {"CDownLoadTSVMapping",
       {"CDownLoadTSVMapping", "1", "CDownLoadGridMapping", "1", "CDownLoadMapping", "5"},
       1},
      {"CDownLoadFixedMapping", {"CDownLoadFixedMapping", "1", "CDownLoadMapping", "5"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_class);
    const auto mapping = MappingOf(c.m_class);
    EXPECT_EQ(mapping->m_formatType, c.m_format);
    const TokenList tokens = Tokens(*mapping);
    EXPECT_EQ(TokenList(tokens.begin(), tokens.begin() + c.m_head.size()), c.m_head);
    EXPECT_EQ(TokenList(tokens.begin() + c.m_head.size(), tokens.begin() + c.m_head.size() + 9),
              (TokenList{"Name", "Value", "Desk report", "FormatType", "Value",
                         std::to_string(c.m_format), "RejectUnexecutedOrders", "Value", "TRUE"}));

    const auto loaded = NewDownLoadMapping(c.m_class);
    const TokenList read = ReadBack(tokens);
    std::size_t pos = 0;
    ASSERT_TRUE(loaded->Load(read, pos, kFields));
    EXPECT_EQ(Tokens(*loaded), tokens);
    EXPECT_EQ(Tokens(*mapping->Clone()), tokens);

    TokenList badFormat = tokens;
    badFormat[c.m_head.size() + 5] = "3";
    const auto rejected = NewDownLoadMapping(c.m_class);
    pos = 0;
    EXPECT_FALSE(rejected->Load(badFormat, pos, kFields));
  }
  EXPECT_EQ(NewDownLoadMapping("CDownLoadGridMapping"), nullptr);
}

TEST(ActiveMappingFile, LoadsTheLastRecordAndReportsWhatItCannotRead) {
  ScratchFolder folder;
  CActiveDownLoadMappingFile file(folder.Path(), kFields);
  RecordingView view;

  // Missing: two message boxes, the first with the full path.
  EXPECT_FALSE(file.OpenLoadAndClose(view));
  ASSERT_EQ(view.m_messages.size(), 2u);
  EXPECT_EQ(view.m_messages[0], "Error: Unable to open file " + folder.File("activedw.pfl") +
                                    "\nCheck to see if a 'Download' mapping was set to 'Active'");
  EXPECT_EQ(view.m_messages[1],
            "CActiveDownLoadMappingFile::_OpenLoadAndClose() Could not read activedw.pfl file");
  view.m_messages.clear();

  // Empty: read, but no mapping.
  WriteWholeFile(file.Path(), "");
  EXPECT_TRUE(file.OpenLoadAndClose(view));
  EXPECT_EQ(file.TakeMapping(), nullptr);

  // Saved by the client's writer, then a second record: the second is the active one.
  CFileError error;
  ASSERT_TRUE(file.Save(*MappingOf("CDownLoadCSVMapping"), error));
  auto second = MappingOf("CDownLoadFixedMapping");
  second->m_name = "Second";
  const std::string firstLine = ReadWholeFile(file.Path());
  EXPECT_EQ(firstLine.substr(firstLine.size() - 3), "\r\n\n");
  WriteWholeFile(file.Path(), firstLine + RecordLine(Tokens(*second)));
  ASSERT_TRUE(file.OpenLoadAndClose(view));
  const auto active = file.TakeMapping();
  ASSERT_NE(active, nullptr);
  EXPECT_STREQ(active->ClassName(), "CDownLoadFixedMapping");
  EXPECT_EQ(active->m_name, "Second");
  EXPECT_EQ(active->m_elements.size(), 2u);

  // An unknown class, or a bad element, fails without a message of its own.
  WriteWholeFile(file.Path(), "CDownLoadXLSMapping,1,CDownLoadMapping,0\r\n");
  EXPECT_FALSE(file.OpenLoadAndClose(view));
  const std::vector<OstraneField> otherFields{kFields[0]};
  CActiveDownLoadMappingFile stale(folder.Path(), otherFields);
  ASSERT_TRUE(file.Save(*MappingOf("CDownLoadTSVMapping"), error));
  EXPECT_FALSE(stale.OpenLoadAndClose(view));
  EXPECT_EQ(stale.TakeMapping(), nullptr);
  EXPECT_TRUE(view.m_messages.empty());

  ASSERT_TRUE(file.Remove(error));
  EXPECT_FALSE(std::filesystem::exists(file.Path()));
  EXPECT_TRUE(file.Remove(error));
}

TEST(DownLoadProfile, KeepsItsMappingsAndTheActiveOneThroughTheFile) {
  ScratchFolder folder;
  CDownLoadProfile profile;
  profile.m_activeMapping = 1;
  profile.m_mappings.push_back(MappingOf("CDownLoadTSVMapping"));
  profile.m_mappings.push_back(MappingOf("CDownLoadFixedMapping"));
  const TokenList tokens = Tokens(profile);
  EXPECT_EQ(TokenList(tokens.begin(), tokens.begin() + 5),
            (TokenList{"CDownLoadProfile", "3", "ActiveMapping", "Value", "1"}));

  CFileError error;
  const std::string path = folder.File(CDownLoadProfile::kFileName);
  ASSERT_TRUE(profile.SaveFile(path, error));
  CDownLoadProfile loaded;
  ASSERT_TRUE(loaded.LoadFile(path, kFields, error));
  EXPECT_EQ(Tokens(loaded), tokens);
  ASSERT_NE(loaded.Active(), nullptr);
  EXPECT_STREQ(loaded.Active()->ClassName(), "CDownLoadFixedMapping");
  EXPECT_EQ(Tokens(CDownLoadProfile(loaded)), tokens);

  loaded.m_activeMapping = 2;
  EXPECT_EQ(loaded.Active(), nullptr);

  // A missing file is made and reads as an empty profile; a bad one empties the profile.
  CDownLoadProfile fresh;
  ASSERT_TRUE(fresh.LoadFile(folder.File("new.pfl"), kFields, error));
  EXPECT_TRUE(std::filesystem::exists(folder.File("new.pfl")));
  EXPECT_EQ(fresh.m_activeMapping, -1);
  const std::vector<OstraneField> otherFields{kFields[0]};
  EXPECT_FALSE(loaded.LoadFile(path, otherFields, error));
  EXPECT_TRUE(loaded.m_mappings.empty());
}

}  // namespace
}  // namespace trqx
