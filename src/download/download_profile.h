#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "download/download_mapping.h"
#include "foundation/archive.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"

namespace trqx {

// The client's download profile ("qxd.pfl"): every download mapping and which one is active.
class CDownLoadProfile : public CArchivable {
 public:
  static constexpr const char* kClassName = "CDownLoadProfile";
  static constexpr const char* kFileName = "qxd.pfl";

  CDownLoadProfile() = default;
  CDownLoadProfile(const CDownLoadProfile& other);
  CDownLoadProfile& operator=(const CDownLoadProfile&) = delete;
  CDownLoadProfile(CDownLoadProfile&&) = default;
  CDownLoadProfile& operator=(CDownLoadProfile&&) = default;

  // Appends "CDownLoadProfile", 1 + mappings, "ActiveMapping" and each mapping.
  void Save(TokenList& tokens) const override;
  // Reads one profile at pos, appending its mappings; elements are checked against
  // downloadFields. Fails on a bad structure or a mapping that fails to load.
  bool Load(const TokenList& tokens, std::size_t& pos,
            const std::vector<OstraneField>& downloadFields);

  // Reads the profile file at path (created empty when missing; an empty file leaves the
  // profile empty). On failure the profile is emptied and, for a file error, error filled.
  bool LoadFile(const std::string& path, const std::vector<OstraneField>& downloadFields,
                CFileError& error);
  // Replaces the file at path with the profile's record line.
  bool SaveFile(const std::string& path, CFileError& error) const;

  // The active mapping; null when ActiveMapping is not an index into the list.
  const CDownLoadMapping* Active() const;

  int m_activeMapping = -1;
  std::vector<std::unique_ptr<CDownLoadMapping>> m_mappings;
};

}  // namespace trqx
