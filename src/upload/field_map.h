#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/field_format.h"

namespace trqx {

// Where a field mapping takes its value from.
enum MapType : int {
  kMapConstant = 0,
  kMapCell = 1,           // grid: one cell; fixed: a position in the file ("Map To File Position")
  kMapColumn = 2,         // grid: a column of each row; fixed: a position in each line
  kMapAutoOrderType = 3,  // "MKT" or "LMT" from the Limit field (Order Type fields only)
};

// Justify: which end of a value longer than the field's Width survives.
enum Justify : int {
  kJustifyRight = 0,  // keeps the last Width characters
  kJustifyLeft = 1,   // keeps the first Width characters
};

// The options common to both kinds of field mapping ("FieldMap", 11 entries plus one per
// translation). Holds its own copy of the field definition as it was saved.
class FieldMap : public CArchivable {
 public:
  static constexpr const char* kClassName = "FieldMap";

  FieldMap() = default;
  // A field mapping of the given field with every option at its default.
  explicit FieldMap(const OstraneField& field) : m_field(field) {}

  void Save(TokenList& tokens) const override;
  // Reads one "FieldMap" object at pos. Fails on a bad structure, a Justify other than 0 or
  // 1, or a field definition or translation that fails to load; on failure the members may
  // be partly read and pos is unspecified.
  bool Load(const TokenList& tokens, std::size_t& pos);

  OstraneField m_field;
  int m_justify = kJustifyRight;
  bool m_notBlank = false;
  bool m_numeric = false;
  bool m_translate = false;  // Side/Exchange: number -> "B", "S" or blank
  bool m_abs = false;        // Amount/Exec Quantity: leading sign becomes a blank
  bool m_mkUpper = false;
  std::string m_default;
  std::vector<CTranslation> m_translations;
  bool m_makeMktOrLmt = false;     // kept for the editor; conversion goes by MapType
  bool m_missingChecksum = false;  // CUSIP: append "1" to a short C or S code
  bool m_x1000 = false;
};

// A field mapping of a comma- or tab-separated source ("CFieldGridMap", 6 entries).
class CFieldGridMap : public FieldMap {
 public:
  static constexpr const char* kClassName = "CFieldGridMap";

  CFieldGridMap() = default;
  explicit CFieldGridMap(const OstraneField& field) : FieldMap(field) {}

  void Save(TokenList& tokens) const override;
  // Reads one "CFieldGridMap" object at pos; a MapType other than 1, 2 or 3 becomes 0.
  // Fails as FieldMap::Load does.
  bool Load(const TokenList& tokens, std::size_t& pos);

  int m_fixedCol = 0;  // 0-based column of the current row (MapType 2)
  int m_tableRow = 0;  // 0-based row of one cell (MapType 1)
  int m_tableCol = 0;  // 0-based column of that cell (MapType 1)
  int m_mapType = kMapConstant;
  std::string m_constant;
};

// A field mapping of a fixed-field text source ("CFieldFixedMap", 7 entries).
class CFieldFixedMap : public FieldMap {
 public:
  static constexpr const char* kClassName = "CFieldFixedMap";

  CFieldFixedMap() = default;
  explicit CFieldFixedMap(const OstraneField& field) : FieldMap(field) {}

  void Save(TokenList& tokens) const override;
  // Reads one "CFieldFixedMap" object at pos; a MapType other than 1, 2 or 3 becomes 0.
  // Fails as FieldMap::Load does.
  bool Load(const TokenList& tokens, std::size_t& pos);

  int m_fixedLineOffset = 0;  // offset within each record line (MapType 2)
  int m_lineOffset = 0;       // offset within line m_line (MapType 1)
  int m_line = 0;             // 0-based line of the file (MapType 1)
  int m_mapType = kMapConstant;
  int m_length = 1;  // characters taken
  std::string m_constant;
};

}  // namespace trqx
