#pragma once

#include <string>
#include <vector>

#include "foundation/field_format.h"

namespace trqx {

// One field of the field format as a table row: {"QTY", 12, kTypeDataAmount} is an upload
// field; download rows name their category.
struct FieldDef {
  std::string name;
  int width = 0;
  int type = 0;
  int category = kCategoryUpload;
};

// The fields the rows describe, in their order.
std::vector<OstraneField> Fields(const std::vector<FieldDef>& defs);

// A field format of exactly these fields, in their order.
FieldFormatRegistry FieldsOf(const std::vector<FieldDef>& defs);

}  // namespace trqx
