#include "download/download_profile.h"

#include <string_view>

#include "foundation/archive_file.h"

namespace trqx {

CDownLoadProfile::CDownLoadProfile(const CDownLoadProfile& other)
    : CArchivable(other), m_activeMapping(other.m_activeMapping) {
  m_mappings.reserve(other.m_mappings.size());
  for (const auto& mapping : other.m_mappings) {
    m_mappings.push_back(mapping->Clone());
  }
}

void CDownLoadProfile::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, 1 + static_cast<int>(m_mappings.size()));
  WriteInt(tokens, "ActiveMapping", m_activeMapping);
  for (const auto& mapping : m_mappings) {
    mapping->Save(tokens);
  }
}

bool CDownLoadProfile::Load(const TokenList& tokens, std::size_t& pos,
                            const std::vector<OstraneField>& downloadFields) {
  return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& at) {
    if (key == "ActiveMapping") {
      return ReadInt(tokens, at, m_activeMapping) ? MemberRead::kLoaded : MemberRead::kFailed;
    }
    std::unique_ptr<CDownLoadMapping> mapping = NewDownLoadMapping(key);
    if (mapping == nullptr) {
      return MemberRead::kUnknownKey;
    }
    if (!mapping->Load(tokens, at, downloadFields)) {
      return MemberRead::kFailed;
    }
    m_mappings.push_back(std::move(mapping));
    return MemberRead::kLoaded;
  });
}

bool CDownLoadProfile::LoadFile(const std::string& path,
                                const std::vector<OstraneField>& downloadFields,
                                CFileError& error) {
  m_activeMapping = -1;
  m_mappings.clear();
  const ArchiveLoad result = LoadArchiveFile(
      path,
      [&](const TokenList& tokens) {
        std::size_t pos = 0;
        return Load(tokens, pos, downloadFields);
      },
      error);
  if (result != ArchiveLoad::kOk) {
    m_activeMapping = -1;
    m_mappings.clear();
    return false;
  }
  return true;
}

bool CDownLoadProfile::SaveFile(const std::string& path, CFileError& error) const {
  TokenList tokens;
  Save(tokens);
  return SaveArchiveFile(path, tokens, error);
}

const CDownLoadMapping* CDownLoadProfile::Active() const {
  if (m_activeMapping < 0 || static_cast<std::size_t>(m_activeMapping) >= m_mappings.size()) {
    return nullptr;
  }
  return m_mappings[static_cast<std::size_t>(m_activeMapping)].get();
}

}  // namespace trqx
