#include "download/active_mapping_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "download/download_messages.h"
#include "foundation/archive_file.h"
#include "foundation/locked_file.h"
#include "foundation/paths.h"

namespace trqx {

CActiveDownLoadMappingFile::CActiveDownLoadMappingFile(
    std::string folder, const std::vector<OstraneField>& downloadFields)
    : m_folder(std::move(folder)), m_downloadFields(downloadFields) {}

std::string CActiveDownLoadMappingFile::Path() const {
  return JoinPath(m_folder, kFileName);
}

bool CActiveDownLoadMappingFile::LoadRecord(const TokenList& record) {
  m_mapping.reset();
  std::unique_ptr<CDownLoadMapping> mapping = NewDownLoadMapping(record.front());
  std::size_t pos = 0;
  if (mapping == nullptr || !mapping->Load(record, pos, m_downloadFields)) {
    return false;
  }
  m_mapping = std::move(mapping);
  return true;
}

bool CActiveDownLoadMappingFile::OpenLoadAndClose(MessageBoxView& view) {
  m_mapping.reset();
  m_error = CFileError{};
  const std::string path = Path();
  LockedFile file;
  if (!file.Open(path, O_RDONLY, FileLock::kDenyWrite, m_error)) {
    view.ShowMessageBox(std::string(kMsgUnableToOpenFile) + path +
                        std::string(kMsgCheckActiveMapping));
    view.ShowMessageBox(std::string(kMsgCouldNotReadActiveMapping));
    return false;
  }
  if (ReadArchiveRecords(
          file, [this](const TokenList& record) { return LoadRecord(record); }, m_error) !=
      ArchiveLoad::kOk) {
    m_mapping.reset();
    return false;
  }
  return true;
}

bool CActiveDownLoadMappingFile::Save(const CDownLoadMapping& mapping, CFileError& error) const {
  TokenList tokens;
  mapping.Save(tokens);
  return SaveArchiveFile(Path(), tokens, error);
}

bool CActiveDownLoadMappingFile::Remove(CFileError& error) const {
  const std::string path = Path();
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    error = CFileError{FileErrorCause::kWrite, errno, "unlink", path};
    return false;
  }
  return true;
}

}  // namespace trqx
