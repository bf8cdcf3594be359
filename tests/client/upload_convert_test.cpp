#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "client/upload_convert.h"
#include "foundation/client_strings.h"
#include "foundation/field_format.h"
#include "settings/settings_file.h"
#include "support/fields.h"
#include "support/recording_log.h"
#include "support/scratch_folder.h"
#include "upload/grid_mapping.h"
#include "upload/user_profile.h"

namespace trqx {
namespace {

class ConvertDeskFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(m_settings.m_cacheDirectory);
    m_settings.m_uuid = 4711;
    m_settings.m_portfolioLogin = "JSMITH";
    m_settings.m_portfolioSN = "SN-1";
    m_settings.m_portfolioWS = "WS-1";
    WriteWholeFile(m_folder.File("a.csv"), "IBM,100\n");
  }
  // The field format and a profile of one grid mapping by extension: UUID, basket ID,
  // delimiter ",", pricing number, then the two columns of the desk file.
  void MakeProfile(const std::string& pricing = "0", bool uuid = true, bool pricingField = true) {
    std::vector<FieldDef> fields;
    if (uuid) {
      fields.push_back({"UUID", 10, kTypeHdrUuid});
    }
    fields.push_back({"BASKETID", 30, kTypeHdrBasketId});
    fields.push_back({"DELIMITER", 1, kTypeHdrDelimiter});
    if (pricingField) {
      fields.push_back({"PRICINGNUMBER", 10, kTypeHdr});
    }
    fields.push_back({"Ticker", 12, kTypeData});
    fields.push_back({"QTY", 12, kTypeData});
    m_format = FieldsOf(fields);
    auto mapping = std::make_unique<CGridMapping>(kFormatComma, true, m_format.UploadFields());
    const std::map<std::string, std::string> constants = {
        {"BASKETID", "B7"}, {"DELIMITER", ","}, {"PRICINGNUMBER", pricing}};
    for (CFieldGridMap& field : mapping->m_fields) {
      const std::string& name = field.m_field.m_name;
      if (constants.count(name) > 0) {
        field.m_constant = constants.at(name);
      } else if (name == "Ticker" || name == "QTY") {
        field.m_mapType = kMapColumn;
        field.m_fixedCol = name == "QTY" ? 1 : 0;
      }
    }
    m_profile.AddMapping(std::move(mapping));
  }

  bool Convert(const std::string& deskName, const std::string& terminalUserUuid = "4711") {
    return ConvertDeskFile(m_folder.File(deskName), m_file, m_profile, terminalUserUuid,
                           m_log.logger, m_clock, m_number, m_uploadPath);
  }

  void ExpectOnlyError(std::uint32_t number, const std::string& text) {
    ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
    const auto& entry = m_log.sink.m_entries[0];
    EXPECT_EQ(entry.number, number);
    EXPECT_EQ(entry.level, kLogError);
    EXPECT_EQ(entry.category, kCategoryFtp);
    EXPECT_EQ(entry.text, text);
  }

  ScratchFolder m_folder;
  COpenNVInternalSettings m_settings{m_folder.Path()};
  CSettingsFile m_file{m_settings, m_folder.Path()};
  FieldFormatRegistry m_format;
  UserProfile m_profile{m_format};
  test::RecordingLogger m_log;
  WallClock m_clock = [] { return std::time_t{1772800000}; };
  unsigned m_number = 0;
  std::string m_uploadPath;
};

TEST_F(ConvertDeskFileTest, WritesTheNumberedUploadFileAndSavesTheAdvancedBasket) {
  MakeProfile();
  ASSERT_TRUE(Convert("a.csv"));
  EXPECT_EQ(m_uploadPath, m_folder.File("Upload/TRQX000.inc"));
  EXPECT_EQ(m_number, 1u);
  EXPECT_EQ(ReadWholeFile(m_uploadPath),
            "START-OF-FILE\nLOGIN=JSMITH\nSN=SN-1\nWS=WS-1\nUUID=4711\nBASKETID=2-4711\n"
            "DELIMITER=,\nPRICINGNUMBER=0\nIBM,100\nEND-OF-FILE");

  // The basket save point wrote the new basket ID and refreshed "Set".
  const std::string saved = ReadWholeFile(m_folder.File("trqx.cfg"));
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  EXPECT_EQ(m_log.sink.m_entries[0].level, kLogInfo);
  EXPECT_EQ(m_log.sink.m_entries[0].number, client_strings::kMsgFreeText);
  EXPECT_EQ(m_log.sink.m_entries[0].text, "Basket Settings file updated (filesize=" +
                                              std::to_string(saved.size()) + ") (uuid=4711)");
  EXPECT_EQ(ReadWholeFile(m_folder.File("Set")), saved);
  COpenNVInternalSettings reread(m_folder.Path());
  CSettingsFile rereadFile(reread, m_folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(rereadFile.Load(size, error));
  EXPECT_EQ(reread.m_currentBasketId, "2");
}

TEST_F(ConvertDeskFileTest, LoginSuffixAndTerminalUserUuidReachTheConversion) {
  MakeProfile();
  m_settings.m_appendUuidLogin = 1;
  ASSERT_TRUE(Convert("a.csv", "99"));
  const std::string written = ReadWholeFile(m_uploadPath);
  EXPECT_NE(written.find("\nBASKETID=2-JSMITH\n"), std::string::npos) << written;
  EXPECT_NE(written.find("\nADMIN=99\n"), std::string::npos) << written;
}

TEST_F(ConvertDeskFileTest, WithoutAutoIncrementNothingIsSavedAndTheLoginIsNoSuffix) {
  MakeProfile();
  m_settings.m_autoIncrement = false;
  m_settings.m_appendUuidLogin = 1;
  ASSERT_TRUE(Convert("a.csv"));
  EXPECT_NE(ReadWholeFile(m_uploadPath).find("\nBASKETID=B7\n"), std::string::npos);
  EXPECT_TRUE(m_log.sink.m_entries.empty());
  EXPECT_FALSE(std::filesystem::exists(m_folder.File("trqx.cfg")));
  EXPECT_EQ(m_settings.m_currentBasketId, "1");
}

TEST_F(ConvertDeskFileTest, AFailedBasketSaveIsLoggedAndTheUploadGoesOn) {
  MakeProfile();
  std::filesystem::create_directory(m_folder.File("trqx.cfg"));
  ASSERT_TRUE(Convert("a.csv"));
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  EXPECT_EQ(m_log.sink.m_entries[0].text,
            "Warning!!!: Unable to write to basket settings file 'trqx.cfg'");
}

TEST_F(ConvertDeskFileTest, UploadNumbersWrapAfter999AndFailuresSkipWithoutTheWrap) {
  MakeProfile();
  m_settings.m_autoIncrement = false;
  for (const char* name : {"TRQX000.inc", "TRQX001.inc", "TRQX002.inc"}) {
    ASSERT_TRUE(Convert("a.csv"));
    EXPECT_EQ(m_uploadPath, m_folder.File("Upload/") + name);
  }
  EXPECT_EQ(m_number, 3u);

  m_number = 999;
  ASSERT_TRUE(Convert("a.csv"));
  EXPECT_EQ(m_uploadPath, m_folder.File("Upload/TRQX999.inc"));
  EXPECT_EQ(m_number, 0u);

  m_number = 999;
  EXPECT_FALSE(Convert("a.xyz"));
  EXPECT_EQ(m_number, 1000u);
  ASSERT_TRUE(Convert("a.csv"));
  EXPECT_EQ(m_uploadPath, m_folder.File("Upload/TRQX1000.inc"));
  EXPECT_EQ(m_number, 0u);
}

TEST_F(ConvertDeskFileTest, FileWithoutMappingIsLoggedAndWritesNothing) {
  MakeProfile();
  WriteWholeFile(m_folder.File("a.xyz"), "IBM,100\n");
  EXPECT_FALSE(Convert("a.xyz"));
  EXPECT_TRUE(m_uploadPath.empty());
  EXPECT_EQ(m_number, 1u);
  ExpectOnlyError(client_strings::kMsgNoMappingFound,
                  "No mapping found for selected file, " + (m_folder.File("a.xyz")) + ".");
  EXPECT_FALSE(std::filesystem::exists(m_folder.File("Upload/TRQX000.inc")));
}

TEST_F(ConvertDeskFileTest, ConversionFailuresLogTheFileErrorOrThePath) {
  MakeProfile();
  EXPECT_FALSE(Convert("missing.csv"));
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  EXPECT_EQ(m_log.sink.m_entries[0].number, client_strings::kMsgUploadFileError);
  EXPECT_EQ(m_log.sink.m_entries[0].category, kCategoryFtp);
  EXPECT_EQ(
      m_log.sink.m_entries[0].text.rfind(
          "Failed to upload file to ostrane, file code " + std::to_string(ENOENT) + ", func. ", 0),
      0u)
      << m_log.sink.m_entries[0].text;
  EXPECT_EQ(m_number, 1u);

  m_log.sink.m_entries.clear();
  WriteWholeFile(m_folder.File("bad.csv"), "\"IBM,100\n");  // a quote left open
  EXPECT_FALSE(Convert("bad.csv"));
  ExpectOnlyError(
      client_strings::kMsgUploadFailedNoMapping,
      "Failed to upload selected file, no mapping, for file " + (m_folder.File("bad.csv")) + ".");
  EXPECT_EQ(m_number, 2u);
}

TEST_F(ConvertDeskFileTest, UploadFileWithoutPositiveUuidIsRejectedAndStays) {
  const std::string uuidText =
      "A non-zero positive numeric value must be entered for the \"UUID\" Field.";
  MakeProfile();
  m_settings.m_uuid = 0;
  EXPECT_FALSE(Convert("a.csv"));
  // The basket save point came first; the rejection is the last entry.
  ASSERT_EQ(m_log.sink.m_entries.size(), 2u);
  EXPECT_EQ(m_log.sink.m_entries[1].number, client_strings::kMsgUuidNotPositive);
  EXPECT_EQ(m_log.sink.m_entries[1].level, kLogError);
  EXPECT_EQ(m_log.sink.m_entries[1].text, uuidText);
  EXPECT_TRUE(m_uploadPath.empty());
  EXPECT_EQ(m_number, 1u);
  EXPECT_TRUE(std::filesystem::exists(m_folder.File("Upload/TRQX000.inc")));

  // No UUID line at all.
  m_settings.m_autoIncrement = false;
  m_settings.m_uuid = 4711;
  m_profile.RemoveMapping(0);
  MakeProfile("0", false);
  m_log.sink.m_entries.clear();
  EXPECT_FALSE(Convert("a.csv"));
  ExpectOnlyError(client_strings::kMsgUuidNotPositive, uuidText);

  // The mapping's UUID, taken when "Use UUID Flag" is on, is not a number.
  m_profile.RemoveMapping(0);
  MakeProfile();
  static_cast<CGridMapping*>(m_profile.GetMapping(0))->m_fields[0].m_constant = "12abc";
  m_settings.m_useUuid = true;
  m_log.sink.m_entries.clear();
  EXPECT_FALSE(Convert("a.csv"));
  ExpectOnlyError(client_strings::kMsgUuidNotPositive, uuidText);
}

TEST_F(ConvertDeskFileTest, PricingNumberMustBeZeroForTerminalUploadsOnly) {
  MakeProfile("5");
  m_settings.m_autoIncrement = false;
  EXPECT_FALSE(Convert("a.csv"));
  ExpectOnlyError(client_strings::kMsgPricingNumberNotZero,
                  "For Open Norvane Uploads the PRICINGNUMBER should be zero.");

  m_settings.m_uploadMethod = kUploadClientServer;
  m_log.sink.m_entries.clear();
  EXPECT_TRUE(Convert("a.csv"));
  EXPECT_TRUE(m_log.sink.m_entries.empty());

  // "0.00" is numeric and zero; a mapping without the field has nothing to check.
  m_settings.m_uploadMethod = kUploadTerminal;
  m_profile.RemoveMapping(0);
  MakeProfile("0.00");
  EXPECT_TRUE(Convert("a.csv"));
  m_profile.RemoveMapping(0);
  MakeProfile("0", true, false);
  EXPECT_TRUE(Convert("a.csv"));
  EXPECT_TRUE(m_log.sink.m_entries.empty());
}

}  // namespace
}  // namespace trqx
