#include "upload/fixed_mapping.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "foundation/field_format.h"
#include "foundation/text.h"
#include "upload/conversion.h"
#include "upload/desk_source.h"
#include "upload/field_pipeline.h"

namespace trqx {

namespace {

constexpr std::string_view kDefaultTimeInForce = "DAY";
// A line is padded with at most this many blanks beyond its length when it is reached.
constexpr std::size_t kFillAllowance = 25;

std::size_t DefaultLength(const CFieldFixedMap& field) {
  return field.m_length < 0 ? 0 : static_cast<std::size_t>(field.m_length);
}

// A fixed mapping's view of its desk file, read line by line.
class FixedSource : public ConversionSource {
 public:
  explicit FixedSource(CFixedMapping& mapping)
      : m_mapping(mapping),
        m_keep(RowsAddressed(mapping.m_fields, &CFieldFixedMap::m_line)),
        m_lines(m_keep),
        m_limitField(FirstOfType(mapping.m_fields, kTypeDataLimit)) {}

  ConvertFailure Prepare(LockedFile& desk, CFileError& error) override {
    m_reader.emplace(desk);
    while (m_lines.Count() < m_keep) {
      const ConvertFailure read = ReadLine(error);
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
    const CFieldFixedMap& field = m_mapping.m_fields[index];
    std::string value;
    m_lines.Extract(field.m_line, field.m_lineOffset, field.m_length, value);
    TrimBlanksInPlace(value);
    if (value.empty() && !field.m_default.empty()) {
      value.assign(field.m_default, 0, DefaultLength(field));
    }
    return value;
  }

  ConvertFailure ConvertRows(CUploadWriter& out, ConversionState& state, ConvertResult& result,
                             CFileError& error) override {
    RowState row;
    std::string value;
    const std::size_t firstLine =
        m_mapping.m_startLine < 0 ? 0 : static_cast<std::size_t>(m_mapping.m_startLine);
    for (std::size_t r = 0;; ++r) {
      if (r >= m_lines.Count()) {
        const ConvertFailure read = ReadLine(error);
        if (read != ConvertFailure::kNone || m_atEnd) {
          return read;
        }
      }
      if (r < firstLine) {
        continue;
      }
      row.Reset();
      const auto line = static_cast<long long>(r);
      const std::size_t fillLimit = m_lines.Length(line) + kFillAllowance;
      for (std::size_t i = 0; i < m_mapping.m_fields.size(); ++i) {
        const CFieldFixedMap& field = m_mapping.m_fields[i];
        const long long reach = static_cast<long long>(field.m_fixedLineOffset) + field.m_length;
        if (reach > 0) {
          m_lines.PadTo(line, std::min(static_cast<std::size_t>(reach), fillLimit));
        }
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
          case kMapCell:
            m_lines.Extract(field.m_line, field.m_lineOffset, field.m_length, value);
            break;
          case kMapColumn:
            row.m_hasColumnField = true;
            m_lines.Extract(line, field.m_fixedLineOffset, field.m_length, value);
            break;
          default:
            if (type == kTypeDataOrderType) {
              std::string limit;
              value = AutoOrderType(LimitRaw(line, limit));
              PlaceFieldValue(field, value, state, row);
              continue;
            }
            value.clear();
            break;
        }
        RunFieldPipeline(field, i, field.m_mapType, value, DefaultLength(field), state, row);
      }
      if (FinishRow(row, out, state, result) == RowEnd::kStop) {
        return ConvertFailure::kNone;
      }
    }
  }

 private:
  // Takes the next line, its carriage returns dropped; sets m_atEnd instead at the end of
  // the file. A last line without a line feed counts when something is left of it.
  ConvertFailure ReadLine(CFileError& error) {
    const DeskLineReader::Status status = m_reader->Next(error);
    if (status == DeskLineReader::Status::kError) {
      return ConvertFailure::kFileError;
    }
    char* const begin = m_reader->Begin();
    char* const end = status == DeskLineReader::Status::kEnd
                          ? begin
                          : DropCarriageReturns(begin, m_reader->End());
    if (status != DeskLineReader::Status::kLine && end == begin) {
      m_atEnd = true;
      return ConvertFailure::kNone;
    }
    m_lines.Advance(std::string_view(begin, static_cast<std::size_t>(end - begin)));
    return ConvertFailure::kNone;
  }

  // The Limit field's raw value for line r, by its own MapType, taken only when its whole
  // range lies inside the line; nullopt otherwise.
  std::optional<std::string_view> LimitRaw(long long r, std::string& text) const {
    if (m_limitField == m_mapping.m_fields.size()) {
      return std::nullopt;
    }
    const CFieldFixedMap& limit = m_mapping.m_fields[m_limitField];
    long long line = r;
    long long offset = limit.m_fixedLineOffset;
    switch (limit.m_mapType) {
      case kMapConstant:
        return limit.m_constant;
      case kMapCell:
        line = limit.m_line;
        offset = limit.m_lineOffset;
        break;
      case kMapColumn:
        break;
      default:
        return std::nullopt;
    }
    const long long length = static_cast<long long>(m_lines.Length(line));
    if (!m_lines.Reachable(line) || offset < 0 || limit.m_length < 0 ||
        offset + limit.m_length > length) {
      return std::nullopt;
    }
    m_lines.Extract(line, offset, limit.m_length, text);
    return text;
  }

  CFixedMapping& m_mapping;
  std::optional<DeskLineReader> m_reader;
  const std::size_t m_keep;
  DeskLines m_lines;
  bool m_atEnd = false;
  const std::size_t m_limitField;  // m_fields.size() when there is none
};

}  // namespace

CFixedMapping::CFixedMapping(bool convertDots, const std::vector<OstraneField>& fields)
    : CMapping(kFormatFixed, convertDots) {
  ReconcileFields(fields);
}

void CFixedMapping::Save(TokenList& tokens) const {
  SaveWithFields(tokens, kClassName, "StartLine", m_startLine, m_fields);
}

bool CFixedMapping::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadWithFields(tokens, pos, kClassName, "StartLine", m_startLine, m_fields);
}

std::unique_ptr<CMapping> CFixedMapping::Clone() const {
  return std::make_unique<CFixedMapping>(*this);
}

void CFixedMapping::ReconcileFields(const std::vector<OstraneField>& fields) {
  AppendMissingFields(m_fields, fields);
}

ConvertResult CFixedMapping::Convert(const ConvertRequest& request, std::string& currentBasketId) {
  FixedSource source(*this);
  return RunConversion(request, currentBasketId, m_format == kFormatFixed, m_convertDots, source);
}

}  // namespace trqx
