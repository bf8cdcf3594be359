#pragma once

#include <cstddef>
#include <string>

#include "upload/field_map.h"
#include "upload/field_pipeline.h"
#include "upload/mapping.h"
#include "upload/upload_writer.h"

namespace trqx {

// What the shared conversion steps need of a mapping kind and its parsed desk file.
class ConversionSource {
 public:
  virtual ~ConversionSource() = default;

  // Parses the desk file's bytes; kNone on success, else the failure to report.
  virtual ConvertFailure Prepare(std::string bytes) = 0;

  virtual std::size_t FieldCount() const = 0;
  virtual const FieldMap& Field(std::size_t index) const = 0;
  virtual int MapTypeOf(std::size_t index) const = 0;
  virtual const std::string& ConstantOf(std::size_t index) const = 0;
  virtual void SetConstant(std::size_t index, const std::string& value) = 0;
  // The value of a MapType 1 field for its header line: the cell (or file position) trimmed,
  // or the field's Default (cut as the kind cuts it) when that is empty.
  virtual std::string SourceHeaderValue(std::size_t index) const = 0;

  // Writes the data records from the first row on, through the field pipeline.
  virtual void ConvertRows(CUploadWriter& out, ConversionState& state, ConvertResult& result) = 0;
};

// Writes the envelope, the UUID line, the header lines (with automatic basket numbering),
// the administrator line, the data records (source.ConvertRows) and "END-OF-FILE". The
// first field mapping of Type 3, 5 and 11 is the UUID, Delimiter and Basket ID field; only
// it is numbered. Fills result's basket value, delimiter and cacheable header values,
// state's delimiter, and cacheBasket/cacheSuffix with the text that names the cache file.
void WriteUploadHeader(CUploadWriter& out, ConversionSource& source, const ConvertRequest& request,
                       std::string& currentBasketId, ConversionState& state, ConvertResult& result,
                       std::string& cacheBasket, std::string& cacheSuffix);

// The steps every conversion shares: open the desk file (writers locked out), create the
// upload file, fail with kBadFormat when formatOk is false, read the desk file whole, let
// the source parse it, write the upload file, then the cache file when cacheable values
// were collected. Never throws: running out of memory reports kTooLarge.
ConvertResult RunConversion(const ConvertRequest& request, std::string& currentBasketId,
                            bool formatOk, bool convertDots, ConversionSource& source);

}  // namespace trqx
