#include "foundation/field_format.h"

#include <fcntl.h>

#include <array>
#include <string_view>

#include "foundation/archive_file.h"
#include "foundation/locked_file.h"
#include "foundation/text.h"

namespace trqx {

namespace {

constexpr std::string_view kNameKey = "Name";
constexpr std::string_view kWidthKey = "Width";
constexpr std::string_view kTypeKey = "Type";
constexpr std::string_view kCategoryKey = "Category";
constexpr std::string_view kInputKey = "Input";
constexpr std::string_view kOutputKey = "Output";
constexpr int kFieldEntryCount = 4;
constexpr int kTranslationEntryCount = 2;
constexpr std::size_t kValueListChunk = 4096;

// Labels of the download types 14-26 and 30-36, which both lists show alike.
const char* DownloadTypeLabel(int type) {
  static constexpr std::array<const char*, 13> kFirst = {
      "Data(UUID)",       "Data(Ticker)",         "Data(Order Type)",    "Data(Side)",
      "Data(Order Qty)",  "Data(Working Shares)", "Data(Filled Shares)", "Data(Allocated)",
      "Data(Avg. Price)", "Data(Fund Number)",    "Data(Time In Force)", "Data(Basket ID)",
      "Data(Order ID)"};
  static constexpr std::array<const char*, 7> kSecond = {
      "Data(Trade Sys Number)", "Data(Vexo Ord Number)", "Data(Broker Name)", "Data(Security Name)",
      "Data(Portfolio Name)",   "Data(Cusip)",           "Data(Sedol)"};
  if (type >= 14 && type <= 26) {
    return kFirst[static_cast<std::size_t>(type - 14)];
  }
  if (type >= 30 && type <= 36) {
    return kSecond[static_cast<std::size_t>(type - 30)];
  }
  return nullptr;
}

}  // namespace

const char* FieldTypeLabel(int type) {
  static constexpr std::array<const char*, 14> kUploadLabels = {"Hdr(Fixed)",
                                                                "Hdr",
                                                                "Data",
                                                                "Hdr(UUID)",
                                                                "Data(SIDE)",
                                                                "Hdr(Delimiter)",
                                                                "Data(Amount)",
                                                                "Data(Limit)",
                                                                "Data(Exchange)",
                                                                "Data(Order Type)",
                                                                "Data(CUSIP)",
                                                                "Hdr(BasketID)",
                                                                "*Hdr(Cacheable)",
                                                                "*Data(Cacheable"};
  if (type >= 0 && type < static_cast<int>(kUploadLabels.size())) {
    return kUploadLabels[static_cast<std::size_t>(type)];
  }
  switch (type) {
    case kTypeDataOrderId:
      return "Data(OrderID)";
    case kTypeDataCsi:
      return "Data(CSI)";
    case kTypeDataTif:
      return "Data(TIF)";
    case kTypeDataReason:
      return "Data(Reason)";
    case kTypeExecQuantity:
    case kTypeExecPrice:
    case kTypeExecAsOfTime:
    case kTypeExecYellowKey:
      return "Data(Exec)";
    default: {
      const char* label = DownloadTypeLabel(type);
      return label != nullptr ? label : "";
    }
  }
}

const char* DownloadFieldTypeLabel(int type) {
  if (type == kTypeHdrCacheable) {
    return "Cache Hdr";
  }
  if (type == kTypeDataCacheable) {
    return "Cache Data";
  }
  const char* label = DownloadTypeLabel(type);
  return label != nullptr ? label : "Data";
}

void OstraneField::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, kFieldEntryCount);
  WriteString(tokens, kNameKey, m_name);
  WriteInt(tokens, kWidthKey, m_width);
  WriteInt(tokens, kTypeKey, m_type);
  WriteInt(tokens, kCategoryKey, m_category);
}

bool OstraneField::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& p) {
    bool read = false;
    if (key == kNameKey) {
      read = ReadString(tokens, p, m_name);
    } else if (key == kWidthKey) {
      read = ReadInt(tokens, p, m_width);
    } else if (key == kTypeKey) {
      read = ReadInt(tokens, p, m_type) && m_type >= 0 && m_type <= kTypeLast;
    } else if (key == kCategoryKey) {
      read = ReadInt(tokens, p, m_category);
    } else {
      return MemberRead::kUnknownKey;
    }
    return read ? MemberRead::kLoaded : MemberRead::kFailed;
  });
}

void CTranslation::Save(TokenList& tokens) const {
  WriteObjectHeader(tokens, kClassName, kTranslationEntryCount);
  WriteString(tokens, kInputKey, m_input);
  WriteString(tokens, kOutputKey, m_output);
}

bool CTranslation::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& p) {
    bool read = false;
    if (key == kInputKey) {
      read = ReadString(tokens, p, m_input);
    } else if (key == kOutputKey) {
      read = ReadString(tokens, p, m_output);
    } else {
      return MemberRead::kUnknownKey;
    }
    return read ? MemberRead::kLoaded : MemberRead::kFailed;
  });
}

bool FieldFormatRegistry::Read(const std::string& fileName, CFileError& error, bool& fileError) {
  Clear();
  fileError = false;
  LockedFile file;
  // Opened without O_CREAT: a missing field format file is an error, not an empty format.
  if (!file.Open(fileName, O_RDONLY, FileLock::kDenyWrite, error)) {
    fileError = true;
    return false;
  }
  const ArchiveLoad result = ReadArchiveRecords(
      file,
      [&](const TokenList& tokens) {
        OstraneField field;
        std::size_t pos = 0;
        if (!field.Load(tokens, pos)) {
          return false;
        }
        Add(field);
        return true;
      },
      error);
  if (result == ArchiveLoad::kOk) {
    return true;
  }
  Clear();
  fileError = result == ArchiveLoad::kFileError;
  return false;
}

void FieldFormatRegistry::Add(const OstraneField& field) {
  const int category = field.m_category;
  if (category == kCategoryUpload || category == kCategoryBoth) {
    m_upload.push_back(field);
  }
  if (category == kCategoryDownload || category == kCategoryBoth) {
    m_download.push_back(field);
  }
  if (category == kCategoryBoth && field.m_type == kTypeHdrCacheable) {
    ++m_cacheHdrCount;
  }
  if (category == kCategoryBoth && field.m_type == kTypeDataCacheable) {
    ++m_cacheDataCount;
  }
  if (category == kCategoryDownload) {
    ++m_downloadOnlyCount;
  }
}

void FieldFormatRegistry::Clear() {
  m_upload.clear();
  m_download.clear();
  m_cacheHdrCount = 0;
  m_cacheDataCount = 0;
  m_downloadOnlyCount = 0;
}

bool ReadValueList(const std::string& fileName, std::vector<std::string>& values,
                   CFileError& error) {
  values.clear();
  LockedFile file;
  if (!file.Open(fileName, O_RDONLY, FileLock::kDenyWrite, error)) {
    return false;
  }
  std::string line;
  char chunk[kValueListChunk];
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(chunk, sizeof chunk, got, error)) {
      values.clear();
      return false;
    }
    if (got == 0) {
      break;
    }
    std::string_view rest(chunk, got);
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
      line.append(rest.substr(0, end));
      values.emplace_back(TrimCSpace(line));
      line.clear();
      rest.remove_prefix(end + 1);
    }
    line.append(rest);
  }
  if (!line.empty()) {  // a last line without a line feed
    values.emplace_back(TrimCSpace(line));
  }
  return true;
}

}  // namespace trqx
