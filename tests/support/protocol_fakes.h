#pragma once

#include <cerrno>
#include <map>
#include <string>
#include <string_view>

#include "foundation/protocol/protocol_message.h"
#include "foundation/protocol/spool_file.h"
#include "foundation/protocol/upload_source.h"

namespace trqx::test {

// A frame of any type and body, for inputs the builders cannot make.
inline std::string RawFrame(char type, std::string_view body = {}) {
  return std::string{wire::kStx, type} + std::string(body) + wire::kEtx;
}

inline bool Fail(CFileError& error, FileErrorCause cause, int code, const char* function,
                 const std::string& name) {
  error = {cause, code, function, name};
  return false;
}

// Spool files kept in memory; failures are switched on by the test.
struct FakeSpoolDisk {
  std::map<std::string, std::string> files;
  bool failCreate = false, failAppend = false, failClose = false;
  int closes = 0;
};

class FakeSpoolFile : public CSpoolFile {
 public:
  explicit FakeSpoolFile(FakeSpoolDisk& disk) : m_disk(disk) {}
  bool Create(const std::string& path, CFileError& error) override {
    m_open = m_disk.failCreate ? "" : path;
    if (m_open.empty()) {
      return Fail(error, FileErrorCause::kOpen, EACCES, "open", path);
    }
    m_disk.files[path].clear();
    return true;
  }
  bool Append(std::string_view bytes, CFileError& error) override {
    if (m_disk.failAppend || m_open.empty()) {
      return Fail(error, FileErrorCause::kWrite, ENOSPC, "write", m_open);
    }
    m_disk.files[m_open].append(bytes);
    return true;
  }
  bool Close(CFileError& error) override {
    std::string path;
    path.swap(m_open);
    m_disk.closes += path.empty() ? 0 : 1;
    return path.empty() || !m_disk.failClose ||
           Fail(error, FileErrorCause::kWrite, EIO, "close", path);
  }
  bool IsOpen() const override { return !m_open.empty(); }

 private:
  FakeSpoolDisk& m_disk;
  std::string m_open;
};

// Upload files kept in memory.
struct FakeUploadDisk {
  std::map<std::string, std::string> files;
  bool failRead = false;
};

class FakeUploadSource : public CUploadSource {
 public:
  explicit FakeUploadSource(FakeUploadDisk& disk) : m_disk(disk) {}
  bool Open(const std::string& path, CFileError& error) override {
    m_open = m_disk.files.count(path) != 0;
    m_data = m_open ? m_disk.files[path] : "";
    m_position = 0;
    return m_open || Fail(error, FileErrorCause::kOpen, ENOENT, "open", path);
  }
  bool Read(char* buffer, std::size_t size, std::size_t& got, CFileError& error) override {
    got = m_open && !m_disk.failRead ? m_data.copy(buffer, size, m_position) : 0;
    m_position += got;
    return (m_open && !m_disk.failRead) || Fail(error, FileErrorCause::kRead, EIO, "read", "");
  }
  void Close() override { m_open = false; }
  bool IsOpen() const override { return m_open; }

 private:
  FakeUploadDisk& m_disk;
  std::string m_data;
  std::size_t m_position = 0;
  bool m_open = false;
};

}  // namespace trqx::test
