#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "foundation/file_error.h"

namespace trqx {

// What the server learns from a received upload file before it queues it.
struct CSpoolHeader {
  std::string m_headerUuid;     // the text after "UUID=" of the last line holding it
  bool m_serverMarker = false;  // some line holds "SN=Server"
  // The first line holding "SN=Server": its offset and length without the line feed.
  off_t m_serverLineOffset = -1;
  std::size_t m_serverLineLength = 0;
};

// Reads the file once and fills header. Fails (error filled) when it cannot be opened or
// read.
bool ScanSpoolFile(const std::string& path, CSpoolHeader& header, CFileError& error);

// Replaces the first "SN=Server" line by "SN=" and the server's serial number, padded with
// blanks to the old line's length, in place. A serial number too long for the line would
// overwrite the next one, so then the file is rewritten with the longer line instead. A file
// without such a line is left alone.
bool ReplaceServerSerialNumber(const std::string& path, const CSpoolHeader& header,
                               const std::string& serialNumber, CFileError& error);

// The administrator line for the terminal user's UUID: "ADMIN=" and the UUID, or "ADMIN=-1"
// when it is empty or reads as the number -1.
std::string AdministratorLine(const std::string& terminalUserUuid);

// Inserts line and a line feed after the first line of the file: writes the new content
// to the file's name with "Temp" appended, deletes the file and renames the new one to its
// name. On failure the original file is left (the temporary one is removed).
bool InsertLineAfterFirst(const std::string& path, const std::string& line, CFileError& error);

}  // namespace trqx
