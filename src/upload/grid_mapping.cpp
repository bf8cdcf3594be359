#include "upload/grid_mapping.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "foundation/csv_line_reader.h"
#include "foundation/field_format.h"
#include "foundation/text.h"
#include "upload/conversion.h"
#include "upload/desk_source.h"
#include "upload/field_pipeline.h"

namespace trqx {

namespace {

constexpr std::string_view kDefaultTimeInForce = "DAY";

// A grid mapping's view of its desk file, read row by row.
class GridSource : public ConversionSource {
 public:
  explicit GridSource(CGridMapping& mapping)
      : m_mapping(mapping),
        m_splitter(mapping.m_format == kFormatTab ? '\t' : ','),
        m_keep(RowsAddressed(mapping.m_fields, &CFieldGridMap::m_tableRow)),
        m_limitField(FirstOfType(mapping.m_fields, kTypeDataLimit)) {}

  ConvertFailure Prepare(LockedFile& desk, CFileError& error) override {
    m_reader.emplace(desk);
    while (m_kept.RowCount() < m_keep) {
      const ConvertFailure read = ReadRow(error);
      if (read != ConvertFailure::kNone || m_atEnd) {
        return read;
      }
    }
    return ConvertFailure::kNone;
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
    std::string value(TrimBlanks(m_kept.Cell(field.m_tableRow, field.m_tableCol)));
    if (value.empty() && !field.m_default.empty()) {
      value = field.m_default;
    }
    return value;
  }

  ConvertFailure ConvertRows(CUploadWriter& out, ConversionState& state, ConvertResult& result,
                             CFileError& error) override {
    RowState row;
    std::string value;
    const std::size_t firstRow =
        m_mapping.m_startRow < 0 ? 0 : static_cast<std::size_t>(m_mapping.m_startRow);
    bool converting = true;
    for (std::size_t r = 0;; ++r) {
      if (r >= m_rowsRead) {
        const ConvertFailure read = ReadRow(error);
        if (read != ConvertFailure::kNone) {
          return read;
        }
        if (m_atEnd) {
          return ConvertFailure::kNone;
        }
      }
      // Rows before the first one and after the conversion stopped are still read: a bad
      // record anywhere fails the file.
      if (!converting || r < firstRow) {
        continue;
      }
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
            value = TrimBlanks(m_kept.Cell(field.m_tableRow, field.m_tableCol));
            break;
          case kMapColumn:
            row.m_hasColumnField = true;
            value = TrimBlanks(Cell(r, field.m_fixedCol));
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
      converting = FinishRow(row, out, state, result) != RowEnd::kStop;
    }
  }

 private:
  // Reads the next row into the kept rows or as the current row; sets m_atEnd instead at
  // the end of the file.
  ConvertFailure ReadRow(CFileError& error) {
    CsvLineStatus split = CsvLineStatus::kNoRecord;
    switch (m_reader->Next(error)) {
      case DeskLineReader::Status::kLine:
        split = m_splitter.Split(m_reader->Begin(), m_reader->End(), true);
        break;
      case DeskLineReader::Status::kLastLine:
        split = m_splitter.Split(m_reader->Begin(), m_reader->End(), false);
        break;
      case DeskLineReader::Status::kEnd:
        break;
      case DeskLineReader::Status::kError:
        return ConvertFailure::kFileError;
    }
    if (split == CsvLineStatus::kBadRecord) {
      return ConvertFailure::kBadRecord;
    }
    if (split == CsvLineStatus::kNoRecord) {
      m_atEnd = true;
      return ConvertFailure::kNone;
    }
    if (m_rowsRead < m_keep) {
      m_kept.Append(m_splitter.Cells());
    }
    ++m_rowsRead;
    return ConvertFailure::kNone;
  }

  // A cell of row r, which is kept or is the row read last.
  std::string_view Cell(std::size_t r, long long column) const {
    if (r < m_kept.RowCount()) {
      return m_kept.Cell(static_cast<long long>(r), column);
    }
    const std::vector<std::string_view>& cells = m_splitter.Cells();
    return column >= 0 && static_cast<unsigned long long>(column) < cells.size()
               ? cells[static_cast<std::size_t>(column)]
               : std::string_view();
  }

  // The Limit field's raw value in row r, by its own MapType; nullopt when there is none.
  std::optional<std::string_view> LimitRaw(std::size_t r) const {
    if (m_limitField == m_mapping.m_fields.size()) {
      return std::nullopt;
    }
    const CFieldGridMap& limit = m_mapping.m_fields[m_limitField];
    switch (limit.m_mapType) {
      case kMapConstant:
        return limit.m_constant;
      case kMapCell:
        return m_kept.Cell(limit.m_tableRow, limit.m_tableCol);
      case kMapColumn:
        return Cell(r, limit.m_fixedCol);
      default:
        return std::nullopt;
    }
  }

  CGridMapping& m_mapping;
  std::optional<DeskLineReader> m_reader;
  CsvRecordSplitter m_splitter;
  const std::size_t m_keep;
  DeskGridRows m_kept;
  std::size_t m_rowsRead = 0;
  bool m_atEnd = false;
  const std::size_t m_limitField;  // m_fields.size() when there is none
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
