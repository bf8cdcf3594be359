#include "download/download_mapping.h"

#include <fcntl.h>

#include <algorithm>

#include "download/download_fields.h"
#include "foundation/cache_file.h"
#include "foundation/locked_file.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "upload/text_rules.h"

namespace trqx {

namespace {

// Where each field of the list lands: its place among the header values (Type 12 fields) and
// among the data values (all other fields).
struct PositionMaps {
  std::vector<std::size_t> m_header;
  std::vector<std::size_t> m_data;
  std::size_t m_headerCount = 0;
  std::size_t m_dataCount = 0;
};

PositionMaps BuildPositionMaps(const std::vector<OstraneField>& fields) {
  PositionMaps maps;
  maps.m_header.reserve(fields.size());
  maps.m_data.reserve(fields.size());
  for (const OstraneField& field : fields) {
    maps.m_header.push_back(maps.m_headerCount);
    maps.m_data.push_back(maps.m_dataCount);
    if (field.m_type == kTypeHdrCacheable) {
      ++maps.m_headerCount;
    } else {
      ++maps.m_dataCount;
    }
  }
  return maps;
}

// What one element's value is drawn from while a basket is placed.
struct ValueSource {
  const PositionMaps& m_maps;
  const CDownLoadAssembledRecord& m_header;
  std::span<const CDownLoadAssembledRecord> m_data;
  std::string_view m_executedCount;
};

// The value views the element, the source or the source's count text.
std::string_view ElementValue(const CDownLoadElement& element, const ValueSource& source,
                              std::size_t sourceRow) {
  switch (element.m_mapType) {
    case CDownLoadElement::kMapConstant:
      return TrimRightCSpace(element.m_constant);
    case CDownLoadElement::kMapExecutionCount:
      return source.m_executedCount;
    default:
      break;
  }
  // A FieldIndex of 0 is never checked against the list on load, so any index may arrive here.
  if (element.m_fieldIndex < 0 ||
      static_cast<std::size_t>(element.m_fieldIndex) >= source.m_maps.m_header.size()) {
    return {};
  }
  const auto index = static_cast<std::size_t>(element.m_fieldIndex);
  std::string_view raw;
  if (element.m_field.m_type == kTypeHdrCacheable) {
    raw = source.m_header.Get(source.m_maps.m_header[index]);
  } else if (sourceRow < source.m_data.size()) {
    raw = source.m_data[sourceRow].Get(source.m_maps.m_data[index]);
  }
  const std::string_view value = TrimCSpace(raw);
  for (const CTranslation& translation : element.m_translations) {
    if (translation.m_input == value) {
      return translation.m_output;
    }
  }
  return value;
}

void AppendQuoted(std::string& out, std::string_view value) {
  out.push_back('"');
  for (char c : value) {
    if (c == '"') {
      out.push_back('"');
    }
    out.push_back(c);
  }
  out.push_back('"');
}

// Cuts value to length characters into out, as ApplyLength does.
void AssignLength(std::string& out, std::string_view value, int length, int justify) {
  const std::size_t width = length > 0 ? static_cast<std::size_t>(length) : 0;
  const std::size_t n = std::min(value.size(), width);
  if (justify == CDownLoadElement::kJustifyRight) {
    out.assign(width - n, ' ');
    out.append(value.substr(value.size() - n));
    return;
  }
  out.assign(value.substr(0, n));
}

bool WriteReportFile(const std::string& path, const std::string& text, bool& fileError,
                     CFileError& error) {
  // Truncated only when it holds bytes: on ext4, truncating even an empty file makes its close
  // start the write-back, which for a new report is pure cost.
  LockedFile file;
  off_t size = 0;
  if (!file.Open(path, O_WRONLY | O_CREAT, FileLock::kExclusive, error) ||
      !file.Size(size, error) || (size > 0 && !file.Truncate(0, error)) ||
      !file.Write(text.data(), text.size(), error) || !file.Close(error)) {
    fileError = true;
    return false;
  }
  return true;
}

// The writer's order; the elements follow these members.
constexpr ArchiveMember<CDownLoadMapping> kMappingMembers[] = {
    Member<&CDownLoadMapping::m_name>("Name"),
    MemberInRange<&CDownLoadMapping::m_formatType, CDownLoadMapping::kFormatComma,
                  CDownLoadMapping::kFormatFixed>("FormatType"),
    Member<&CDownLoadMapping::m_rejectUnexecutedOrders>("RejectUnexecutedOrders"),
};

}  // namespace

bool CDownLoadAssembledRecord::Set(long long index, std::string_view value) {
  if (index < 0 || static_cast<unsigned long long>(index) >= m_values.size()) {
    return false;
  }
  m_values[static_cast<std::size_t>(index)] = value;
  return true;
}

void CDownLoadAssembledRecord::Clear() {
  std::fill(m_values.begin(), m_values.end(), std::string_view{});
}

void OutputGrid::Clear() {
  m_rowCount = 0;
  m_lineCount = 0;
}

namespace {

// Element index of a list whose first inUse elements are in use; the ones up to it come into
// use empty, reusing the room of earlier baskets.
template <class T>
T& TakeInUse(std::vector<T>& list, std::size_t& inUse, std::size_t index) {
  for (; inUse <= index; ++inUse) {
    if (inUse < list.size()) {
      list[inUse].clear();
    } else {
      list.emplace_back();
    }
  }
  return list[index];
}

}  // namespace

std::vector<GridCell>& OutputGrid::Row(std::size_t index) {
  return TakeInUse(m_rows, m_rowCount, index);
}

std::string& OutputGrid::Line(std::size_t index) {
  return TakeInUse(m_lines, m_lineCount, index);
}

std::string_view CDownLoadAssembledRecord::Get(std::size_t index) const {
  return index < m_values.size() ? std::string_view(m_values[index]) : std::string_view{};
}

ExecutedRows MarkExecutedRows(const std::vector<OstraneField>& fields,
                              std::span<const CDownLoadAssembledRecord> data) {
  ExecutedRows rows;
  rows.m_executed.assign(data.size(), false);
  std::size_t position = 0;
  auto filled = fields.begin();
  for (; filled != fields.end() && filled->m_type != kTypeFilledShares; ++filled) {
    if (filled->m_type != kTypeHdrCacheable) {
      ++position;
    }
  }
  if (filled == fields.end()) {
    return rows;
  }
  for (std::size_t row = 0; row < data.size(); ++row) {
    const std::string_view value = TrimCSpace(data[row].Get(position));
    if (!value.empty() && LeadingNumber(value) > 0) {
      rows.m_executed[row] = true;
      ++rows.m_count;
    }
  }
  return rows;
}

std::string ApplyLength(std::string_view value, int length, int justify) {
  std::string out;
  AssignLength(out, value, length, justify);
  return out;
}

void PlaceGridValue(OutputGrid& grid, const CDownLoadElement& element, std::string_view value,
                    std::size_t rowOffset) {
  std::vector<GridCell>& cells = grid.Row(static_cast<std::size_t>(element.m_yPos) + rowOffset);
  const auto column = static_cast<std::size_t>(element.m_xPos);
  if (cells.size() <= column) {
    cells.resize(column + 1, GridCell{{}, true});
  }
  if (element.m_useLength) {
    AssignLength(cells[column].m_value, value, element.m_length, element.m_justify);
  } else {
    cells[column].m_value.assign(value);
  }
  cells[column].m_quoted = element.m_isQuoted;
}

void PlaceFixedValue(OutputGrid& grid, const CDownLoadElement& element, std::string_view value,
                     std::size_t rowOffset) {
  std::string& line = grid.Line(static_cast<std::size_t>(element.m_yPos) + rowOffset);
  const std::string placed = ApplyLength(value, element.m_length, element.m_justify);
  const auto offset = static_cast<std::size_t>(element.m_xPos);
  if (line.size() < offset + placed.size()) {
    line.resize(offset + placed.size() + 1, ' ');
  }
  line.replace(offset, placed.size(), placed);
}

void FormatGridLines(const OutputGrid& grid, char separator, bool quoteSpecials, std::string& out) {
  for (std::size_t row = 0; row < grid.RowCount(); ++row) {
    const std::vector<GridCell>& cells = grid.RowAt(row);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) {
        out.push_back(separator);
      }
      const GridCell& cell = cells[i];
      if (cell.m_quoted ||
          (quoteSpecials && cell.m_value.find_first_of(",\"") != std::string::npos)) {
        AppendQuoted(out, cell.m_value);
      } else {
        out.append(cell.m_value);
      }
    }
    out.append("\r\n");
  }
}

void FormatFixedLines(const OutputGrid& grid, std::string& out) {
  for (std::size_t line = 0; line < grid.LineCount(); ++line) {
    out.append(grid.LineAt(line));
    out.append("\r\n");
  }
}

std::string ReportFileName(std::time_t when, std::string_view basketId) {
  std::tm local{};
  localtime_r(&when, &local);
  char date[16] = {};
  std::strftime(date, sizeof date, "%m-%d-%y", &local);
  std::string name = BasketFileNamePart(basketId);
  name.push_back('.');
  name.append(date);
  name.append(".rpt");
  return name;
}

CDownLoadMapping::CDownLoadMapping(const CDownLoadMapping& other)
    : CArchivable(other),
      m_name(other.m_name),
      m_formatType(other.m_formatType),
      m_rejectUnexecutedOrders(other.m_rejectUnexecutedOrders) {
  m_elements.reserve(other.m_elements.size());
  for (const auto& element : other.m_elements) {
    m_elements.push_back(element->Clone());
  }
}

void CDownLoadMapping::SaveBase(TokenList& tokens) const {
  SaveObject(tokens, CDownLoadMapping::kClassName, *this, kMappingMembers,
             static_cast<int>(m_elements.size()));
  for (const auto& element : m_elements) {
    element->Save(tokens);
  }
}

bool CDownLoadMapping::LoadBase(const TokenList& tokens, std::size_t& pos,
                                const std::vector<OstraneField>& downloadFields) {
  const auto readElement = [&](std::string_view key, std::size_t& at) {
    if (key != CDownLoadElement::kClassName) {
      return MemberRead::kUnknownKey;
    }
    auto element = std::make_unique<CDownLoadElement>();
    if (!element->Load(tokens, at, downloadFields)) {
      return MemberRead::kFailed;
    }
    m_elements.push_back(std::move(element));
    return MemberRead::kLoaded;
  };
  return LoadObject(tokens, pos, CDownLoadMapping::kClassName, *this, kMappingMembers, readElement);
}

bool CDownLoadMapping::Convert(const std::string& downloadDest, std::time_t when,
                               std::string_view basketId, const std::vector<OstraneField>& fields,
                               const CDownLoadAssembledRecord& header,
                               std::span<const CDownLoadAssembledRecord> data, bool& fileError,
                               CFileError& error, std::string& reportPath) const {
  fileError = false;
  const ExecutedRows executed = MarkExecutedRows(fields, data);
  const PositionMaps maps = BuildPositionMaps(fields);
  if (maps.m_headerCount != header.Size() ||
      (!data.empty() && maps.m_dataCount != data.front().Size())) {
    return false;
  }
  const std::string executedCount = std::to_string(executed.m_count);
  const ValueSource source{maps, header, data, executedCount};
  OutputGrid& grid = m_scratch.m_grid;
  grid.Clear();
  for (const auto& element : m_elements) {
    if (element->m_type == CDownLoadElement::kTypeCell) {
      Place(grid, *element, ElementValue(*element, source, 0), 0);
    }
  }
  for (const auto& element : m_elements) {
    if (element->m_type != CDownLoadElement::kTypeColumn) {
      continue;
    }
    std::size_t rowOffset = 0;
    for (std::size_t row = 0; row < data.size(); ++row) {
      if (!m_rejectUnexecutedOrders || executed.m_executed[row]) {
        Place(grid, *element, ElementValue(*element, source, row), rowOffset);
        ++rowOffset;
      }
    }
  }
  reportPath = JoinPath(downloadDest, ReportFileName(when, basketId));
  m_scratch.m_text.clear();
  FormatOutput(grid, m_scratch.m_text);
  return WriteReportFile(reportPath, m_scratch.m_text, fileError, error);
}

void CDownLoadGridMapping::SaveGrid(TokenList& tokens) const {
  WriteObjectHeader(tokens, CDownLoadGridMapping::kClassName, 1);
  SaveBase(tokens);
}

bool CDownLoadGridMapping::LoadGrid(const TokenList& tokens, std::size_t& pos,
                                    const std::vector<OstraneField>& downloadFields) {
  return LoadObject(
      tokens, pos, CDownLoadGridMapping::kClassName, [&](std::string_view key, std::size_t& at) {
        if (key == CDownLoadMapping::kClassName) {
          return LoadBase(tokens, at, downloadFields) ? MemberRead::kLoaded : MemberRead::kFailed;
        }
        return MemberRead::kUnknownKey;
      });
}

void CDownLoadGridMapping::Place(OutputGrid& grid, const CDownLoadElement& element,
                                 std::string_view value, std::size_t rowOffset) const {
  PlaceGridValue(grid, element, value, rowOffset);
}

void CDownLoadCSVMapping::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, 1);
  SaveGrid(tokens);
}

std::unique_ptr<CDownLoadMapping> CDownLoadCSVMapping::Clone() const {
  return std::make_unique<CDownLoadCSVMapping>(*this);
}

void CDownLoadCSVMapping::FormatOutput(const OutputGrid& grid, std::string& out) const {
  FormatGridLines(grid, ',', true, out);
}

bool CDownLoadCSVMapping::Load(const TokenList& tokens, std::size_t& pos,
                               const std::vector<OstraneField>& downloadFields) {
  return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& at) {
    if (key == CDownLoadGridMapping::kClassName) {
      return LoadGrid(tokens, at, downloadFields) ? MemberRead::kLoaded : MemberRead::kFailed;
    }
    return MemberRead::kUnknownKey;
  });
}

void CDownLoadTSVMapping::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, 1);
  SaveGrid(tokens);
}

std::unique_ptr<CDownLoadMapping> CDownLoadTSVMapping::Clone() const {
  return std::make_unique<CDownLoadTSVMapping>(*this);
}

void CDownLoadTSVMapping::FormatOutput(const OutputGrid& grid, std::string& out) const {
  FormatGridLines(grid, '\t', false, out);
}

bool CDownLoadTSVMapping::Load(const TokenList& tokens, std::size_t& pos,
                               const std::vector<OstraneField>& downloadFields) {
  return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& at) {
    if (key == CDownLoadGridMapping::kClassName) {
      return LoadGrid(tokens, at, downloadFields) ? MemberRead::kLoaded : MemberRead::kFailed;
    }
    return MemberRead::kUnknownKey;
  });
}

void CDownLoadFixedMapping::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, 1);
  SaveBase(tokens);
}

std::unique_ptr<CDownLoadMapping> CDownLoadFixedMapping::Clone() const {
  return std::make_unique<CDownLoadFixedMapping>(*this);
}

void CDownLoadFixedMapping::FormatOutput(const OutputGrid& grid, std::string& out) const {
  FormatFixedLines(grid, out);
}

bool CDownLoadFixedMapping::Load(const TokenList& tokens, std::size_t& pos,
                                 const std::vector<OstraneField>& downloadFields) {
  return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& at) {
    if (key == CDownLoadMapping::kClassName) {
      return LoadBase(tokens, at, downloadFields) ? MemberRead::kLoaded : MemberRead::kFailed;
    }
    return MemberRead::kUnknownKey;
  });
}

void CDownLoadFixedMapping::Place(OutputGrid& grid, const CDownLoadElement& element,
                                  std::string_view value, std::size_t rowOffset) const {
  PlaceFixedValue(grid, element, value, rowOffset);
}

std::unique_ptr<CDownLoadMapping> NewDownLoadMapping(std::string_view className) {
  if (className == CDownLoadCSVMapping::kClassName) {
    return std::make_unique<CDownLoadCSVMapping>();
  }
  if (className == CDownLoadTSVMapping::kClassName) {
    return std::make_unique<CDownLoadTSVMapping>();
  }
  if (className == CDownLoadFixedMapping::kClassName) {
    return std::make_unique<CDownLoadFixedMapping>();
  }
  return nullptr;
}

}  // namespace trqx
