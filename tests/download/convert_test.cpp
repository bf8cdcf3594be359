// Placing one basket's values and writing its report.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/download_mapping.h"
#include "download/download_test_support.h"
#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

CDownLoadElement At(int x, int y, int length = 1, bool useLength = false, bool quoted = false) {
  CDownLoadElement element;
  element.m_xPos = x;
  element.m_yPos = y;
  element.m_length = length;
  element.m_useLength = useLength;
  element.m_isQuoted = quoted;
  return element;
}

TEST(Placement, LengthCutsAndRightJustificationPads) {
  EXPECT_EQ(ApplyLength("AB", 6, CDownLoadElement::kJustifyRight), "    AB");
  EXPECT_EQ(ApplyLength("ABCDEFGH", 6, CDownLoadElement::kJustifyRight), "CDEFGH");
  EXPECT_EQ(ApplyLength("ABCDEFGH", 6, CDownLoadElement::kJustifyLeft), "ABCDEF");
  EXPECT_EQ(ApplyLength("AB", 6, CDownLoadElement::kJustifyLeft), "AB");
  EXPECT_EQ(ApplyLength("AB", 0, CDownLoadElement::kJustifyRight), "");
}

TEST(Placement, GridCellsAreMadeOnDemandWithQuotedFillers) {
  OutputGrid grid;
  PlaceGridValue(grid, At(3, 1), "X", 0);
  ASSERT_EQ(grid.m_rows.size(), 2u);
  EXPECT_TRUE(grid.m_rows[0].empty());
  EXPECT_EQ(FormatGridLines(grid, ',', true), "\r\n\"\",\"\",\"\",X\r\n");
  // A later element in the same cell replaces value and flag; UseLength cuts.
  PlaceGridValue(grid, At(3, 0, 2, true, true), "LONG", 1);
  PlaceGridValue(grid, At(0, 0), "a,b", 0);
  PlaceGridValue(grid, At(1, 0), "q\"t", 0);
  PlaceGridValue(grid, At(2, 0), "tab\there", 0);
  EXPECT_EQ(FormatGridLines(grid, ',', true),
            "\"a,b\",\"q\"\"t\",tab\there\r\n\"\",\"\",\"\",\"LO\"\r\n");
  // Tab-separated: only the flag quotes.
  EXPECT_EQ(FormatGridLines(grid, '\t', false),
            "a,b\tq\"t\ttab\there\r\n\"\"\t\"\"\t\"\"\t\"LO\"\r\n");
}

TEST(Placement, FixedLinesKeepOneBlankPastTheValueThatLengthenedThem) {
  OutputGrid grid;
  PlaceFixedValue(grid, At(10, 0, 4), "ABCD", 0);
  EXPECT_EQ(grid.m_lines[0], std::string(10, ' ') + "ABCD ");
  PlaceFixedValue(grid, At(2, 0, 3), "xyzzy", 0);
  EXPECT_EQ(grid.m_lines[0], "  xyz" + std::string(5, ' ') + "ABCD ");
  PlaceFixedValue(grid, At(13, 0, 6, false), "123", 0);
  EXPECT_EQ(grid.m_lines[0], "  xyz" + std::string(5, ' ') + "ABC123 ");
  PlaceFixedValue(grid, At(0, 0, 2), "Q", 2);
  EXPECT_EQ(FormatFixedLines(grid), "  xyz     ABC123 \r\n\r\nQ \r\n");
}

TEST(Placement, ExecutedRowsNeedAFilledSharesValueAboveZero) {
  const std::vector<OstraneField> fields{Field("HDR", 12, kCategoryBoth), Field("T", 15),
                                         Field("F", 20)};
  std::vector<CDownLoadAssembledRecord> rows;
  for (const char* filled : {"0", "", "abc", " -5 ", " 0.5 ", " 12 ", "+3", "0.0"}) {
    rows.emplace_back(2).Set(1, filled);
  }
  const ExecutedRows executed = MarkExecutedRows(fields, rows);
  EXPECT_EQ(executed.m_executed,
            (std::vector<bool>{false, false, false, false, true, true, true, false}));
  EXPECT_EQ(executed.m_count, 3);
  EXPECT_EQ(MarkExecutedRows({Field("T", 15)}, rows).m_count, 0);

  CDownLoadAssembledRecord record(2);
  EXPECT_FALSE(record.Set(-1, "x"));
  EXPECT_FALSE(record.Set(2, "x"));
  EXPECT_TRUE(record.Set(1, "x"));
  EXPECT_EQ(record.Get(1), "x");
  EXPECT_EQ(record.Get(5), "");
}

class ConvertTest : public ::testing::Test {
 protected:
  // Header PORTFOLIO, data TICKER and FILLED.
  const std::vector<OstraneField> m_fields{Field("PORTFOLIO", 12, kCategoryBoth),
                                           Field("TICKER", 15), Field("FILLED", 20)};
  CDownLoadCSVMapping m_mapping;
  ScratchFolder m_folder;
  CDownLoadAssembledRecord m_header{1};
  std::vector<CDownLoadAssembledRecord> m_data;

  void AddRow(const char* ticker, const char* filled) {
    CDownLoadAssembledRecord& row = m_data.emplace_back(2);
    row.Set(0, ticker);
    row.Set(1, filled);
  }
  void AddElement(int type, int x, int y, int mapType, int fieldIndex) {
    auto element = std::make_unique<CDownLoadElement>();
    element->m_type = type;
    element->m_xPos = x;
    element->m_yPos = y;
    element->m_mapType = mapType;
    element->m_fieldIndex = fieldIndex;
    if (fieldIndex >= 0) {
      element->m_field = m_fields[static_cast<std::size_t>(fieldIndex)];
    }
    element->m_useLength = false;
    m_mapping.m_elements.push_back(std::move(element));
  }
  bool Run(std::string_view basket, const std::vector<OstraneField>& fields, bool& fileError) {
    CFileError error;
    return m_mapping.Convert(m_folder.Path(), March6th2026(), basket, fields, m_header, m_data,
                             fileError, error, m_reportPath);
  }
  std::string m_reportPath;
};

TEST_F(ConvertTest, RejectingUnexecutedOrdersClosesTheGaps) {
  m_header.Set(0, " GROWTH ");
  AddRow("IBM", "0");
  AddRow("MSFT", "10");
  AddRow("VOD", "");
  AddRow("KO", "1");
  AddElement(CDownLoadElement::kTypeCell, 0, 0, CDownLoadElement::kMapField, 0);
  AddElement(CDownLoadElement::kTypeCell, 1, 0, CDownLoadElement::kMapExecutionCount, -1);
  AddElement(CDownLoadElement::kTypeColumn, 0, 1, CDownLoadElement::kMapField, 1);
  m_mapping.m_rejectUnexecutedOrders = true;
  bool fileError = true;
  ASSERT_TRUE(Run("B1", m_fields, fileError));
  EXPECT_FALSE(fileError);
  EXPECT_EQ(m_reportPath, m_folder.File("B1.03-06-26.rpt"));
  EXPECT_EQ(ReadWholeFile(m_reportPath), "GROWTH,2\r\nMSFT\r\nKO\r\n");

  // The same basket again on the same day replaces the report. Without a Filled Shares
  // field no order is executed, so none is kept.
  const std::vector<OstraneField> noFilled{m_fields[0], m_fields[1], Field("SIDE", 17)};
  ASSERT_TRUE(Run("B1", noFilled, fileError));
  EXPECT_EQ(ReadWholeFile(m_reportPath), "GROWTH,0\r\n");
}

TEST_F(ConvertTest, RecordsThatDoNotFitTheFieldListWriteNothing) {
  AddRow("IBM", "1");
  AddElement(CDownLoadElement::kTypeColumn, 0, 0, CDownLoadElement::kMapField, 1);
  bool fileError = true;
  EXPECT_FALSE(Run("B1", {m_fields[1], m_fields[2]}, fileError));  // no Type 12 field
  EXPECT_FALSE(fileError);
  EXPECT_FALSE(Run("B1", {m_fields[0], m_fields[1]}, fileError));  // one data field short
  EXPECT_FALSE(std::filesystem::exists(m_folder.File("B1.03-06-26.rpt")));

  // An index past the list (index 0 is never checked on load, so a list may have changed
  // under it) reads nothing outside the records.
  m_mapping.m_elements[0]->m_field.m_type = 12;
  m_mapping.m_elements[0]->m_fieldIndex = 7;
  ASSERT_TRUE(Run("B1", m_fields, fileError));
  EXPECT_EQ(ReadWholeFile(m_reportPath), "\r\n");
}

TEST_F(ConvertTest, TheReportStaysInTheDestinationFolderAndWriteFailuresAreReported) {
  AddRow("IBM", "1");
  AddElement(CDownLoadElement::kTypeColumn, 0, 0, CDownLoadElement::kMapField, 1);
  bool fileError = false;
  ASSERT_TRUE(Run("../x/B1", m_fields, fileError));
  EXPECT_EQ(m_reportPath, m_folder.File(".._x_B1.03-06-26.rpt"));
  EXPECT_EQ(ReadWholeFile(m_reportPath), "IBM\r\n");

  std::filesystem::create_directory(m_folder.File("B2.03-06-26.rpt"));
  CFileError error;
  EXPECT_FALSE(m_mapping.Convert(m_folder.Path(), March6th2026(), "B2", m_fields, m_header, m_data,
                                 fileError, error, m_reportPath));
  EXPECT_TRUE(fileError);
  EXPECT_EQ(error.m_fileName, m_folder.File("B2.03-06-26.rpt"));
}

}  // namespace
}  // namespace trqx
