// Placing values and the record checks of a conversion, beyond what the golden reports show.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/download_mapping.h"
#include "download/download_test_support.h"
#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

CDownLoadElement At(int x, int length, bool quoted = false) {
  CDownLoadElement element;
  element.m_xPos = x;
  element.m_length = length;
  element.m_useLength = false;
  element.m_isQuoted = quoted;
  return element;
}

TEST(Placement, LaterValuesReplaceEarlierOnesInTheirCellOrRange) {
  OutputGrid grid;
  PlaceGridValue(grid, At(0, 1, true), "first", 0);
  PlaceGridValue(grid, At(0, 1), "second", 0);
  EXPECT_EQ(FormatGridLines(grid, ',', true), "second\r\n");
  // A fixed line keeps one blank past the value that lengthened it.
  OutputGrid fixed;
  PlaceFixedValue(fixed, At(10, 4), "ABCD", 0);
  PlaceFixedValue(fixed, At(2, 3), "xyzzy", 0);
  PlaceFixedValue(fixed, At(13, 6), "123", 0);
  PlaceFixedValue(fixed, At(0, 2), "Q", 2);
  EXPECT_EQ(FormatFixedLines(fixed), "  xyz     ABC123 \r\n\r\nQ \r\n");
}

TEST(Convert, RecordsThatDoNotFitTheFieldListWriteNothing) {
  const OstraneField header = Field("PORTFOLIO", 12, kCategoryBoth);
  const OstraneField ticker = Field("TICKER", 15);
  CDownLoadAssembledRecord headerRecord(1);
  std::vector<CDownLoadAssembledRecord> data;
  data.emplace_back(2);
  EXPECT_FALSE(data[0].Set(-1, "x") || data[0].Set(2, "x"));
  EXPECT_EQ(data[0].Get(5), "");
  ScratchFolder folder;
  CDownLoadCSVMapping mapping;
  bool fileError = true;
  CFileError error;
  std::string path;
  for (const auto& fields : {std::vector{ticker, ticker}, std::vector{header, ticker}}) {
    EXPECT_FALSE(mapping.Convert(folder.Path(), March6th2026(), "B1", fields, headerRecord, data,
                                 fileError, error, path));
  }
  EXPECT_FALSE(fileError);
  EXPECT_FALSE(std::filesystem::exists(folder.File("B1.03-06-26.rpt")));
  // A header index past the list (not checked on load) reads nothing outside the records.
  auto& element = mapping.m_elements.emplace_back(std::make_unique<CDownLoadElement>(At(0, 1)));
  element->m_mapType = CDownLoadElement::kMapField;
  element->m_fieldIndex = 7;
  element->m_field = header;
  EXPECT_TRUE(mapping.Convert(folder.Path(), March6th2026(), "B1", {header, ticker, ticker},
                              headerRecord, data, fileError, error, path));
  EXPECT_EQ(ReadWholeFile(path), "\r\n");
}

}  // namespace
}  // namespace trqx
