#include "download/download_element.h"

#include <string_view>

namespace trqx {

namespace {

using E = CDownLoadElement;

// The writer's order; enumerations, positions and Length are refused outside their range.
constexpr ArchiveMember<E> kElementMembers[] = {
    MemberInRange<&E::m_type, E::kTypeCell, E::kTypeColumn>("Type"),
    MemberInRange<&E::m_xPos, 0, E::kMaxXPos>("XPos"),
    MemberInRange<&E::m_yPos, 0, E::kMaxYPos>("YPos"),
    MemberInRange<&E::m_mapType, E::kMapConstant, E::kMapExecutionCount>("MapType"),
    Member<&E::m_fieldIndex>("FieldIndex"),
    Member<&E::m_name>("Name"),
    MemberInRange<&E::m_length, 0, E::kMaxLength>("Length"),
    Member<&E::m_useLength>("UseLength"),
    MemberInRange<&E::m_justify, E::kJustifyLeft, E::kJustifyRight>("Justify"),
    Member<&E::m_constant>("Constant"),
    Member<&E::m_cond1>("Cond1"),
    Member<&E::m_cond2>("Cond2"),
    Member<&E::m_isQuoted>("IsQuoted"),
    Member<&E::m_field>(),
    Member<&E::m_translations>(),
};

}  // namespace

CDownLoadElement::CDownLoadElement() {
  m_field.m_type = kTypeData;
}

bool SameField(const OstraneField& a, const OstraneField& b) {
  return a.m_name == b.m_name && a.m_width == b.m_width && a.m_type == b.m_type &&
         a.m_category == b.m_category;
}

void CDownLoadElement::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kElementMembers);
}

bool CDownLoadElement::Load(const TokenList& tokens, std::size_t& pos,
                            const std::vector<OstraneField>& downloadFields) {
  if (!LoadObject(tokens, pos, kClassName, *this, kElementMembers)) {
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
