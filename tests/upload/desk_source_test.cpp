#include "upload/desk_source.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/csv_line_reader.h"
#include "support/csv_records.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

// The file's records as a conversion reads them: line by line through a buffer of chunk
// bytes, each line split where it lies.
CsvRecords ReadThroughBuffer(const std::string& path, std::size_t chunk) {
  CsvRecords read;
  LockedFile file;
  CFileError error;
  EXPECT_TRUE(file.Open(path, O_RDONLY, FileLock::kDenyWrite, error));
  DeskLineReader reader(file, chunk);
  CsvRecordSplitter splitter(',');
  for (;;) {
    const DeskLineReader::Status status = reader.Next(error);
    if (status == DeskLineReader::Status::kEnd || status == DeskLineReader::Status::kError) {
      EXPECT_EQ(status, DeskLineReader::Status::kEnd);
      return read;
    }
    const CsvLineStatus split =
        splitter.Split(reader.Begin(), reader.End(), status == DeskLineReader::Status::kLine);
    if (split == CsvLineStatus::kBadRecord) {
      read.bad = true;
      return read;
    }
    if (split == CsvLineStatus::kRecord) {
      read.records.emplace_back(splitter.Cells().begin(), splitter.Cells().end());
    }
  }
}

// Every read boundary falls once on every byte of every record: inside quoted cells, on
// doubled quotes, between a carriage return and its line feed, in a line longer than the
// buffer (which then grows), and in a last line without a line feed.
TEST(DeskLineReader, RecordsAreTheSameWhereverTheReadsSplitThem) {
  ScratchFolder folder;
  const std::string path = folder.File("desk.csv");
  const std::string cases[] = {
      "IBM,\"1,000.5\",\"say \"\"hi\"\"\",x\r\n\nbrk.b,\"a\rb\",,\r\nlast,\"q\"",
      "a,b\r\n\"open\nc\n",  // a bad record on the second line
      "only\r",              // an unterminated line of carriage returns makes no record
  };
  for (const std::string& input : cases) {
    ASSERT_TRUE(WriteWholeFile(path, input));
    const CsvRecords whole = ReadCsvRecords(input);
    for (std::size_t chunk = 1; chunk <= input.size() + 1; ++chunk) {
      EXPECT_EQ(ReadThroughBuffer(path, chunk), whole)
          << testing::PrintToString(input) << " chunk " << chunk;
    }
  }
}

}  // namespace
}  // namespace trqx
