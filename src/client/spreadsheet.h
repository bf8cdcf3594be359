#pragma once

// Spreadsheet conversion: a desk file named "*.xls" is a legacy Excel workbook, which the
// conversion engine cannot read, so its first worksheet is saved as text in the temp folder
// before the mapping is chosen. FreeXL reads the workbook in place of Excel; the writers
// save what Excel's "save as" would, as these choices:
// - Every row of the sheet's used range becomes one line ending in a line feed (the
//   readers downstream ignore carriage returns, and every other file we write is LF-only).
//   Each line has one field per column of the range, so short rows keep their empty
//   trailing fields, as Excel pads them.
// - Cells: texts as UTF-8; numbers in the shortest form of up to 15 significant digits
//   (Excel's "General" display: 100, 0.5, 123.45, -7); dates and times as the text FreeXL
//   gives ("2026-12-07", "2026-12-07 10:20:30", "10:20:30"); an empty cell as nothing.
// - "Comma-Delimited" and "Tab-Delimited": a field that holds the separator, a double quote,
//   a carriage return or a line feed is enclosed in double quotes with each double quote
//   doubled, the rule of Excel's CSV and text saves, which our delimited reader undoes.
//   Other fields are written bare.
// - "Fixed-Space": each column is as wide as its widest cell in the sheet (in characters,
//   so a UTF-8 text counts once per character); columns are joined by one space; texts and
//   dates sit at the left of their column, numbers at the right, as Excel aligns them under
//   the "General" format; every cell is padded to its column's width. A tab, carriage
//   return or line feed inside a cell becomes one space there, so a row stays one line and
//   the column positions hold. The widths come from a first pass over the sheet, the lines
//   from a second: no cell is held twice, only one width per column.
// FreeXL itself holds the workbook's cells while it is open; the writers stream row by row.
// FreeXL reads in a child process, since it can read out of bounds on a damaged workbook: a
// crash there fails the one conversion instead of ending the client.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/log_file.h"

namespace trqx {

enum class SpreadsheetResult {
  kNotSpreadsheet,  // the path does not end in ".xls": the upload goes on with it unchanged
  kConverted,       // the path now names the text file in the temp folder
  kFailed,          // a reason was logged; the upload of this file ends with a failed row
};

// One target of the "Excel File Format" setting.
struct SpreadsheetFormat {
  std::string_view m_shownAs;       // "Comma-Delimited", ...
  std::string_view m_extension;     // ".csv", ".txt", ".dat"
  std::string_view m_statusSuffix;  // "CSV Format... ", ...
};

// The target chosen by the setting's value; a value outside 0..2 (a hand-edited settings
// file) counts as 0, "Comma-Delimited", the setting's default.
const SpreadsheetFormat& SpreadsheetFormatOf(int excelFileFormat);

// The desk file is a workbook: its last four characters, upper-cased, are ".XLS".
bool IsSpreadsheetPath(std::string_view path);

// The main window's status text while a workbook converts: "Detected XLS File... Converting
// to " and the format's suffix. The upload flow shows it (with the wait cursor) before
// ConvertSpreadsheet and clears the status text after it.
std::string SpreadsheetStatusText(int excelFileFormat);

// The text file's path for a desk file: tempFolder joined with the desk file's name (after
// its last '/' or '\') without its last four characters, and the format's extension.
std::string SpreadsheetTargetPath(std::string_view deskPath, std::string_view tempFolder,
                                  int excelFileFormat);

// Converts the desk file when its last four characters, upper-cased, are ".XLS": reads the
// first worksheet and writes SpreadsheetTargetPath, replacing a file left there before. On
// success deskPath is replaced by the target path. On failure (the workbook cannot be read,
// is damaged, truncated or password-protected, or the text file cannot be written) one ERROR
// free-text entry of category SYSTEM names the file and the reason, deskPath is unchanged
// and no partial text file remains. The workbook is read and the text file written by a
// child process (RunInChild); a child that crashes, fails or runs past kSpreadsheetReadLimit
// fails the conversion with that reason. Runs on the caller's thread and blocks it.
SpreadsheetResult ConvertSpreadsheet(std::string& deskPath, std::string_view tempFolder,
                                     int excelFileFormat, CLogger& logger);

// The longest a workbook may take to convert; the reader is killed then.
inline constexpr std::chrono::milliseconds kSpreadsheetReadLimit = std::chrono::seconds(60);

// What RunInChild keeps of a child's output; the reader writes a reason of a line or two.
inline constexpr std::size_t kMaxChildOutput = 64 * 1024;

// Runs work in a forked child process, which exits with work's result (70 when work throws),
// and waits up to limit for it. output receives the first kMaxChildOutput bytes that work
// writes to fd; the rest is read and dropped, so the child never blocks on a full pipe.
// True when the child exited with 0; false with reason when it could not start, was ended
// by a signal ("the workbook reader crashed (signal 11)"), exited with another code (as a
// sanitizer's report does) or ran past limit (then it is killed). The child is reaped
// before the return. work runs in a copy of the calling thread alone, with no descriptors
// but 0-2 and fd, so it must need no lock that another thread may hold (glibc's malloc and
// stdio locks are reset in a child) and no file the caller opened.
bool RunInChild(const std::function<int(int fd)>& work, std::chrono::milliseconds limit,
                std::string& output, std::string& reason);

// The reading and writing that ConvertSpreadsheet's child does, in this process: reads
// deskPath's first worksheet with FreeXL and writes it to targetPath in the setting's
// format. False with the reason in words; a text file begun is removed. The fuzz target
// calls it directly, since a child's coverage does not reach the fuzzer.
bool WriteSpreadsheetText(const std::string& deskPath, const std::string& targetPath,
                          int excelFileFormat, std::string& reason);

}  // namespace trqx
