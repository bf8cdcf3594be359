#include "upload/desk_source.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/csv_line_reader.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

struct Records {
  std::vector<TokenList> records;
  bool bad = false;
  bool operator==(const Records&) const = default;
};

// The file's records as a conversion reads them: line by line through a buffer of chunk
// bytes, each line split where it lies.
Records ReadThroughBuffer(const std::string& path, std::size_t chunk) {
  Records read;
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

// The whole file through the byte-at-a-time reader of archive files.
Records ReadWhole(std::string_view input) {
  Records read;
  CsvLineReader reader(',');
  while (!input.empty()) {
    std::size_t used = 0;
    const CsvStatus status = reader.Feed(input, used);
    input.remove_prefix(used);
    if (status == CsvStatus::kBadRecord) {
      read.bad = true;
      return read;
    }
    if (status == CsvStatus::kRecord) {
      read.records.push_back(reader.Tokens());
      reader.Reset();
    }
  }
  const CsvStatus last = reader.Finish();
  if (last == CsvStatus::kRecord) {
    read.records.push_back(reader.Tokens());
  }
  read.bad = last == CsvStatus::kBadRecord;
  return read;
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
    const Records whole = ReadWhole(input);
    for (std::size_t chunk = 1; chunk <= input.size() + 1; ++chunk) {
      EXPECT_EQ(ReadThroughBuffer(path, chunk), whole)
          << testing::PrintToString(input) << " chunk " << chunk;
    }
  }
}

}  // namespace
}  // namespace trqx
