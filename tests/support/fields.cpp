#include "support/fields.h"

namespace trqx {

std::vector<OstraneField> Fields(const std::vector<FieldDef>& defs) {
  std::vector<OstraneField> fields;
  for (const FieldDef& def : defs) {
    OstraneField& field = fields.emplace_back();
    field.m_name = def.name;
    field.m_width = def.width;
    field.m_type = def.type;
    field.m_category = def.category;
  }
  return fields;
}

void UseFields(const std::vector<FieldDef>& defs) {
  TheFieldFormat().Clear();
  for (const OstraneField& field : Fields(defs)) {
    TheFieldFormat().Add(field);
  }
}

}  // namespace trqx
