#include "upload/mapping.h"

#include <string>

#include "foundation/text.h"
#include "upload/text_rules.h"

namespace trqx {

namespace {

// The writer's order; the retired "IsFilename" is only read.
constexpr ArchiveMember<CMapping> kMappingMembers[] = {
    Member<&CMapping::m_fileMapType>("FileMapType"),
    Member<&CMapping::m_filename>("Filename"),
    Member<&CMapping::m_format>("Format"),
};

// The extension a Format's mappings accept under FileMapType 1.
std::string_view FormatExtension(int format) {
  switch (format) {
    case kFormatComma:
      return ".CSV";
    case kFormatTab:
      return ".TXT";
    case kFormatFixed:
      return ".DAT";
    default:
      return {};
  }
}

}  // namespace

void CMapping::SaveBase(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kMappingMembers);
}

bool CMapping::LoadBase(const TokenList& tokens, std::size_t& pos) {
  const auto readRetired = [&](std::string_view key, std::size_t& p) {
    bool isFilename = false;
    if (key != "IsFilename") {
      return MemberRead::kUnknownKey;
    }
    if (!ReadBool(tokens, p, isFilename)) {
      return MemberRead::kFailed;
    }
    m_fileMapType = isFilename ? kMapByFileName : kMapByFormatExtension;
    return MemberRead::kLoaded;
  };
  const bool ok = LoadObject(tokens, pos, kClassName, *this, kMappingMembers, readRetired);
  return ok && (m_format == kFormatComma || m_format == kFormatTab || m_format == kFormatFixed);
}

bool CMapping::MatchesFile(std::string_view fileName) const {
  std::string rule(TrimBlanks(m_filename));
  std::string name(TrimBlanks(fileName));
  UpperCaseInPlace(rule);
  UpperCaseInPlace(name);
  switch (m_fileMapType) {
    case kMapByFileName:
      return rule == name;
    case kMapByFormatExtension: {
      const std::size_t dot = name.rfind('.');
      return dot != std::string::npos && !FormatExtension(m_format).empty() &&
             std::string_view(name).substr(dot) == FormatExtension(m_format);
    }
    case kMapByGivenExtension: {
      const std::size_t dot = name.rfind('.');
      if (dot == std::string::npos) {
        return false;
      }
      std::string_view extension = std::string_view(name).substr(dot);
      while (!extension.empty() && extension.front() == '.') {
        extension.remove_prefix(1);
      }
      return extension == rule;
    }
    default:
      return false;
  }
}

}  // namespace trqx
