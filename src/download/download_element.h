#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/field_format.h"

namespace trqx {

// One value placed into a report: once per basket (Type 0) or once per order row (Type 1).
class CDownLoadElement : public CArchivable {
 public:
  static constexpr const char* kClassName = "CDownLoadElement";

  enum ElementType : int { kTypeCell = 0, kTypeColumn = 1 };
  enum MapType : int { kMapConstant = 0, kMapField = 1, kMapExecutionCount = 2 };
  enum Justify : int { kJustifyLeft = 0, kJustifyRight = 1 };

  // Placement limits: a mapping file is outside data, and a position or width beyond these
  // would make a single cell or line grow without bound. Excel's own grid limits.
  static constexpr int kMaxXPos = 16383;
  static constexpr int kMaxYPos = 1048575;
  static constexpr int kMaxLength = 65535;

  CDownLoadElement();

  // Appends "CDownLoadElement", 14 + translations, the 13 scalar entries, the field copy and
  // each translation.
  void Save(TokenList& tokens) const override;
  // Reads one element at pos. Fails on a bad structure, an enumeration outside its values, a
  // position or Length outside 0 to its limit, or (FieldIndex above 0) a FieldIndex that is
  // not below downloadFields.size() or whose field there differs from the stored field copy.
  bool Load(const TokenList& tokens, std::size_t& pos,
            const std::vector<OstraneField>& downloadFields);
  std::unique_ptr<CDownLoadElement> Clone() const;

  int m_type = kTypeCell;
  int m_xPos = 0;
  int m_yPos = 0;
  int m_mapType = kMapConstant;
  OstraneField m_field;  // copy of the download field taken when the element was mapped
  int m_fieldIndex = -1;
  int m_length = 1;
  bool m_useLength = true;
  std::string m_name;
  int m_justify = kJustifyLeft;
  std::vector<CTranslation> m_translations;
  std::string m_constant;
  bool m_isQuoted = false;
  bool m_cond1 = false;
  bool m_cond2 = false;
};

// Whether two field definitions agree in Name, Width, Type and Category.
bool SameField(const OstraneField& a, const OstraneField& b);

}  // namespace trqx
