#pragma once

#include <functional>
#include <string>

#include "foundation/archive.h"
#include "foundation/file_error.h"

namespace trqx {

// Replaces the file with one record line of tokens followed by one more line feed.
// The file is held under an exclusive lock while written. On failure error is filled.
bool SaveArchiveFile(const std::string& path, const TokenList& tokens, CFileError& error);

// Reads the file (created empty when missing) in 500-byte chunks under an exclusive
// lock and hands each record that has tokens to onRecord; a false from onRecord stops.
enum class ArchiveLoad { kOk, kFileError, kBadRecord, kRejected };
ArchiveLoad LoadArchiveFile(const std::string& path,
                            const std::function<bool(const TokenList&)>& onRecord,
                            CFileError& error);

}  // namespace trqx
