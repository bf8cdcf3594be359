#include "foundation/field_format.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace trqx {
namespace {

// A field format line as the programs write it.
std::string Line(const std::string& name, int type, int category) {
  return "OstraneField,4,Name,Value," + name + ",Width,Value,8,Type,Value," + std::to_string(type) +
         ",Category,Value," + std::to_string(category) + "\r\n\n";
}

class FieldFormatTest : public testing::Test {
 protected:
  bool Read(const std::string& content) {
    WriteWholeFile(m_path, content);
    return m_registry.Read(m_path, m_error, m_fileError);
  }
  // The names of both lists, then the three counters.
  std::string Summary() const {
    std::string summary;
    for (const auto* list : {&m_registry.UploadFields(), &m_registry.DownloadFields()}) {
      for (const OstraneField& field : *list) {
        summary += field.m_name + ";";
      }
      summary += " | ";
    }
    return summary + std::to_string(m_registry.CacheHdrCount()) + " " +
           std::to_string(m_registry.CacheDataCount()) + " " +
           std::to_string(m_registry.DownloadOnlyCount());
  }

  ScratchFolder m_folder;
  std::string m_path = m_folder.File("NVFormat.cfg");
  FieldFormatRegistry m_registry;
  CFileError m_error;
  bool m_fileError = true;
};

TEST_F(FieldFormatTest, ReadsTheListsAndCountersInFileOrder) {
  ASSERT_TRUE(m_registry.Read(TRQX_TEST_DATA "/foundation/NVFormat.cfg", m_error, m_fileError));
  EXPECT_EQ(Summary(),
            "Basket ID;UUID;Ticker;Delimiter;Side;Account;Portfolio;Memo, \"free\";OrderID; | "
            "Filled Shares;Ticker;Side;Avg. Price;Account;Portfolio;Memo, \"free\";Order ID; | "
            "1 2 3");
  EXPECT_EQ(m_registry.UploadFields()[4].m_type, kTypeDataSide);  // keys in another order
  ASSERT_TRUE(Read(Line("Odd", 12, 5) + Line("Both", 12, 2)));
  EXPECT_EQ(Summary(), "Both; | Both; | 1 0 0");  // category 5 is in neither list
}

TEST_F(FieldFormatTest, ABadLineEmptiesBothListsAsBadContent) {
  const std::string good = Line("A", 2, 0) + Line("B", 13, 2) + Line("C", 20, 1);
  ASSERT_TRUE(Read(good));
  EXPECT_EQ(Summary(), "A;B; | B;C; | 0 1 1");
  for (const std::string& bad :
       {Line("Bad", 42, 0), Line("Bad", -1, 0), std::string("OstraneField,4,Name,Value,X\r\n"),
        std::string("CTranslation,0\r\n"), std::string("OstraneField,1,Name,Value,\"a\nb\"\r\n")}) {
    EXPECT_FALSE(Read(good + bad + good)) << bad;
    EXPECT_FALSE(m_fileError);
    EXPECT_EQ(Summary(), " |  | 0 0 0");
  }
  EXPECT_FALSE(m_registry.Read(m_folder.File("missing.cfg"), m_error, m_fileError));
  EXPECT_TRUE(m_fileError);
  EXPECT_EQ(m_error.m_osError, ENOENT);
}

TEST_F(FieldFormatTest, LabelsAndValueLists) {
  // Value lists: trimmed lines in file order; a line of blanks is an empty entry.
  const std::string longLine(1500, 'L');
  WriteWholeFile(m_path, "  NYSE \r\n\tLSE\n   \n\nX Y\n" + longLine + "\nLAST");
  std::vector<std::string> values = {"stale"};
  ASSERT_TRUE(ReadValueList(m_path, values, m_error));
  EXPECT_EQ(values, (std::vector<std::string>{"NYSE", "LSE", "", "", "X Y", longLine, "LAST"}));
  EXPECT_FALSE(ReadValueList(m_folder.File("reason.cfg"), values, m_error));
  EXPECT_TRUE(values.empty());
}

}  // namespace
}  // namespace trqx
