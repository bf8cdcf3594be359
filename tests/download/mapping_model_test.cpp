// Download mappings in the archive: the golden mapping files written back byte for byte, load
// checks and the active mapping file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "download/active_mapping_file.h"
#include "support/recording_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

const std::string kData = std::string(TRQX_TEST_DATA) + "/download";

TokenList Tokens(const CArchivable& object) {
  TokenList tokens;
  object.Save(tokens);
  return tokens;
}

std::string Golden(const std::string& format) {
  return ReadWholeFile(kData + "/activedw_" + format + ".pfl");
}

class MappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CFileError error;
    bool fileError = false;
    ASSERT_TRUE(m_format.Read(kData + "/NVFormat.cfg", error, fileError));
    m_fields = m_format.DownloadFields();
  }
  // The mapping read from activedw.pfl holding the text; null when the load fails.
  std::unique_ptr<CDownLoadMapping> Load(const std::string& text) {
    WriteWholeFile(m_file.Path(), text);
    return m_file.OpenLoadAndClose(m_view) ? m_file.TakeMapping() : nullptr;
  }
  TokenList GoldenTokens(const std::string& format) { return Tokens(*Load(Golden(format))); }

  FieldFormatRegistry m_format;
  std::vector<OstraneField> m_fields;
  ScratchFolder m_folder;
  CActiveDownLoadMappingFile m_file{m_folder.Path(), m_fields};
  RecordingView m_view;
  CFileError m_error;
};

TEST_F(MappingTest, EachGoldenMappingIsWrittenBackByteForByte) {
  const char* formats[] = {"csv", "tsv", "fixed"};
  for (int format = 0; format < 3; ++format) {
    SCOPED_TRACE(formats[format]);
    const auto mapping = Load(Golden(formats[format]));
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(mapping->m_formatType, format);
    std::filesystem::remove(m_file.Path());
    ASSERT_TRUE(m_file.Save(*mapping->Clone(), m_error));
    EXPECT_EQ(ReadWholeFile(m_file.Path()), Golden(formats[format]));
  }
  EXPECT_EQ(NewDownLoadMapping("CDownLoadGridMapping"), nullptr);
  EXPECT_TRUE(m_view.m_messages.empty());
}

TEST_F(MappingTest, LoadRejectsValuesOutOfRangeAndStaleFieldCopies) {
  const TokenList golden = GoldenTokens("csv");
  // The first of each key is the mapping's or its first element's (a Constant, FieldIndex -1).
  const std::string pastList = std::to_string(m_fields.size());
  const std::vector<std::pair<std::vector<std::string>, bool>> cases{
      {{"Justify", "2"}, false},    {{"MapType", "3"}, false},   {{"Type", "2"}, false},
      {{"FormatType", "3"}, false}, {{"XPos", "-1"}, false},     {{"YPos", "1048576"}, false},
      {{"Length", "65536"}, false}, {{"Length", "65535"}, true}, {{"FieldIndex", pastList}, false},
      {{"FieldIndex", "0"}, true},
  };
  for (const auto& [change, loads] : cases) {
    SCOPED_TRACE(change[0] + "=" + change[1]);
    TokenList tokens = golden;
    std::find(tokens.begin(), tokens.end(), change[0])[2] = change[1];
    EXPECT_EQ(Load(RecordLine(tokens)) != nullptr, loads);
  }
  // Unknown items are skipped; flags saved as TRUE come back.
  TokenList tokens = golden;
  std::find(tokens.begin(), tokens.end(), "Cond1")[2] = "TRUE";
  std::find(tokens.begin(), tokens.end(), "Cond2")[2] = "TRUE";
  TokenList withUnknown = tokens;
  const auto element = std::find(withUnknown.begin(), withUnknown.end(), "CDownLoadElement");
  element[1] = std::to_string(std::stoi(element[1]) + 1);
  withUnknown.insert(element + 2, {"Later", "2", "Inner", "Value", "x", "More", "Array", "1", "y"});
  EXPECT_EQ(Tokens(*Load(RecordLine(withUnknown))), tokens);
  // The field format file changed since mapping: field 0 is never compared, field 3 is.
  m_fields[0].m_width = 99;
  EXPECT_NE(Load(RecordLine(golden)), nullptr);
  m_fields[3].m_width = 99;
  EXPECT_EQ(Load(RecordLine(golden)), nullptr);
  EXPECT_TRUE(m_view.m_messages.empty());
}

TEST_F(MappingTest, TheActiveFileYieldsItsLastRecordAndFailsSilentlyOnAnUnknownClass) {
  EXPECT_EQ(Tokens(*Load(Golden("csv") + Golden("fixed"))), GoldenTokens("fixed"));
  EXPECT_EQ(Load(""), nullptr);
  EXPECT_TRUE(m_file.OpenLoadAndClose(m_view));  // read, but no mapping
  EXPECT_EQ(Load("CDownLoadXLSMapping,1,CDownLoadMapping,0\r\n"), nullptr);
  EXPECT_TRUE(m_view.m_messages.empty());
}

// A report of the day that is there already, from an earlier run, is replaced by exactly the
// new report's bytes, whatever it held.
TEST(ReportFile, AnEarlierReportIsReplacedByExactlyTheNewBytes) {
  struct Case {
    const char* what;
    const char* earlier;  // null: no earlier report
  };
  const Case cases[] = {
      {.what = "no earlier report", .earlier = nullptr},
      {.what = "an empty earlier report", .earlier = ""},
      {.what = "a longer earlier report", .earlier = "OLD,OLD,OLD\r\nOLD,OLD,OLD\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder dest;
    const std::time_t when = 1772800000;
    CDownLoadCSVMapping mapping;
    auto element = std::make_unique<CDownLoadElement>();
    element->m_constant = "NEW";
    element->m_useLength = false;
    mapping.m_elements.push_back(std::move(element));
    const std::string path = dest.File(ReportFileName(when, "B1"));
    if (c.earlier != nullptr) {
      WriteWholeFile(path, c.earlier);
    }
    bool fileError = false;
    CFileError error;
    std::string reportPath;
    ASSERT_TRUE(mapping.Convert(dest.Path(), when, "B1", {}, CDownLoadAssembledRecord(0), {},
                                fileError, error, reportPath));
    EXPECT_EQ(reportPath, path);
    EXPECT_EQ(ReadWholeFile(path), "NEW\r\n");
  }
}

}  // namespace
}  // namespace trqx
