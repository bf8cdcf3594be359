#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "foundation/file_error.h"
#include "foundation/locked_file.h"
#include "upload/field_map.h"
#include "upload/field_pipeline.h"
#include "upload/mapping.h"
#include "upload/upload_writer.h"

namespace trqx {

// What the shared conversion steps need of a mapping kind and its parsed desk file.
class ConversionSource {
 public:
  virtual ~ConversionSource() = default;

  // Starts reading the desk file and takes in the rows the mapping addresses by number;
  // kNone on success, else the failure to report (error filled for kFileError).
  virtual ConvertFailure Prepare(LockedFile& desk, CFileError& error) = 0;

  virtual std::size_t FieldCount() const = 0;
  virtual const FieldMap& Field(std::size_t index) const = 0;
  virtual int MapTypeOf(std::size_t index) const = 0;
  virtual const std::string& ConstantOf(std::size_t index) const = 0;
  virtual void SetConstant(std::size_t index, const std::string& value) = 0;
  // The value of a MapType 1 field for its header line: the cell (or file position) trimmed,
  // or the field's Default (cut as the kind cuts it) when that is empty.
  virtual std::string SourceHeaderValue(std::size_t index) const = 0;

  // Reads the rest of the desk file and writes the data records from the first row on,
  // through the field pipeline; a bad record or a failed read anywhere fails it.
  virtual ConvertFailure ConvertRows(CUploadWriter& out, ConversionState& state,
                                     ConvertResult& result, CFileError& error) = 0;
};

// How many first rows (or lines) a conversion keeps: every one that a field of MapType 1
// addresses by number (row is the member that holds the number).
template <class FieldMapT>
std::size_t RowsAddressed(const std::vector<FieldMapT>& fields, int FieldMapT::*row) {
  std::size_t keep = 0;
  for (const FieldMapT& field : fields) {
    if (field.m_mapType == kMapCell && field.*row >= 0) {
      keep = std::max(keep, static_cast<std::size_t>(field.*row) + 1);
    }
  }
  return keep;
}

// The index of the first field of the type; fields.size() when there is none.
template <class FieldMapT>
std::size_t FirstOfType(const std::vector<FieldMapT>& fields, int type) {
  std::size_t i = 0;
  while (i < fields.size() && fields[i].m_field.m_type != type) {
    ++i;
  }
  return i;
}

// The steps every conversion shares: open the desk file (writers locked out), create the
// upload file, fail with kBadFormat when formatOk is false, let the source take in the rows
// it keeps, write the envelope, the UUID, header and administrator lines, the data records
// as the source reads them and "END-OF-FILE", then the cache file when cacheable values were
// collected. A conversion that fails leaves the upload file empty and currentBasketId and the
// mapping as they were. Never throws: running out of memory reports kTooLarge.
ConvertResult RunConversion(const ConvertRequest& request, std::string& currentBasketId,
                            bool formatOk, bool convertDots, ConversionSource& source);

}  // namespace trqx
