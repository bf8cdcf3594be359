#pragma once

#include <memory>
#include <string>
#include <vector>

#include "download/download_mapping.h"
#include "download/message_box_view.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"

namespace trqx {

// Reader and writer of "activedw.pfl", the one download mapping the client marked active.
class CActiveDownLoadMappingFile {
 public:
  static constexpr const char* kFileName = "activedw.pfl";

  // folder holds the file (empty: the working folder); elements are checked against
  // downloadFields, which must outlive this object.
  CActiveDownLoadMappingFile(std::string folder, const std::vector<OstraneField>& downloadFields);

  std::string Path() const;

  // Reads the file; the last mapping record is the active mapping. False when the file cannot
  // be opened (after its two message boxes), on a read error (error filled), or at a record
  // that is not a mapping of the three classes or fails to load. An empty file gives true
  // and no mapping.
  bool OpenLoadAndClose(MessageBoxView& view);
  // The loaded mapping, handed over to the caller; null when none was loaded.
  std::unique_ptr<CDownLoadMapping> TakeMapping() { return std::move(m_mapping); }
  const CFileError& Error() const { return m_error; }

  // Replaces the file with mapping's record line. On failure error is filled.
  bool Save(const CDownLoadMapping& mapping, CFileError& error) const;
  // Deletes the file, as when no mapping is active; a missing file counts as deleted.
  bool Remove(CFileError& error) const;

 private:
  bool LoadRecord(const TokenList& record);

  std::string m_folder;
  const std::vector<OstraneField>& m_downloadFields;
  std::unique_ptr<CDownLoadMapping> m_mapping;
  CFileError m_error;
};

}  // namespace trqx
