#include "upload/user_profile.h"

#include "foundation/archive_file.h"
#include "foundation/field_format.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"

namespace trqx {

namespace {

// The writer's order; the mappings follow these members.
constexpr ArchiveMember<UserProfile> kProfileMembers[] = {
    Member<&UserProfile::m_activeMapping>("ActiveMapping"),
    Member<&UserProfile::m_uuid>("UUID"),
    Member<&UserProfile::m_timeDate>("TimeDate"),
    Member<&UserProfile::m_name>("Name"),
    Member<&UserProfile::m_isEnabled>("IsEnabled"),
    Member<&UserProfile::m_priceNo>("PriceNo"),
    Member<&UserProfile::m_dirName>("DirName"),
};

}  // namespace

void UserProfile::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kProfileMembers, static_cast<int>(m_mappings.size()));
  for (const auto& mapping : m_mappings) {
    mapping->Save(tokens);
  }
}

bool UserProfile::Load(const TokenList& tokens, std::size_t& pos) {
  // A mapping is appended only once it loaded whole, completed to the field format file.
  const auto loadMapping = [&](std::unique_ptr<CMapping> mapping, std::size_t& p) {
    if (!mapping->Load(tokens, p)) {
      return MemberRead::kFailed;
    }
    mapping->ReconcileFields(m_fieldFormat->UploadFields());
    m_mappings.push_back(std::move(mapping));
    return MemberRead::kLoaded;
  };
  return LoadObject(
      tokens, pos, kClassName, *this, kProfileMembers, [&](std::string_view key, std::size_t& p) {
        if (key == CGridMapping::kClassName) {
          return loadMapping(std::make_unique<CGridMapping>(kFormatComma, m_convertDots), p);
        }
        if (key == CFixedMapping::kClassName) {
          return loadMapping(std::make_unique<CFixedMapping>(m_convertDots), p);
        }
        return MemberRead::kUnknownKey;
      });
}

bool UserProfile::LoadFile(const std::string& path, CFileError& error) {
  const ArchiveLoad loaded = LoadArchiveFile(
      path,
      [&](const TokenList& tokens) {
        std::size_t pos = 0;
        return Load(tokens, pos);
      },
      error);
  return loaded == ArchiveLoad::kOk;
}

bool UserProfile::SaveFile(const std::string& path, CFileError& error) const {
  TokenList tokens;
  Save(tokens);
  return SaveArchiveFile(path, tokens, error);
}

void UserProfile::AddMapping(std::unique_ptr<CMapping> mapping) {
  m_mappings.push_back(std::move(mapping));
}

void UserProfile::RemoveMapping(std::size_t index) {
  if (index >= m_mappings.size()) {
    return;
  }
  m_mappings.erase(m_mappings.begin() + static_cast<std::ptrdiff_t>(index));
  if (m_activeMapping >= 0) {
    const auto active = static_cast<std::size_t>(m_activeMapping);
    if (active == index) {
      m_activeMapping = -1;
    } else if (active > index) {
      --m_activeMapping;
    }
  }
}

void UserProfile::ReplaceMapping(std::size_t index, std::unique_ptr<CMapping> mapping) {
  if (index < m_mappings.size() && mapping) {
    m_mappings[index] = std::move(mapping);
  }
}

CMapping* UserProfile::GetMapping(std::size_t index) const {
  return index < m_mappings.size() ? m_mappings[index].get() : nullptr;
}

bool UserProfile::GetActiveMapping(int& index) const {
  if (m_activeMapping < 0) {
    return false;
  }
  index = m_activeMapping;
  return true;
}

std::optional<std::size_t> UserProfile::SelectMapping(std::string_view deskPath) const {
  if (m_activeMapping >= 0 && static_cast<std::size_t>(m_activeMapping) < m_mappings.size()) {
    return static_cast<std::size_t>(m_activeMapping);
  }
  const std::string name(TrimBlanks(FileNamePart(deskPath)));
  for (const int pass : {kMapByFileName, kMapByFormatExtension, kMapByGivenExtension}) {
    for (std::size_t i = 0; i < m_mappings.size(); ++i) {
      if (m_mappings[i]->m_fileMapType == pass && m_mappings[i]->MatchesFile(name)) {
        return i;
      }
    }
  }
  return std::nullopt;
}

}  // namespace trqx
