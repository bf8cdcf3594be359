#pragma once

#include <string>
#include <string_view>

#include "foundation/file_error.h"
#include "foundation/locked_file.h"

namespace trqx {

// The upload file, written through one buffer. The first failure is kept; later writes are
// dropped, so a conversion checks Failed() once at the end.
class CUploadWriter {
 public:
  static constexpr std::size_t kBufferSize = 1 << 16;

  // Creates or truncates the file, held exclusively. False with error filled on failure.
  bool Create(const std::string& path, CFileError& error);
  void Write(std::string_view bytes);
  // Writes out the buffer and closes the file; false with Error() filled when any write or
  // the close failed.
  bool Close();
  // Empties and closes a file still open (a conversion that failed); false when none was.
  bool Discard();
  bool Failed() const { return m_failed; }
  const CFileError& Error() const { return m_error; }

 private:
  void Drain();

  LockedFile m_file;
  std::string m_buffer;
  bool m_failed = false;
  CFileError m_error;
};

}  // namespace trqx
