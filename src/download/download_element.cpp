#include "download/download_element.h"

#include <string_view>

namespace trqx {

namespace {

// Reads an integer entry that must lie within [low, high].
MemberRead ReadIntInRange(const TokenList& tokens, std::size_t& pos, int low, int high, int& out) {
  int value = 0;
  if (!ReadInt(tokens, pos, value) || value < low || value > high) {
    return MemberRead::kFailed;
  }
  out = value;
  return MemberRead::kLoaded;
}

}  // namespace

CDownLoadElement::CDownLoadElement() {
  m_field.m_type = kTypeData;
}

bool SameField(const OstraneField& a, const OstraneField& b) {
  return a.m_name == b.m_name && a.m_width == b.m_width && a.m_type == b.m_type &&
         a.m_category == b.m_category;
}

void CDownLoadElement::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, 14 + static_cast<int>(m_translations.size()));
  WriteInt(tokens, "Type", m_type);
  WriteInt(tokens, "XPos", m_xPos);
  WriteInt(tokens, "YPos", m_yPos);
  WriteInt(tokens, "MapType", m_mapType);
  WriteInt(tokens, "FieldIndex", m_fieldIndex);
  WriteString(tokens, "Name", m_name);
  WriteInt(tokens, "Length", m_length);
  WriteBool(tokens, "UseLength", m_useLength);
  WriteInt(tokens, "Justify", m_justify);
  WriteString(tokens, "Constant", m_constant);
  WriteBool(tokens, "Cond1", m_cond1);
  WriteBool(tokens, "Cond2", m_cond2);
  WriteBool(tokens, "IsQuoted", m_isQuoted);
  m_field.Save(tokens);
  for (const CTranslation& translation : m_translations) {
    translation.Save(tokens);
  }
}

bool CDownLoadElement::Load(const TokenList& tokens, std::size_t& pos,
                            const std::vector<OstraneField>& downloadFields) {
  const bool loaded =
      LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& at) {
        if (key == "Type") {
          return ReadIntInRange(tokens, at, kTypeCell, kTypeColumn, m_type);
        }
        if (key == "XPos") {
          return ReadIntInRange(tokens, at, 0, kMaxXPos, m_xPos);
        }
        if (key == "YPos") {
          return ReadIntInRange(tokens, at, 0, kMaxYPos, m_yPos);
        }
        if (key == "MapType") {
          return ReadIntInRange(tokens, at, kMapConstant, kMapExecutionCount, m_mapType);
        }
        if (key == "FieldIndex") {
          return Loaded(ReadInt(tokens, at, m_fieldIndex));
        }
        if (key == "Name") {
          return Loaded(ReadString(tokens, at, m_name));
        }
        if (key == "Length") {
          return ReadIntInRange(tokens, at, 0, kMaxLength, m_length);
        }
        if (key == "UseLength") {
          return Loaded(ReadBool(tokens, at, m_useLength));
        }
        if (key == "Justify") {
          return ReadIntInRange(tokens, at, kJustifyLeft, kJustifyRight, m_justify);
        }
        if (key == "Constant") {
          return Loaded(ReadString(tokens, at, m_constant));
        }
        if (key == "Cond1") {
          return Loaded(ReadBool(tokens, at, m_cond1));
        }
        if (key == "Cond2") {
          return Loaded(ReadBool(tokens, at, m_cond2));
        }
        if (key == "IsQuoted") {
          return Loaded(ReadBool(tokens, at, m_isQuoted));
        }
        if (key == OstraneField::kClassName) {
          OstraneField field;
          if (!field.Load(tokens, at)) {
            return MemberRead::kFailed;
          }
          m_field = field;
          return MemberRead::kLoaded;
        }
        if (key == CTranslation::kClassName) {
          CTranslation translation;
          if (!translation.Load(tokens, at)) {
            return MemberRead::kFailed;
          }
          m_translations.push_back(std::move(translation));
          return MemberRead::kLoaded;
        }
        return MemberRead::kUnknownKey;
      });
  if (!loaded) {
    return false;
  }
  // A mapping made against another field format file no longer fits this one. Index 0 goes
  // unchecked, as it always has.
  if (m_fieldIndex > 0) {
    const auto index = static_cast<std::size_t>(m_fieldIndex);
    if (index >= downloadFields.size() || !SameField(downloadFields[index], m_field)) {
      return false;
    }
  }
  return true;
}

std::unique_ptr<CDownLoadElement> CDownLoadElement::Clone() const {
  return std::make_unique<CDownLoadElement>(*this);
}

}  // namespace trqx
