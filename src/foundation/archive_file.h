#pragma once

#include <functional>
#include <span>
#include <string>

#include "foundation/archive.h"
#include "foundation/file_error.h"
#include "foundation/locked_file.h"

namespace trqx {

// Replaces the file with one record line of tokens followed by one more line feed.
// The file is held under an exclusive lock while written. On failure error is filled.
bool SaveArchiveFile(const std::string& path, const TokenList& tokens, CFileError& error);

// Reads the file (created empty when missing) in 500-byte chunks with writers locked out
// and hands each record that has tokens to onRecord; a false from onRecord stops.
// kFileError: error is filled. kBadRecord: a quoted token held a line feed or never ended.
// kRejected: onRecord returned false. Records handed over before a failure stay handed.
enum class ArchiveLoad { kOk, kFileError, kBadRecord, kRejected };
ArchiveLoad LoadArchiveFile(const std::string& path,
                            const std::function<bool(const TokenList&)>& onRecord,
                            CFileError& error);

// The reading part of LoadArchiveFile, for a file the caller opened itself (for example
// one that must exist): reads from the file position to the end.
ArchiveLoad ReadArchiveRecords(LockedFile& file,
                               const std::function<bool(const TokenList&)>& onRecord,
                               CFileError& error);
// The same, reading pieces of up to chunk's size into chunk, which the caller may keep from
// file to file.
ArchiveLoad ReadArchiveRecords(LockedFile& file,
                               const std::function<bool(const TokenList&)>& onRecord,
                               std::span<char> chunk, CFileError& error);

}  // namespace trqx
