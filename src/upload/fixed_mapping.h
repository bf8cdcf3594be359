#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "upload/field_map.h"
#include "upload/mapping.h"

namespace trqx {

// A mapping of a fixed-field text desk file, Format 2 ("CFixedMapping": the "CMapping"
// object, "StartLine", one "CFieldFixedMap" per field).
class CFixedMapping : public CMapping {
 public:
  static constexpr const char* kClassName = "CFixedMapping";

  // One default field mapping per field of fields, in order: a new mapping gets the field
  // format's upload fields; a mapping to be loaded gets none (Load fills them).
  explicit CFixedMapping(bool convertDots, const std::vector<OstraneField>& fields = {});

  void Save(TokenList& tokens) const override;
  // On failure the field mappings read so far remain; the caller discards the mapping.
  bool Load(const TokenList& tokens, std::size_t& pos) override;
  std::unique_ptr<CMapping> Clone() const override;
  void ReconcileFields(const std::vector<OstraneField>& fields) override;
  std::size_t FieldCount() const override { return m_fields.size(); }

  // Reads the whole desk file into lines (any byte sequence is valid) and writes the upload
  // file: header, one record per accepted line from StartLine, the closing line; then the
  // cache file. Blanks padded onto a line stay for the rest of the conversion. Fails
  // without reading for a Format other than 2.
  ConvertResult Convert(const ConvertRequest& request, std::string& currentBasketId) override;

  int m_startLine = 0;  // 0-based index of the first converted line
  std::vector<CFieldFixedMap> m_fields;
};

}  // namespace trqx
