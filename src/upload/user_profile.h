#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/archive.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"
#include "upload/mapping.h"

namespace trqx {

// The upload profile ("UserProfile", stored alone in "qxu.pfl"): the user's mappings and
// the choice of the mapping for a desk file. Owns its mappings.
class UserProfile : public CArchivable {
 public:
  static constexpr const char* kClassName = "UserProfile";
  static constexpr const char* kFileName = "qxu.pfl";

  // Loaded mappings are bound to fieldFormat's upload fields, which must outlive the
  // profile; convertDots is handed to every mapping the profile creates while loading.
  explicit UserProfile(const FieldFormatRegistry& fieldFormat, bool convertDots = true)
      : m_convertDots(convertDots), m_fieldFormat(&fieldFormat) {}

  void Save(TokenList& tokens) const override;
  // Reads one "UserProfile" object at pos. Each mapping read is completed with default
  // field mappings up to the size of the field format's upload list and appended. On
  // failure the mappings appended before the failing entry remain (the client goes on with
  // them); the failing mapping is dropped.
  bool Load(const TokenList& tokens, std::size_t& pos);

  // Reads every record of the file into this profile (a missing file is created empty and
  // reads as nothing). False on a file error (error filled) or a record that fails.
  bool LoadFile(const std::string& path, CFileError& error);
  // Replaces the file with this profile's record line. False with error filled on failure.
  bool SaveFile(const std::string& path, CFileError& error) const;

  void AddMapping(std::unique_ptr<CMapping> mapping);
  // Destroys the mapping at index (ignored when out of range); the active index becomes -1
  // when it named that mapping and moves down by one when it named a later one.
  void RemoveMapping(std::size_t index);
  // Puts mapping in the place of the one at index, which is destroyed (ignored when out of
  // range); the active index stays.
  void ReplaceMapping(std::size_t index, std::unique_ptr<CMapping> mapping);
  // The mapping at index; nullptr when out of range.
  CMapping* GetMapping(std::size_t index) const;
  std::size_t MappingCount() const { return m_mappings.size(); }

  // False when no mapping is active (a negative index); else index receives it.
  bool GetActiveMapping(int& index) const;
  void SetActiveMapping(int index) { m_activeMapping = index; }

  // The mapping to use for a desk file path: the active mapping when one is set (and
  // exists), else the first match of three passes in list order (FileMapType 0, then 1,
  // then 2) on the file name after the last '/' or '\', trimmed. nullopt: no mapping.
  std::optional<std::size_t> SelectMapping(std::string_view deskPath) const;

  // The field format the profile's mappings are bound to.
  const FieldFormatRegistry& FieldFormat() const { return *m_fieldFormat; }

  int m_activeMapping = -1;
  std::uint32_t m_uuid = 0;
  std::string m_timeDate;
  std::string m_name;
  bool m_isEnabled = true;
  std::uint32_t m_priceNo = 0xFFFFFFFFu;
  std::string m_dirName;
  bool m_convertDots = true;  // not stored

 private:
  const FieldFormatRegistry* m_fieldFormat;
  std::vector<std::unique_ptr<CMapping>> m_mappings;
};

}  // namespace trqx
