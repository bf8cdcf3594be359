#include "upload/field_map.h"

namespace trqx {

namespace {

// The writers' order.
constexpr ArchiveMember<FieldMap> kFieldMapMembers[] = {
    Member<&FieldMap::m_field>(),
    Member<&FieldMap::m_justify>("Justify"),
    Member<&FieldMap::m_notBlank>("NotBlank"),
    Member<&FieldMap::m_numeric>("Numeric"),
    Member<&FieldMap::m_translate>("Translate"),
    Member<&FieldMap::m_abs>("Abs"),
    Member<&FieldMap::m_mkUpper>("MkUpper"),
    Member<&FieldMap::m_default>("Default"),
    Member<&FieldMap::m_makeMktOrLmt>("MakeMKTOrLMT"),
    Member<&FieldMap::m_missingChecksum>("MissingChecksum"),
    Member<&FieldMap::m_x1000>("x1000"),
    Member<&FieldMap::m_translations>(),
};

constexpr ArchiveMember<CFieldGridMap> kGridMapMembers[] = {
    BaseMember<FieldMap, CFieldGridMap>(),          Member<&CFieldGridMap::m_fixedCol>("Fixed Col"),
    Member<&CFieldGridMap::m_tableRow>("TableRow"), Member<&CFieldGridMap::m_tableCol>("TableCol"),
    Member<&CFieldGridMap::m_mapType>("MapType"),   Member<&CFieldGridMap::m_constant>("Constant"),
};

constexpr ArchiveMember<CFieldFixedMap> kFixedMapMembers[] = {
    BaseMember<FieldMap, CFieldFixedMap>(),
    Member<&CFieldFixedMap::m_fixedLineOffset>("FixedLineOffset"),
    Member<&CFieldFixedMap::m_lineOffset>("LineOffset"),
    Member<&CFieldFixedMap::m_line>("Line"),
    Member<&CFieldFixedMap::m_mapType>("MapType"),
    Member<&CFieldFixedMap::m_length>("Length"),
    Member<&CFieldFixedMap::m_constant>("Constant"),
};

// 1, 2 and 3 are kept; anything else is a constant.
int NormalisedMapType(int mapType) {
  return mapType == kMapCell || mapType == kMapColumn || mapType == kMapAutoOrderType
             ? mapType
             : kMapConstant;
}

}  // namespace

void FieldMap::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kFieldMapMembers);
}

bool FieldMap::Load(const TokenList& tokens, std::size_t& pos) {
  m_translations.clear();
  const bool ok = LoadObject(tokens, pos, kClassName, *this, kFieldMapMembers);
  return ok && (m_justify == kJustifyRight || m_justify == kJustifyLeft);
}

void CFieldGridMap::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kGridMapMembers);
}

bool CFieldGridMap::Load(const TokenList& tokens, std::size_t& pos) {
  const bool ok = LoadObject(tokens, pos, kClassName, *this, kGridMapMembers);
  m_mapType = NormalisedMapType(m_mapType);
  return ok;
}

void CFieldFixedMap::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kFixedMapMembers);
}

bool CFieldFixedMap::Load(const TokenList& tokens, std::size_t& pos) {
  const bool ok = LoadObject(tokens, pos, kClassName, *this, kFixedMapMembers);
  m_mapType = NormalisedMapType(m_mapType);
  return ok;
}

}  // namespace trqx
