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

FieldFormatRegistry FieldsOf(const std::vector<FieldDef>& defs) {
  FieldFormatRegistry format;
  for (const OstraneField& field : Fields(defs)) {
    format.Add(field);
  }
  return format;
}

}  // namespace trqx
