#include "upload/conversion.h"

#include <fcntl.h>

#include <new>
#include <stdexcept>

#include "foundation/archive.h"
#include "foundation/cache_file.h"
#include "foundation/field_format.h"
#include "foundation/locked_file.h"
#include "foundation/text.h"
#include "upload/desk_source.h"
#include "upload/text_rules.h"

namespace trqx {

namespace {

constexpr std::size_t kNoField = static_cast<std::size_t>(-1);
constexpr long long kLastBasketNumber = 999;
constexpr std::string_view kTickerName = "Ticker";

std::size_t FirstFieldOfType(const ConversionSource& source, int type) {
  for (std::size_t i = 0; i < source.FieldCount(); ++i) {
    if (source.Field(i).m_field.m_type == type) {
      return i;
    }
  }
  return kNoField;
}

// The header value of a field: its Constant, or its source value, or nothing; trimmed and
// cut to the field's Width.
std::string HeaderValue(const ConversionSource& source, std::size_t index) {
  if (index == kNoField) {
    return {};
  }
  std::string value;
  switch (source.MapTypeOf(index)) {
    case kMapConstant:
      value = source.ConstantOf(index);
      break;
    case kMapCell:
      value = source.SourceHeaderValue(index);
      break;
    default:
      break;
  }
  TrimBlanksInPlace(value);
  const OstraneField& field = source.Field(index).m_field;
  CutToWidth(value, field.m_width, source.Field(index).m_justify);
  return value;
}

void WriteLine(CUploadWriter& out, std::string_view name, std::string_view value) {
  std::string line(name);
  line += '=';
  line += value;
  line += '\n';
  out.Write(line);
}

// Whether the file needs "ADMIN=": its UUID differs from the terminal user's under the
// terminal program, or under client/server without the server's serial number.
bool NeedsAdministratorLine(const ConvertRequest& request, std::string_view fileUuid) {
  if (fileUuid == request.m_terminalUserUuid) {
    return false;
  }
  return request.m_uploadMethod == 0 || (request.m_uploadMethod == 1 && !request.m_useServerSn);
}

std::size_t TickerPosition(const std::vector<OstraneField>* uploadFields) {
  if (uploadFields == nullptr) {
    return ConversionState::kNoTicker;
  }
  for (std::size_t i = 0; i < uploadFields->size(); ++i) {
    if ((*uploadFields)[i].m_name == kTickerName) {
      return i;
    }
  }
  return ConversionState::kNoTicker;
}

// A failed conversion's result: no value collected before the failure is handed out.
ConvertResult Failure(ConvertFailure failure, const CFileError& error = {}) {
  ConvertResult result;
  result.m_failure = failure;
  if (failure == ConvertFailure::kFileError) {
    result.m_fileError = error;
  }
  return result;
}

// Writes the envelope's start, the UUID line, the header lines (with automatic basket
// numbering) and the administrator line. The first field mapping of Type 3, 5 and 11 is the
// UUID, Delimiter and Basket ID field; only it is numbered. Fills result's basket value,
// delimiter and cacheable header values, state's delimiter, and cacheBasket/cacheSuffix with
// the text that names the cache file.
void WriteUploadHeader(CUploadWriter& out, ConversionSource& source, const ConvertRequest& request,
                       std::string& currentBasketId, ConversionState& state, ConvertResult& result,
                       std::string& cacheBasket, std::string& cacheSuffix) {
  if (request.m_loginBlock) {
    out.Write("START-OF-FILE\n");
    WriteLine(out, "LOGIN", request.m_loginBlock->m_login);
    WriteLine(out, "SN", request.m_loginBlock->m_serialNumber);
    WriteLine(out, "WS", request.m_loginBlock->m_workstation);
  }
  const std::size_t uuidField = FirstFieldOfType(source, kTypeHdrUuid);
  const std::size_t basketField = FirstFieldOfType(source, kTypeHdrBasketId);
  const std::string mappedUuid = HeaderValue(source, uuidField);
  result.m_delimiter = HeaderValue(source, FirstFieldOfType(source, kTypeHdrDelimiter));
  state.m_delimiter = result.m_delimiter;

  if (!request.m_useUuid && uuidField != kNoField) {
    std::string line = source.Field(uuidField).m_field.m_name + "=" + request.m_uuidText;
    TrimBlanksInPlace(line);
    line += '\n';
    out.Write(line);
  }

  for (std::size_t i = 0; i < source.FieldCount(); ++i) {
    const OstraneField& field = source.Field(i).m_field;
    const int type = field.m_type;
    const bool header = type == kTypeHdr || type == kTypeHdrDelimiter || type == kTypeHdrBasketId ||
                        type == kTypeHdrCacheable || (type == kTypeHdrUuid && request.m_useUuid);
    if (!header) {
      continue;
    }
    std::string value = HeaderValue(source, i);
    if (type == kTypeHdrCacheable) {
      result.m_cacheHeaderValues.push_back(std::move(value));
      continue;
    }
    if (i == basketField) {
      result.m_basketValue = value;
      cacheBasket = value;
      cacheSuffix.clear();
      if (request.m_autoIncrement) {
        long long number = static_cast<long long>(ParseInt(currentBasketId)) + 1;
        if (number > kLastBasketNumber) {
          number = 1;
        }
        currentBasketId = std::to_string(number);
        source.SetConstant(i, currentBasketId);
        cacheBasket = currentBasketId;
        cacheSuffix = !request.m_login.empty() ? request.m_login
                      : !request.m_useUuid     ? request.m_uuidText
                                               : mappedUuid;
        result.m_basketNumbered = true;
        // The numbered line is not cut to the field's Width.
        WriteLine(out, field.m_name, currentBasketId + "-" + cacheSuffix);
        continue;
      }
    }
    WriteLine(out, field.m_name, value);
  }

  const std::string& fileUuid = request.m_useUuid ? mappedUuid : request.m_uuidText;
  if (NeedsAdministratorLine(request, fileUuid)) {
    const std::string& terminal = request.m_terminalUserUuid;
    WriteLine(out, "ADMIN", terminal.empty() || ParseInt(terminal) == -1 ? "-1" : terminal);
  }
}

ConvertResult ConvertOpenFiles(const ConvertRequest& request, std::string& currentBasketId,
                               bool convertDots, ConversionSource& source, LockedFile& desk,
                               CUploadWriter& out) {
  CFileError error;
  if (const ConvertFailure prepared = source.Prepare(desk, error);
      prepared != ConvertFailure::kNone) {
    return Failure(prepared, error);
  }
  ConvertResult result;
  ConversionState state;
  state.m_convertDots = convertDots;
  state.m_tickerPosition = TickerPosition(request.m_uploadFields);
  std::string cacheBasket;
  std::string cacheSuffix;
  WriteUploadHeader(out, source, request, currentBasketId, state, result, cacheBasket, cacheSuffix);
  if (const ConvertFailure rows = source.ConvertRows(out, state, result, error);
      rows != ConvertFailure::kNone) {
    return Failure(rows, error);
  }
  if (request.m_loginBlock) {
    out.Write("END-OF-FILE");
  }
  if (!out.Close()) {
    return Failure(ConvertFailure::kFileError, out.Error());
  }
  desk.Close(error);

  if (!result.m_cacheHeaderValues.empty() || result.m_cacheRecords > 0) {
    const CCacheEntry header{"HDR", "", result.m_cacheHeaderValues};
    if (!WriteCacheFile(request.m_cacheDir, cacheBasket, cacheSuffix, header, state.m_cacheLines,
                        request.m_when, error)) {
      return Failure(ConvertFailure::kFileError, error);
    }
  }
  result.m_ok = true;
  return result;
}

}  // namespace

ConvertResult RunConversion(const ConvertRequest& request, std::string& currentBasketId,
                            bool formatOk, bool convertDots, ConversionSource& source) {
  CFileError error;
  LockedFile desk;
  if (!desk.Open(request.m_deskPath, O_RDONLY, FileLock::kDenyWrite, error)) {
    return Failure(ConvertFailure::kFileError, error);
  }
  CUploadWriter out;
  if (!out.Create(request.m_uploadPath, error)) {
    return Failure(ConvertFailure::kFileError, error);
  }
  if (!formatOk) {
    out.Close();
    return Failure(ConvertFailure::kBadFormat);
  }
  const std::string basketIdBefore = currentBasketId;
  const std::size_t basketField = FirstFieldOfType(source, kTypeHdrBasketId);
  const std::string constantBefore =
      basketField == kNoField ? std::string() : source.ConstantOf(basketField);
  ConvertResult result;
  try {
    result = ConvertOpenFiles(request, currentBasketId, convertDots, source, desk, out);
  } catch (const std::bad_alloc&) {
    result = Failure(ConvertFailure::kTooLarge);
  } catch (const std::length_error&) {
    result = Failure(ConvertFailure::kTooLarge);
  }
  // Records stream out as the desk file is read, so a failure found before the upload file
  // was complete takes back what was written and numbered.
  if (!result.m_ok && out.Discard()) {
    currentBasketId = basketIdBefore;
    if (basketField != kNoField) {
      source.SetConstant(basketField, constantBefore);
    }
  }
  return result;
}

}  // namespace trqx
