#include "upload/field_map.h"

namespace trqx {

namespace {

constexpr int kFieldMapFixedEntries = 11;
constexpr int kGridMapEntries = 6;
constexpr int kFixedMapEntries = 7;

// 1, 2 and 3 are kept; anything else is a constant.
int NormalisedMapType(int mapType) {
  return mapType == kMapCell || mapType == kMapColumn || mapType == kMapAutoOrderType
             ? mapType
             : kMapConstant;
}

}  // namespace

void FieldMap::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName,
                    kFieldMapFixedEntries + static_cast<int>(m_translations.size()));
  m_field.Save(tokens);
  WriteInt(tokens, "Justify", m_justify);
  WriteBool(tokens, "NotBlank", m_notBlank);
  WriteBool(tokens, "Numeric", m_numeric);
  WriteBool(tokens, "Translate", m_translate);
  WriteBool(tokens, "Abs", m_abs);
  WriteBool(tokens, "MkUpper", m_mkUpper);
  WriteString(tokens, "Default", m_default);
  WriteBool(tokens, "MakeMKTOrLMT", m_makeMktOrLmt);
  WriteBool(tokens, "MissingChecksum", m_missingChecksum);
  WriteBool(tokens, "x1000", m_x1000);
  for (const CTranslation& translation : m_translations) {
    translation.Save(tokens);
  }
}

bool FieldMap::Load(const TokenList& tokens, std::size_t& pos) {
  m_translations.clear();
  const bool ok = LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& p) {
    if (key == OstraneField::kClassName) {
      return Loaded(m_field.Load(tokens, p));
    }
    if (key == "Justify") {
      return Loaded(ReadInt(tokens, p, m_justify));
    }
    if (key == "NotBlank") {
      return Loaded(ReadBool(tokens, p, m_notBlank));
    }
    if (key == "Numeric") {
      return Loaded(ReadBool(tokens, p, m_numeric));
    }
    if (key == "Translate") {
      return Loaded(ReadBool(tokens, p, m_translate));
    }
    if (key == "Abs") {
      return Loaded(ReadBool(tokens, p, m_abs));
    }
    if (key == "MkUpper") {
      return Loaded(ReadBool(tokens, p, m_mkUpper));
    }
    if (key == "Default") {
      return Loaded(ReadString(tokens, p, m_default));
    }
    if (key == "MakeMKTOrLMT") {
      return Loaded(ReadBool(tokens, p, m_makeMktOrLmt));
    }
    if (key == "MissingChecksum") {
      return Loaded(ReadBool(tokens, p, m_missingChecksum));
    }
    if (key == "x1000") {
      return Loaded(ReadBool(tokens, p, m_x1000));
    }
    if (key == CTranslation::kClassName) {
      CTranslation translation;
      if (!translation.Load(tokens, p)) {
        return MemberRead::kFailed;
      }
      m_translations.push_back(std::move(translation));
      return MemberRead::kLoaded;
    }
    return MemberRead::kUnknownKey;
  });
  return ok && (m_justify == kJustifyRight || m_justify == kJustifyLeft);
}

void CFieldGridMap::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, kGridMapEntries);
  FieldMap::Save(tokens);
  WriteInt(tokens, "Fixed Col", m_fixedCol);
  WriteInt(tokens, "TableRow", m_tableRow);
  WriteInt(tokens, "TableCol", m_tableCol);
  WriteInt(tokens, "MapType", m_mapType);
  WriteString(tokens, "Constant", m_constant);
}

bool CFieldGridMap::Load(const TokenList& tokens, std::size_t& pos) {
  const bool ok = LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& p) {
    if (key == FieldMap::kClassName) {
      return Loaded(FieldMap::Load(tokens, p));
    }
    if (key == "Fixed Col") {
      return Loaded(ReadInt(tokens, p, m_fixedCol));
    }
    if (key == "TableRow") {
      return Loaded(ReadInt(tokens, p, m_tableRow));
    }
    if (key == "TableCol") {
      return Loaded(ReadInt(tokens, p, m_tableCol));
    }
    if (key == "MapType") {
      return Loaded(ReadInt(tokens, p, m_mapType));
    }
    if (key == "Constant") {
      return Loaded(ReadString(tokens, p, m_constant));
    }
    return MemberRead::kUnknownKey;
  });
  m_mapType = NormalisedMapType(m_mapType);
  return ok;
}

void CFieldFixedMap::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, kFixedMapEntries);
  FieldMap::Save(tokens);
  WriteInt(tokens, "FixedLineOffset", m_fixedLineOffset);
  WriteInt(tokens, "LineOffset", m_lineOffset);
  WriteInt(tokens, "Line", m_line);
  WriteInt(tokens, "MapType", m_mapType);
  WriteInt(tokens, "Length", m_length);
  WriteString(tokens, "Constant", m_constant);
}

bool CFieldFixedMap::Load(const TokenList& tokens, std::size_t& pos) {
  const bool ok = LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& p) {
    if (key == FieldMap::kClassName) {
      return Loaded(FieldMap::Load(tokens, p));
    }
    if (key == "FixedLineOffset") {
      return Loaded(ReadInt(tokens, p, m_fixedLineOffset));
    }
    if (key == "LineOffset") {
      return Loaded(ReadInt(tokens, p, m_lineOffset));
    }
    if (key == "Line") {
      return Loaded(ReadInt(tokens, p, m_line));
    }
    if (key == "MapType") {
      return Loaded(ReadInt(tokens, p, m_mapType));
    }
    if (key == "Length") {
      return Loaded(ReadInt(tokens, p, m_length));
    }
    if (key == "Constant") {
      return Loaded(ReadString(tokens, p, m_constant));
    }
    return MemberRead::kUnknownKey;
  });
  m_mapType = NormalisedMapType(m_mapType);
  return ok;
}

}  // namespace trqx
