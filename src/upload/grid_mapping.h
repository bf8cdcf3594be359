#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "upload/field_map.h"
#include "upload/mapping.h"

namespace trqx {

// A mapping of a comma-separated (Format 0) or tab-separated (Format 1) desk file
// ("CGridMapping": the "CMapping" object, "StartRow", one "CFieldGridMap" per field).
class CGridMapping : public CMapping {
 public:
  static constexpr const char* kClassName = "CGridMapping";

  // One default field mapping per field of fields, in order: a new mapping gets the field
  // format's upload fields; a mapping to be loaded gets none (Load fills them).
  CGridMapping(int format, bool convertDots, const std::vector<OstraneField>& fields = {});

  void Save(TokenList& tokens) const override;
  // On failure the field mappings read so far remain; the caller discards the mapping.
  bool Load(const TokenList& tokens, std::size_t& pos) override;
  std::unique_ptr<CMapping> Clone() const override;
  void ReconcileFields(const std::vector<OstraneField>& fields) override;
  std::size_t FieldCount() const override { return m_fields.size(); }

  // Reads the whole desk file into one buffer, splits it into rows of cells in place and
  // writes the upload file: header, one record per accepted row from StartRow, the closing
  // line; then the cache file. Fails without reading for a Format other than 0 or 1.
  ConvertResult Convert(const ConvertRequest& request, std::string& currentBasketId) override;

  int m_startRow = 0;  // 0-based index of the first converted row
  std::vector<CFieldGridMap> m_fields;
};

}  // namespace trqx
