#include "foundation/field_format.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "foundation/archive_file.h"
#include "scratch_folder.h"

namespace trqx {
namespace {

const std::string kGoldenFormat = std::string(TRQX_TEST_DATA) + "/foundation/NVFormat.cfg";

std::vector<std::string> Names(const std::vector<OstraneField>& fields) {
  std::vector<std::string> names;
  for (const OstraneField& field : fields) {
    names.push_back(field.m_name);
  }
  return names;
}

OstraneField Field(std::string name, int width, int type, int category) {
  OstraneField field;
  field.m_name = std::move(name);
  field.m_width = width;
  field.m_type = type;
  field.m_category = category;
  return field;
}

// A field format file written the way the programs write archive lines.
std::string FormatLines(const std::vector<OstraneField>& fields) {
  std::string content;
  for (const OstraneField& field : fields) {
    TokenList tokens;
    field.Save(tokens);
    content += RecordLine(tokens) + "\n";
  }
  return content;
}

TEST(FieldFormatRegistryTest, ReadsTheListsAndCountersInFileOrder) {
  FieldFormatRegistry registry;
  CFileError error;
  bool fileError = true;
  ASSERT_TRUE(registry.Read(kGoldenFormat, error, fileError));
  EXPECT_FALSE(fileError);
  EXPECT_EQ(Names(registry.UploadFields()),
            (std::vector<std::string>{"Basket ID", "UUID", "Ticker", "Delimiter", "Side", "Account",
                                      "Portfolio", "Memo, \"free\"", "OrderID"}));
  EXPECT_EQ(Names(registry.DownloadFields()),
            (std::vector<std::string>{"Filled Shares", "Ticker", "Side", "Avg. Price", "Account",
                                      "Portfolio", "Memo, \"free\"", "Order ID"}));
  EXPECT_EQ(registry.CacheHdrCount(), 1);
  EXPECT_EQ(registry.CacheDataCount(), 2);
  EXPECT_EQ(registry.DownloadOnlyCount(), 3);
  // The line with its keys in another order and a key the reader does not know.
  const OstraneField& side = registry.UploadFields()[4];
  EXPECT_EQ(side.m_width, 1);
  EXPECT_EQ(side.m_type, kTypeDataSide);
  EXPECT_EQ(side.m_category, kCategoryBoth);
}

class FieldFormatFileTest : public testing::Test {
 protected:
  bool ReadFormat(const std::string& content) {
    WriteWholeFile(m_path, content);
    return m_registry.Read(m_path, m_error, m_fileError);
  }

  ScratchFolder m_folder;
  std::string m_path = m_folder.File("NVFormat.cfg");
  FieldFormatRegistry m_registry;
  CFileError m_error;
  bool m_fileError = false;
};

TEST_F(FieldFormatFileTest, ABadLineEmptiesBothListsAsBadContent) {
  const std::vector<OstraneField> good = {Field("A", 1, 2, 0), Field("B", 1, 13, 2),
                                          Field("C", 1, 20, 1)};
  ASSERT_TRUE(ReadFormat(FormatLines(good)));
  EXPECT_EQ(m_registry.UploadFields().size(), 2u);

  const std::vector<std::string> badLines = {
      FormatLines({Field("Bad", 1, 42, 0)}),
      FormatLines({Field("Bad", 1, -1, 0)}),
      "OstraneField,4,Name,Value,X\r\n",         // the count runs past the line
      "OstraneField,-1\r\n",                     // a negative count
      "CTranslation,0\r\n",                      // another class
      "OstraneField,1,Name,Value,\"open\r\n",    // an unterminated quote
      "OstraneField,1,Name,Value,\"a\nb\"\r\n",  // a quoted line feed
  };
  for (const std::string& bad : badLines) {
    SCOPED_TRACE(bad);
    // The bad line comes after good ones: what was read before it is discarded too.
    EXPECT_FALSE(ReadFormat(FormatLines(good) + bad + FormatLines(good)));
    EXPECT_FALSE(m_fileError);
    EXPECT_TRUE(m_registry.UploadFields().empty());
    EXPECT_TRUE(m_registry.DownloadFields().empty());
    EXPECT_EQ(m_registry.CacheDataCount() + m_registry.DownloadOnlyCount(), 0);
  }
}

TEST_F(FieldFormatFileTest, AnUnknownCategoryLoadsIntoNeitherList) {
  ASSERT_TRUE(
      ReadFormat(FormatLines({Field("Odd", 3, 12, 5), Field("Both", 4, 12, 2)}) + "\r\n\r\n\n"));
  EXPECT_EQ(Names(m_registry.UploadFields()), (std::vector<std::string>{"Both"}));
  EXPECT_EQ(Names(m_registry.DownloadFields()), (std::vector<std::string>{"Both"}));
  EXPECT_EQ(m_registry.CacheHdrCount(), 1);
  EXPECT_EQ(m_registry.DownloadOnlyCount(), 0);
}

TEST_F(FieldFormatFileTest, AMissingFileIsAFileErrorAndStaysMissing) {
  m_registry.Add(Field("Earlier", 1, 2, 2));
  EXPECT_FALSE(m_registry.Read(m_path, m_error, m_fileError));
  EXPECT_TRUE(m_fileError);
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(m_error.m_osError, ENOENT);
  EXPECT_EQ(m_error.m_function, "open");
  EXPECT_EQ(m_error.m_fileName, m_path);
  EXPECT_TRUE(m_registry.UploadFields().empty());
  struct stat status;
  EXPECT_NE(::stat(m_path.c_str(), &status), 0);
}

TEST(OstraneFieldTest, SavesInTheFixedOrderAndLoadsBack) {
  const OstraneField field = Field("Qty, \"lots\"", 9, kTypeDataAmount, kCategoryBoth);
  TokenList tokens;
  field.Save(tokens);
  EXPECT_EQ(tokens, (TokenList{"OstraneField", "4", "Name", "Value", "Qty, \"lots\"", "Width",
                               "Value", "9", "Type", "Value", "6", "Category", "Value", "2"}));
  OstraneField loaded;
  std::size_t pos = 0;
  ASSERT_TRUE(loaded.Load(tokens, pos));
  EXPECT_EQ(pos, tokens.size());
  EXPECT_EQ(loaded.m_name, field.m_name);
  EXPECT_EQ(loaded.m_width, 9);
  EXPECT_EQ(loaded.m_type, kTypeDataAmount);
  EXPECT_EQ(loaded.m_category, kCategoryBoth);
}

TEST(CTranslationTest, SavesInputThenOutputAndLoadsBack) {
  CTranslation translation;
  translation.m_input = "B";
  translation.m_output = "BUY,LONG";
  TokenList tokens;
  translation.Save(tokens);
  EXPECT_EQ(tokens,
            (TokenList{"CTranslation", "2", "Input", "Value", "B", "Output", "Value", "BUY,LONG"}));
  CTranslation loaded;
  std::size_t pos = 0;
  ASSERT_TRUE(loaded.Load(tokens, pos));
  EXPECT_EQ(loaded.m_input, "B");
  EXPECT_EQ(loaded.m_output, "BUY,LONG");
}

TEST(FieldTypeLabelTest, TheIrregularLabels) {
  EXPECT_STREQ(FieldTypeLabel(kTypeDataCacheable), "*Data(Cacheable");  // no closing parenthesis
  for (int type = kTypeExecQuantity; type <= kTypeExecYellowKey; ++type) {
    EXPECT_STREQ(FieldTypeLabel(type), "Data(Exec)");
  }
  EXPECT_STREQ(FieldTypeLabel(42), "");
  EXPECT_STREQ(DownloadFieldTypeLabel(kTypeHdrCacheable), "Cache Hdr");
  EXPECT_STREQ(DownloadFieldTypeLabel(26), "Data(Order ID)");
  EXPECT_STREQ(DownloadFieldTypeLabel(30), "Data(Trade Sys Number)");
  EXPECT_STREQ(DownloadFieldTypeLabel(kTypeDataOrderId), "Data");
}

TEST(ValueListTest, TrimmedLinesInFileOrder) {
  ScratchFolder folder;
  const std::string path = folder.File("exchange.cfg");
  const std::string longLine(1500, 'L');
  WriteWholeFile(path, "  NYSE \r\n\tLSE\n   \n\nX Y\n" + longLine + "\nLAST");
  std::vector<std::string> values = {"stale"};
  CFileError error;
  ASSERT_TRUE(ReadValueList(path, values, error));
  EXPECT_EQ(values, (std::vector<std::string>{"NYSE", "LSE", "", "", "X Y", longLine, "LAST"}));

  WriteWholeFile(path, "");
  ASSERT_TRUE(ReadValueList(path, values, error));
  EXPECT_TRUE(values.empty());

  values = {"stale"};
  EXPECT_FALSE(ReadValueList(folder.File("reason.cfg"), values, error));
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(error.m_osError, ENOENT);
  EXPECT_EQ(error.m_fileName, folder.File("reason.cfg"));
}

}  // namespace
}  // namespace trqx
