#include "upload/grid_mapping.h"

#include <optional>
#include <string_view>

#include "foundation/field_format.h"
#include "foundation/text.h"
#include "upload/conversion.h"
#include "upload/desk_source.h"
#include "upload/field_pipeline.h"

namespace trqx {

namespace {

constexpr std::size_t kNoField = static_cast<std::size_t>(-1);
constexpr std::string_view kDefaultTimeInForce = "DAY";

// A grid mapping's view of its desk file.
class GridSource : public ConversionSource {
 public:
  explicit GridSource(CGridMapping& mapping) : m_mapping(mapping) {
    for (std::size_t i = 0; i < m_mapping.m_fields.size(); ++i) {
      if (m_mapping.m_fields[i].m_field.m_type == kTypeDataLimit) {
        m_limitField = i;
        break;
      }
    }
  }

  ConvertFailure Prepare(std::string bytes) override {
    const char separator = m_mapping.m_format == kFormatTab ? '\t' : ',';
    return m_grid.Build(std::move(bytes), separator) ? ConvertFailure::kNone
                                                     : ConvertFailure::kBadRecord;
  }

  std::size_t FieldCount() const override { return m_mapping.m_fields.size(); }
  const FieldMap& Field(std::size_t index) const override { return m_mapping.m_fields[index]; }
  int MapTypeOf(std::size_t index) const override { return m_mapping.m_fields[index].m_mapType; }
  const std::string& ConstantOf(std::size_t index) const override {
    return m_mapping.m_fields[index].m_constant;
  }
  void SetConstant(std::size_t index, const std::string& value) override {
    m_mapping.m_fields[index].m_constant = value;
  }

  std::string SourceHeaderValue(std::size_t index) const override {
    const CFieldGridMap& field = m_mapping.m_fields[index];
    std::string value(TrimBlanks(m_grid.Cell(field.m_tableRow, field.m_tableCol)));
    if (value.empty() && !field.m_default.empty()) {
      value = field.m_default;
    }
    return value;
  }

  void ConvertRows(CUploadWriter& out, ConversionState& state, ConvertResult& result) override {
    RowState row;
    std::string value;
    const std::size_t firstRow =
        m_mapping.m_startRow < 0 ? 0 : static_cast<std::size_t>(m_mapping.m_startRow);
    for (std::size_t r = firstRow; r < m_grid.RowCount(); ++r) {
      row.Reset();
      for (std::size_t i = 0; i < m_mapping.m_fields.size(); ++i) {
        const CFieldGridMap& field = m_mapping.m_fields[i];
        const int type = field.m_field.m_type;
        if (!IsDataType(type)) {
          continue;
        }
        switch (field.m_mapType) {
          case kMapConstant:
            value = field.m_constant;
            if (type == kTypeDataTif && value.empty()) {
              value = kDefaultTimeInForce;
            }
            break;
          // Trimming before the copy gives the pipeline's result: its steps before the
          // trim (the ticker's dots) touch no blanks.
          case kMapCell:
            value = TrimBlanks(m_grid.Cell(field.m_tableRow, field.m_tableCol));
            break;
          case kMapColumn:
            row.m_hasColumnField = true;
            value = TrimBlanks(m_grid.Cell(static_cast<long long>(r), field.m_fixedCol));
            break;
          default:
            if (type == kTypeDataOrderType) {
              value = AutoOrderType(LimitRaw(r));
              PlaceFieldValue(field, value, state, row);
              continue;
            }
            value.clear();
            break;
        }
        RunFieldPipeline(field, i, field.m_mapType, value, std::string::npos, state, row);
      }
      if (FinishRow(row, out, result) == RowEnd::kStop) {
        break;
      }
    }
  }

 private:
  // The Limit field's raw value in row r, by its own MapType; nullopt when there is none.
  std::optional<std::string_view> LimitRaw(std::size_t r) const {
    if (m_limitField == kNoField) {
      return std::nullopt;
    }
    const CFieldGridMap& limit = m_mapping.m_fields[m_limitField];
    switch (limit.m_mapType) {
      case kMapConstant:
        return limit.m_constant;
      case kMapCell:
        return m_grid.Cell(limit.m_tableRow, limit.m_tableCol);
      case kMapColumn:
        return m_grid.Cell(static_cast<long long>(r), limit.m_fixedCol);
      default:
        return std::nullopt;
    }
  }

  CGridMapping& m_mapping;
  DeskGrid m_grid;
  std::size_t m_limitField = kNoField;
};

}  // namespace

CGridMapping::CGridMapping(int format, bool convertDots, const std::vector<OstraneField>& fields)
    : CMapping(format, convertDots) {
  ReconcileFields(fields);
}

void CGridMapping::Save(TokenList& tokens) const {
  SaveWithFields(tokens, kClassName, "StartRow", m_startRow, m_fields);
}

bool CGridMapping::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadWithFields(tokens, pos, kClassName, "StartRow", m_startRow, m_fields);
}

std::unique_ptr<CMapping> CGridMapping::Clone() const {
  return std::make_unique<CGridMapping>(*this);
}

void CGridMapping::ReconcileFields(const std::vector<OstraneField>& fields) {
  AppendMissingFields(m_fields, fields);
}

ConvertResult CGridMapping::Convert(const ConvertRequest& request, std::string& currentBasketId) {
  GridSource source(*this);
  const bool formatOk = m_format == kFormatComma || m_format == kFormatTab;
  return RunConversion(request, currentBasketId, formatOk, m_convertDots, source);
}

}  // namespace trqx
