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

ConvertResult FileFailure(ConvertResult& result, const CFileError& error) {
  result.m_ok = false;
  result.m_failure = error.m_cause == FileErrorCause::kTooLarge ? ConvertFailure::kTooLarge
                                                                : ConvertFailure::kFileError;
  result.m_fileError = error;
  return std::move(result);
}

ConvertResult Failure(ConvertResult& result, ConvertFailure failure) {
  result.m_ok = false;
  result.m_failure = failure;
  return std::move(result);
}

}  // namespace

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

  source.ConvertRows(out, state, result);

  if (request.m_loginBlock) {
    out.Write("END-OF-FILE");
  }
}

ConvertResult RunConversion(const ConvertRequest& request, std::string& currentBasketId,
                            bool formatOk, bool convertDots, ConversionSource& source) {
  ConvertResult result;
  try {
    CFileError error;
    LockedFile desk;
    if (!desk.Open(request.m_deskPath, O_RDONLY, FileLock::kDenyWrite, error)) {
      return FileFailure(result, error);
    }
    CUploadWriter out;
    if (!out.Create(request.m_uploadPath, error)) {
      return FileFailure(result, error);
    }
    if (!formatOk) {
      out.Close();
      return Failure(result, ConvertFailure::kBadFormat);
    }
    std::string bytes;
    if (!ReadDeskFile(desk, bytes, error)) {
      out.Close();
      return FileFailure(result, error);
    }
    const ConvertFailure parsed = source.Prepare(std::move(bytes));
    if (parsed != ConvertFailure::kNone) {
      out.Close();
      return Failure(result, parsed);
    }

    ConversionState state;
    state.m_convertDots = convertDots;
    state.m_tickerPosition = TickerPosition(request.m_uploadFields);
    std::string cacheBasket;
    std::string cacheSuffix;
    WriteUploadHeader(out, source, request, currentBasketId, state, result, cacheBasket,
                      cacheSuffix);
    if (!out.Close()) {
      return FileFailure(result, out.Error());
    }
    desk.Close(error);

    if (!result.m_cacheHeaderValues.empty() || !result.m_cacheRecords.empty()) {
      const CCacheEntry header{"HDR", "", result.m_cacheHeaderValues};
      if (!WriteCacheFile(request.m_cacheDir, cacheBasket, cacheSuffix, header,
                          result.m_cacheRecords, request.m_when, error)) {
        return FileFailure(result, error);
      }
    }
    result.m_ok = true;
    return result;
  } catch (const std::bad_alloc&) {
    return Failure(result, ConvertFailure::kTooLarge);
  } catch (const std::length_error&) {
    return Failure(result, ConvertFailure::kTooLarge);
  }
}

}  // namespace trqx
