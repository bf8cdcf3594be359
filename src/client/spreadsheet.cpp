#include "client/spreadsheet.h"

#include <fcntl.h>
#include <freexl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/client_strings.h"
#include "foundation/paths.h"

namespace trqx {

namespace {

constexpr std::array kFormats{
    SpreadsheetFormat{"Comma-Delimited", ".csv", "CSV Format... "},
    SpreadsheetFormat{"Tab-Delimited", ".txt", "TXT Format... "},
    SpreadsheetFormat{"Fixed-Space", ".dat", "DAT Format... "},
};
constexpr int kTabDelimited = 1;
constexpr int kFixedSpace = 2;
constexpr std::string_view kSpreadsheetSuffix = ".XLS";
// The largest sheet a .xls holds; a bigger range is a crafted dimension record, which would
// only cost time to walk.
constexpr unsigned kMaxRows = 65536;
constexpr unsigned kMaxColumns = 256;

// FreeXL's error codes in words, for the log.
struct FreeXlError {
  int m_code;
  std::string_view m_words;
};
constexpr std::array kFreeXlErrors{
    FreeXlError{FREEXL_FILE_NOT_FOUND, "the file does not exist or cannot be opened"},
    FreeXlError{FREEXL_INSUFFICIENT_MEMORY, "not enough memory to read the workbook"},
    FreeXlError{FREEXL_INVALID_CFBF_HEADER, "the file is not an Excel workbook"},
    FreeXlError{FREEXL_CFBF_READ_ERROR, "the workbook is truncated or damaged (read error)"},
    FreeXlError{FREEXL_CFBF_SEEK_ERROR, "the workbook is truncated or damaged (seek error)"},
    FreeXlError{FREEXL_CFBF_INVALID_SIGNATURE, "the file is not an Excel workbook"},
    FreeXlError{FREEXL_CFBF_INVALID_SECTOR_SIZE, "the workbook is damaged (sector size)"},
    FreeXlError{FREEXL_CFBF_EMPTY_FAT_CHAIN, "the workbook is damaged (empty sector chain)"},
    FreeXlError{FREEXL_CFBF_ILLEGAL_FAT_ENTRY, "the workbook is damaged (sector chain)"},
    FreeXlError{FREEXL_BIFF_INVALID_BOF, "the workbook is damaged (record start)"},
    FreeXlError{FREEXL_BIFF_INVALID_SST, "the workbook is damaged (shared strings)"},
    FreeXlError{FREEXL_BIFF_ILLEGAL_SST_INDEX, "the workbook is damaged (shared string index)"},
    FreeXlError{FREEXL_BIFF_WORKBOOK_NOT_FOUND, "the file holds no workbook stream"},
    FreeXlError{FREEXL_BIFF_ILLEGAL_SHEET_INDEX, "the workbook has no worksheet"},
    FreeXlError{FREEXL_INVALID_CHARACTER, "the workbook holds text in a bad character set"},
    FreeXlError{FREEXL_UNSUPPORTED_CHARSET, "the workbook's character set is not supported"},
    FreeXlError{FREEXL_ILLEGAL_CELL_ROW_COL, "the workbook is damaged (cell position)"},
    FreeXlError{FREEXL_ILLEGAL_RK_VALUE, "the workbook is damaged (number value)"},
    FreeXlError{FREEXL_INVALID_MINI_STREAM, "the workbook is damaged (mini stream)"},
    FreeXlError{FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY, "the workbook is damaged (mini sector chain)"},
    FreeXlError{FREEXL_CRAFTED_FILE, "the workbook is damaged beyond reading"},
};

std::string FreeXlErrorWords(int code) {
  const auto* found = std::find_if(kFreeXlErrors.begin(), kFreeXlErrors.end(),
                                   [code](const FreeXlError& e) { return e.m_code == code; });
  if (found != kFreeXlErrors.end()) {
    return std::string(found->m_words);
  }
  return "the workbook cannot be read (FreeXL code " + std::to_string(code) + ")";
}

// One cell as text, and whether Excel would align it right (a number).
struct CellText {
  std::string m_text;
  bool m_number = false;
};

std::string NumberText(double value) {
  char text[40];
  // 15 significant digits, as Excel shows a number; no "-0".
  std::snprintf(text, sizeof text, "%.15g", value == 0.0 ? 0.0 : value);
  return text;
}

void ToCellText(const FreeXL_CellValue& value, CellText& cell) {
  cell.m_number = value.type == FREEXL_CELL_INT || value.type == FREEXL_CELL_DOUBLE;
  switch (value.type) {
    case FREEXL_CELL_INT:
      cell.m_text = std::to_string(value.value.int_value);
      break;
    case FREEXL_CELL_DOUBLE:
      cell.m_text = NumberText(value.value.double_value);
      break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
      cell.m_text = value.value.text_value != nullptr ? value.value.text_value : "";
      break;
    default:
      cell.m_text.clear();
      break;
  }
}

// The open workbook, closed when it goes (FreeXL wants a close even after a failed open).
class Workbook {
 public:
  Workbook() = default;
  ~Workbook() {
    if (m_handle != nullptr) {
      freexl_close(m_handle);
    }
  }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  // Opens path with its first worksheet selected; false with the reason in words.
  bool Open(const std::string& path, std::string& reason);
  // Calls onRow with the cells of each row of the used range, top to bottom; false with the
  // reason at the first cell FreeXL cannot give, or when onRow returns false (its reason).
  bool ForEachRow(const std::function<bool(const std::vector<CellText>&)>& onRow,
                  std::string& reason) const;

 private:
  const void* m_handle = nullptr;
  unsigned m_rows = 0;
  unsigned short m_columns = 0;
};

bool Workbook::Open(const std::string& path, std::string& reason) {
  int code = freexl_open(path.c_str(), &m_handle);
  unsigned password = 0;
  if (code == FREEXL_OK) {
    code = freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &password);
  }
  if (code == FREEXL_OK && password == FREEXL_BIFF_OBFUSCATED) {
    reason = "the workbook is password-protected";
    return false;
  }
  unsigned sheets = 0;
  if (code == FREEXL_OK) {
    code = freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
  }
  if (code == FREEXL_OK && sheets == 0) {
    code = FREEXL_BIFF_ILLEGAL_SHEET_INDEX;
  }
  if (code == FREEXL_OK) {
    code = freexl_select_active_worksheet(m_handle, 0);
  }
  if (code == FREEXL_OK) {
    code = freexl_worksheet_dimensions(m_handle, &m_rows, &m_columns);
  }
  if (code != FREEXL_OK) {
    reason = FreeXlErrorWords(code);
    return false;
  }
  if (m_rows > kMaxRows || m_columns > kMaxColumns) {
    reason = "the worksheet is larger than an Excel 97-2003 sheet can be";
    return false;
  }
  return true;
}

bool Workbook::ForEachRow(const std::function<bool(const std::vector<CellText>&)>& onRow,
                          std::string& reason) const {
  std::vector<CellText> cells(m_columns);
  for (unsigned row = 0; row < m_rows; ++row) {
    for (unsigned short column = 0; column < m_columns; ++column) {
      FreeXL_CellValue value{};
      const int code = freexl_get_cell_value(m_handle, row, column, &value);
      if (code != FREEXL_OK) {
        reason = FreeXlErrorWords(code);
        return false;
      }
      ToCellText(value, cells[column]);
    }
    if (!onRow(cells)) {
      return false;
    }
  }
  return true;
}

// Characters of a UTF-8 text: every byte that does not continue a sequence.
std::size_t CharacterCount(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void AppendDelimited(std::string& line, std::string_view field, char separator) {
  const char special[] = {separator, '"', '\r', '\n'};
  if (field.find_first_of(std::string_view(special, sizeof special)) == std::string_view::npos) {
    line += field;
    return;
  }
  line += '"';
  for (char c : field) {
    line += c;
    if (c == '"') {
      line += '"';
    }
  }
  line += '"';
}

// A cell of the fixed format: line breaks and tabs flattened to spaces.
std::string FlatText(const CellText& cell) {
  std::string text = cell.m_text;
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return text;
}

void AppendFixed(std::string& line, const CellText& cell, std::size_t width) {
  const std::string text = FlatText(cell);
  const std::string padding(width - std::min(width, CharacterCount(text)), ' ');
  line += cell.m_number ? padding + text : text + padding;
}

// The text file being written; removed unless Commit succeeded.
class TargetFile {
 public:
  explicit TargetFile(std::string path) : m_path(std::move(path)) {}
  ~TargetFile() {
    if (m_file != nullptr) {
      std::fclose(m_file);
    }
    if (!m_committed) {
      std::remove(m_path.c_str());
    }
  }
  TargetFile(const TargetFile&) = delete;
  TargetFile& operator=(const TargetFile&) = delete;

  bool Open(std::string& reason) {
    m_file = std::fopen(m_path.c_str(), "wb");
    return m_file != nullptr || Failed(reason);
  }
  bool WriteLine(std::string& line, std::string& reason) {
    line += '\n';
    return std::fwrite(line.data(), 1, line.size(), m_file) == line.size() || Failed(reason);
  }
  bool Commit(std::string& reason) {
    std::FILE* file = std::exchange(m_file, nullptr);
    m_committed = std::fclose(file) == 0;
    return m_committed || Failed(reason);
  }

 private:
  bool Failed(std::string& reason) const {
    reason = "cannot write " + m_path + ": " + std::strerror(errno);
    return false;
  }

  std::string m_path;
  std::FILE* m_file = nullptr;
  bool m_committed = false;
};

bool WriteDelimited(const Workbook& book, TargetFile& target, char separator, std::string& reason) {
  std::string line;
  return book.ForEachRow(
      [&](const std::vector<CellText>& cells) {
        line.clear();
        for (std::size_t i = 0; i < cells.size(); ++i) {
          if (i > 0) {
            line += separator;
          }
          AppendDelimited(line, cells[i].m_text, separator);
        }
        return target.WriteLine(line, reason);
      },
      reason);
}

bool WriteFixed(const Workbook& book, TargetFile& target, std::string& reason) {
  std::vector<std::size_t> widths;
  const bool measured = book.ForEachRow(
      [&](const std::vector<CellText>& cells) {
        widths.resize(cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i) {
          widths[i] = std::max(widths[i], CharacterCount(cells[i].m_text));
        }
        return true;
      },
      reason);
  std::string line;
  return measured && book.ForEachRow(
                         [&](const std::vector<CellText>& cells) {
                           line.clear();
                           for (std::size_t i = 0; i < cells.size(); ++i) {
                             if (i > 0) {
                               line += ' ';
                             }
                             AppendFixed(line, cells[i], widths[i]);
                           }
                           return target.WriteLine(line, reason);
                         },
                         reason);
}

int FormatIndex(int excelFileFormat) {
  return excelFileFormat >= 0 && excelFileFormat < static_cast<int>(kFormats.size())
             ? excelFileFormat
             : 0;
}

// The exit code of a child whose work threw (out of memory) or could not report its reason.
constexpr int kChildFailed = 70;
// The child's end of the pipe, its only descriptor above the standard three.
constexpr int kChildOutputFd = 3;

std::string ErrnoText(int error) {
  return std::strerror(error);
}

// Reads fd until its end (every writer gone), keeping the first kMaxChildOutput bytes in
// output and draining the rest so the writer never blocks. 0 at the end, ETIMEDOUT at the
// deadline, else the errno value of a failed call.
int ReadUntilEnd(int fd, std::chrono::steady_clock::time_point deadline, std::string& output) {
  char buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return ETIMEDOUT;
    }
    pollfd watched{.fd = fd, .events = POLLIN, .revents = 0};
    const int ready = poll(&watched, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) {
      return errno;
    }
    if (ready <= 0) {
      continue;
    }
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) {
      return 0;
    }
    if (got < 0 && errno != EINTR && errno != EAGAIN) {
      return errno;
    }
    if (got > 0) {
      const std::size_t room = kMaxChildOutput - std::min(kMaxChildOutput, output.size());
      output.append(buffer, std::min(room, static_cast<std::size_t>(got)));
    }
  }
}

// Reaps pid, polling: a child that closed its end of the pipe but lives on is still bound
// by the deadline. 0 with status set, ETIMEDOUT at the deadline, else an errno value.
int WaitUntil(pid_t pid, std::chrono::steady_clock::time_point deadline, int& status) {
  for (;;) {
    const pid_t reaped = waitpid(pid, &status, WNOHANG);
    if (reaped == pid) {
      return 0;
    }
    if (reaped < 0 && errno != EINTR) {
      return errno;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return ETIMEDOUT;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void KillAndReap(pid_t pid) {
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

std::string LimitText(std::chrono::milliseconds limit) {
  return limit.count() % 1000 == 0 ? std::to_string(limit.count() / 1000) + " s"
                                   : std::to_string(limit.count()) + " ms";
}

// The child's side: the pipe moved to kChildOutputFd and every other descriptor above the
// standard three closed, then work and _exit. So the child holds none of the parent's
// sockets and files past their close, nor the pipe of another thread's reader child (which
// would keep that pipe from ending); and nothing of the parent's (buffered output, exit
// handlers, the leak check of a sanitizer build) runs twice.
[[noreturn]] void RunChild(const std::function<int(int fd)>& work, int writeEnd) {
  if (dup2(writeEnd, kChildOutputFd) < 0) {
    _exit(kChildFailed);
  }
  closefrom(kChildOutputFd + 1);
  int code = kChildFailed;
  try {
    code = work(kChildOutputFd);
  } catch (...) {
  }
  _exit(code);
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno != EINTR) {
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(written, 0)));
  }
  return true;
}

}  // namespace

bool IsSpreadsheetPath(std::string_view path) {
  if (path.size() < kSpreadsheetSuffix.size()) {
    return false;
  }
  const std::string_view tail = path.substr(path.size() - kSpreadsheetSuffix.size());
  return std::equal(tail.begin(), tail.end(), kSpreadsheetSuffix.begin(), [](char a, char b) {
    return std::toupper(static_cast<unsigned char>(a)) == b;
  });
}

bool RunInChild(const std::function<int(int fd)>& work, std::chrono::milliseconds limit,
                std::string& output, std::string& reason) {
  output.clear();
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    reason = "cannot start the workbook reader: " + ErrnoText(errno);
    return false;
  }
  // The client has other threads, and the child is a copy of this one alone: a lock another
  // thread held at the fork stays taken there. glibc resets its malloc and stdio locks in
  // the child, and the child touches nothing else of ours, only its own FreeXL handle and
  // files; a reader that hangs on some other lock still ends at the limit.
  const pid_t pid = fork();
  if (pid == 0) {
    RunChild(work, ends[1]);
  }
  const int forkError = errno;
  close(ends[1]);
  if (pid < 0) {
    close(ends[0]);
    reason = "cannot start the workbook reader: " + ErrnoText(forkError);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  int error = ReadUntilEnd(ends[0], deadline, output);
  close(ends[0]);
  if (error != 0) {
    KillAndReap(pid);
  } else {
    error = WaitUntil(pid, deadline, status);
    // Any other error says pid is no child of ours to kill (reaped elsewhere).
    if (error == ETIMEDOUT) {
      KillAndReap(pid);
    }
  }
  if (error != 0) {
    reason = error == ETIMEDOUT
                 ? "the workbook reader ran longer than " + LimitText(limit) + " and was stopped"
                 : "cannot wait for the workbook reader: " + ErrnoText(error);
    return false;
  }
  if (WIFSIGNALED(status)) {
    reason = "the workbook reader crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
    return false;
  }
  if (WEXITSTATUS(status) != 0) {
    reason = "the workbook reader failed (exit code " + std::to_string(WEXITSTATUS(status)) + ")";
    return false;
  }
  return true;
}

bool WriteSpreadsheetText(const std::string& deskPath, const std::string& targetPath,
                          int excelFileFormat, std::string& reason) {
  const int format = FormatIndex(excelFileFormat);
  Workbook book;
  if (!book.Open(deskPath, reason)) {
    return false;
  }
  TargetFile target(targetPath);
  if (!target.Open(reason)) {
    return false;
  }
  const bool written =
      format == kFixedSpace
          ? WriteFixed(book, target, reason)
          : WriteDelimited(book, target, format == kTabDelimited ? '\t' : ',', reason);
  return written && target.Commit(reason);
}

const SpreadsheetFormat& SpreadsheetFormatOf(int excelFileFormat) {
  return kFormats[static_cast<std::size_t>(FormatIndex(excelFileFormat))];
}

std::string SpreadsheetStatusText(int excelFileFormat) {
  return "Detected XLS File... Converting to " +
         std::string(SpreadsheetFormatOf(excelFileFormat).m_statusSuffix);
}

std::string SpreadsheetTargetPath(std::string_view deskPath, std::string_view tempFolder,
                                  int excelFileFormat) {
  const std::string name = FileNamePart(deskPath);
  const std::string base = name.substr(0, name.size() - std::min<std::size_t>(name.size(), 4));
  return JoinPath(tempFolder, base + std::string(SpreadsheetFormatOf(excelFileFormat).m_extension));
}

SpreadsheetResult ConvertSpreadsheet(std::string& deskPath, std::string_view tempFolder,
                                     int excelFileFormat, CLogger& logger) {
  if (!IsSpreadsheetPath(deskPath)) {
    return SpreadsheetResult::kNotSpreadsheet;
  }
  const int format = FormatIndex(excelFileFormat);
  std::string targetPath = SpreadsheetTargetPath(deskPath, tempFolder, format);
  // The child reports a failure's reason over the pipe and exits 0 either way; any other end
  // is a crash (or a sanitizer's report) inside FreeXL, which may have left a partial file.
  std::string childReason;
  std::string reason;
  const bool ran = RunInChild(
      [&](int fd) {
        std::string failure;
        const bool written = WriteSpreadsheetText(deskPath, targetPath, format, failure);
        return written || (!failure.empty() && WriteAll(fd, failure)) ? 0 : kChildFailed;
      },
      kSpreadsheetReadLimit, childReason, reason);
  if (ran && childReason.empty()) {
    deskPath = std::move(targetPath);
    return SpreadsheetResult::kConverted;
  }
  if (ran) {
    reason = std::move(childReason);
  } else {
    std::remove(targetPath.c_str());
  }
  logger.Log(kLogError, kCategorySystem, client_strings::kMsgFreeText,
             {"Failed to convert XLS file " + deskPath + ", " + reason + "."});
  return SpreadsheetResult::kFailed;
}

}  // namespace trqx
