#pragma once

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/protocol/protocol_message.h"
#include "foundation/protocol/spool_file.h"
#include "foundation/protocol/upload_source.h"

namespace trqx::test {

// A frame of any type and body, for inputs the builders cannot make.
inline std::string RawFrame(char type, std::string_view body = {}) {
  std::string frame(1, wire::kStx);
  frame.push_back(type);
  frame.append(body);
  frame.push_back(wire::kEtx);
  return frame;
}

// Spool files kept in memory; failures are switched on by the test.
struct FakeSpoolDisk {
  std::map<std::string, std::string> files;
  std::vector<std::string> created;  // in order of creation
  bool failCreate = false;
  bool failAppend = false;
  bool failClose = false;
  int closes = 0;
};

class FakeSpoolFile : public CSpoolFile {
 public:
  explicit FakeSpoolFile(FakeSpoolDisk& disk) : m_disk(disk) {}
  bool Create(const std::string& path, CFileError& error) override {
    m_open.clear();
    if (m_disk.failCreate) {
      error = {FileErrorCause::kOpen, EACCES, "open", path};
      return false;
    }
    m_disk.created.push_back(path);
    m_disk.files[path].clear();
    m_open = path;
    return true;
  }
  bool Append(std::string_view bytes, CFileError& error) override {
    if (m_disk.failAppend || m_open.empty()) {
      error = {FileErrorCause::kWrite, ENOSPC, "write", m_open};
      return false;
    }
    m_disk.files[m_open].append(bytes);
    return true;
  }
  bool Close(CFileError& error) override {
    if (m_open.empty()) {
      return true;
    }
    ++m_disk.closes;
    std::string path = m_open;
    m_open.clear();
    if (m_disk.failClose) {
      error = {FileErrorCause::kWrite, EIO, "close", path};
      return false;
    }
    return true;
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
  int opens = 0;
};

class FakeUploadSource : public CUploadSource {
 public:
  explicit FakeUploadSource(FakeUploadDisk& disk) : m_disk(disk) {}
  bool Open(const std::string& path, CFileError& error) override {
    m_open = false;
    auto found = m_disk.files.find(path);
    if (found == m_disk.files.end()) {
      error = {FileErrorCause::kOpen, ENOENT, "open", path};
      return false;
    }
    ++m_disk.opens;
    m_data = found->second;
    m_position = 0;
    m_open = true;
    return true;
  }
  bool Read(char* buffer, std::size_t size, std::size_t& got, CFileError& error) override {
    got = 0;
    if (!m_open || m_disk.failRead) {
      error = {FileErrorCause::kRead, EIO, "read", ""};
      return false;
    }
    got = std::min(size, m_data.size() - m_position);
    m_data.copy(buffer, got, m_position);
    m_position += got;
    return true;
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
