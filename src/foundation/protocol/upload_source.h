#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/file_error.h"
#include "foundation/locked_file.h"

namespace trqx {

// The file a client sends, read piece by piece. One file at a time.
class CUploadSource {
 public:
  virtual ~CUploadSource() = default;
  // Opens the file for reading, shared with other readers, no writer allowed while it is
  // open; closes any file still open first. On failure nothing is open and error is filled.
  virtual bool Open(const std::string& path, CFileError& error) = 0;
  // Reads up to size bytes; got is 0 only at the end of the file.
  virtual bool Read(char* buffer, std::size_t size, std::size_t& got, CFileError& error) = 0;
  // Closes the file if one is open.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
};

// Upload file on disk, held under a deny-write lock while it is sent. It is read from the
// system in blocks of kBlockSize, so that a piece of 500 bytes costs no system call of its
// own.
class CDiskUploadSource : public CUploadSource {
 public:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  bool Open(const std::string& path, CFileError& error) override;
  bool Read(char* buffer, std::size_t size, std::size_t& got, CFileError& error) override;
  void Close() override;
  bool IsOpen() const override { return m_file.IsOpen(); }

 private:
  LockedFile m_file;
  std::vector<char> m_block;
  std::size_t m_blockUsed = 0;  // bytes of m_block already handed out
  std::size_t m_blockFill = 0;  // bytes of m_block read from the file
};

}  // namespace trqx
