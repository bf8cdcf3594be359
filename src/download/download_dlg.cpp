#include "download/download_dlg.h"

#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "download/active_mapping_file.h"
#include "download/download_messages.h"
#include "foundation/converter_strings.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "settings/settings_file.h"

namespace trqx {

namespace {

using converter_strings::kMsgBadFormatFile;
using converter_strings::kMsgFileError;
using converter_strings::kMsgSystemStartup;

constexpr const char* kSoftwareKey = "Software";
constexpr const char* kVexoPathKey = "Software\\VEXO_PATH";
constexpr const char* kApplicationPathValue = "ApplicationPath";
// The value was read into a buffer of 200 bytes, its terminating NUL included.
constexpr std::size_t kApplicationPathMax = 199;
constexpr const char* kFieldFormatFileName = "NVFormat.cfg";
constexpr const char* kLogFileName = "qxd.log";

std::string Concat(std::string_view a, std::string_view b) {
  std::string text(a);
  text.append(b);
  return text;
}

}  // namespace

std::string OrderFilePathFromArguments(const std::vector<std::string>& arguments) {
  for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) {
    if (it->empty() || it->front() != '-') {
      return *it;
    }
  }
  return {};
}

bool ReadApplicationPath(const Registry& registry, MessageBoxView& view,
                         std::string& applicationPath) {
  if (const long code = registry.KeyExists(RegistryHive::kCurrentUser, kSoftwareKey);
      code != Registry::kSuccess) {
    view.ShowMessageBox(Concat(kMsgSoftwareKeyError, std::to_string(code)));
    return false;
  }
  if (const long code = registry.KeyExists(RegistryHive::kCurrentUser, kVexoPathKey);
      code != Registry::kSuccess) {
    view.ShowMessageBox(Concat(kMsgVexoPathKeyError, std::to_string(code)));
    return false;
  }
  if (registry.ReadString(RegistryHive::kCurrentUser, kVexoPathKey, kApplicationPathValue,
                          kApplicationPathMax, applicationPath) != Registry::kSuccess) {
    view.ShowMessageBox(std::string(kMsgRegistryReadError));
    return false;
  }
  return true;
}

CTRQXDownLoadDlg::CTRQXDownLoadDlg(DownLoadView& view, FieldFormatRegistry& fieldFormat,
                                   std::string orderFilePath, std::string applicationPath,
                                   WallClock clock)
    : m_view(view),
      m_fieldFormat(fieldFormat),
      m_orderFilePath(std::move(orderFilePath)),
      m_applicationPath(std::move(applicationPath)),
      m_clock(std::move(clock)),
      m_logFile(JoinPath(m_applicationPath, kLogFileName), LogFlavour::kClient),
      m_logSink(m_logFile),
      m_logger(m_logSink, ConverterStrings(), m_clock),
      // The client runs in the application folder, so its default copy folder is there too.
      m_settings(m_applicationPath) {}

CTRQXDownLoadDlg::~CTRQXDownLoadDlg() = default;

bool CTRQXDownLoadDlg::OnInitDialog() {
  m_view.SetProgressRange(0, kProgressRange, 1);
  m_view.SetPathText(m_orderFilePath);
  m_view.SetPercentText(std::string(kInitialPercentText));

  std::vector<CLogEntry> loaded;
  CFileError logError;
  if (!m_logFile.Open(loaded, logError)) {
    const CLogEntry entry(m_clock(), kLogError, kCategorySystem, kMsgFileError,
                          {logError.m_fileName, std::to_string(logError.m_osError)},
                          ConverterStrings());
    m_view.ShowMessageBox(std::string(TrimRightCSpace(entry.m_text)));
    m_view.EndProgram();
    return false;
  }
  m_logger.Log(kLogInfo, kCategorySystem, kMsgSystemStartup);

  if (!ReadFieldFormat()) {
    return false;
  }
  CSettingsFile settingsFile(m_settings, m_applicationPath);
  std::uintmax_t settingsSize = 0;
  CFileError settingsError;
  if (!settingsFile.Load(settingsSize, settingsError, SettingsReader::kConverter)) {
    m_view.ShowMessageBox(std::string(kMsgSettingsError));
    m_view.EndProgram();
    return false;
  }
  m_settings.DeriveWorkFolders();
  ReadOrderFile();

  CActiveDownLoadMappingFile activeFile(m_applicationPath, m_fieldFormat.DownloadFields());
  const bool activeRead = activeFile.OpenLoadAndClose(m_view);
  m_activeMapping = activeFile.TakeMapping();
  // A file that holds no mapping leaves nothing to convert with: reported as unreadable.
  if (!activeRead || m_activeMapping == nullptr) {
    m_view.ShowMessageBox(std::string(kMsgActiveMappingError));
    m_view.EndProgram();
    return false;
  }
  return true;
}

bool CTRQXDownLoadDlg::ReadFieldFormat() {
  const std::string path = JoinPath(m_applicationPath, kFieldFormatFileName);
  CFileError error;
  bool fileError = false;
  if (m_fieldFormat.Read(path, error, fileError)) {
    return true;
  }
  if (fileError) {
    m_logger.Log(kLogError, kCategorySystem, kMsgFileError,
                 {std::to_string(static_cast<unsigned>(error.m_osError)),
                  error.m_fileName.empty() ? path : error.m_fileName});
  } else {
    m_logger.Log(kLogError, kCategorySystem, kMsgBadFormatFile, {path});
  }
  m_view.ShowMessageBox(
      Concat(Concat(kMsgFieldFormatEndingPrefix, path), kMsgFieldFormatEndingSuffix));
  m_view.EndProgram();
  return false;
}

void CTRQXDownLoadDlg::ReadOrderFile() {
  m_orderFile = std::make_unique<COrderFile>(m_fieldFormat.DownloadFields());
  CFileError error;
  switch (m_orderFile->Read(m_orderFilePath, error)) {
    case RecordFileResult::kOk:
      return;
    case RecordFileResult::kOpenFailed:
      m_view.ShowMessageBox(Concat(kMsgUnableToOpenFile, m_orderFilePath));
      break;
    case RecordFileResult::kReadFailed:
      m_view.ShowMessageBox(Concat(kMsgUnableToReadFile, m_orderFilePath));
      break;
    case RecordFileResult::kBadRecord:
      m_view.ShowMessageBox(Concat(kMsgBadOrderRecord, m_orderFilePath));
      break;
  }
  m_inputFailed = true;
}

void CTRQXDownLoadDlg::OnShowWindow() {
  m_view.PostToSelf(kRunMessage);
}

long CTRQXDownLoadDlg::OnMessage(unsigned message) {
  if (message == kRunMessage) {
    BuildPreMappedArray();
  }
  return 0;
}

void CTRQXDownLoadDlg::ShowMessages(std::string_view text, int count) {
  for (int i = 0; i < count; ++i) {
    m_view.ShowMessageBox(std::string(text));
  }
}

void CTRQXDownLoadDlg::ShowPercent() {
  m_view.SetPercentText(Concat(kPercentTextPrefix, std::to_string(m_percent)));
  m_view.StepProgress();
}

void CTRQXDownLoadDlg::AdvanceProgress() {
  if (m_percent >= 100) {
    return;
  }
  if (++m_rowCounter == m_progressStep) {
    m_percent += 10;
    ShowPercent();
    m_rowCounter = 0;
  }
}

bool CTRQXDownLoadDlg::ReadCacheInfo(const std::string& basketId) {
  const std::string path = CacheFilePath(m_settings.m_cacheDirectory, m_clock(), basketId);
  CFileError error;
  switch (ReadCacheFile(path, static_cast<std::size_t>(m_fieldFormat.CacheHdrCount()),
                        static_cast<std::size_t>(m_fieldFormat.CacheDataCount()), m_cacheInfo,
                        error)) {
    case RecordFileResult::kOk:
      return true;
    case RecordFileResult::kOpenFailed:
    case RecordFileResult::kReadFailed:
      m_view.ShowMessageBox(Concat(kMsgCacheOpenError, path));
      return false;
    case RecordFileResult::kBadRecord:
      break;
  }
  m_view.ShowMessageBox(std::string(kMsgCacheDataError));
  return false;
}

void CTRQXDownLoadDlg::ConvertBasket(const BasketGroup& group) {
  const std::vector<OstraneField>& fields = m_fieldFormat.DownloadFields();
  const OrderColumns& columns = m_orderFile->Columns();
  ShowMessages(kMsgGetBasketIdInvalidType, columns.m_invalidBeforeBasketId);
  const std::string basketId(TrimCSpace(group.m_basketId));

  for (const OstraneField& field : fields) {
    if (field.m_category == kCategoryBoth) {
      if (!ReadCacheInfo(basketId)) {
        ++m_basketsFailed;
        return;
      }
      break;
    }
  }

  const auto dataSize =
      static_cast<std::size_t>(m_fieldFormat.DownloadOnlyCount() + m_fieldFormat.CacheDataCount());
  // The rows view the order file's store and the cache info, which stay until the report is
  // written; they and their room are reused by the next basket, emptied first.
  if (m_rows.empty() || m_rows.front().Size() != dataSize) {
    m_rows.clear();
  }
  m_orderFile->Records(group, m_records);
  while (m_rows.size() < m_records.size()) {
    m_rows.emplace_back(dataSize);
  }
  const std::span<CDownLoadAssembledRecord> data(m_rows.data(), m_records.size());
  for (std::size_t r = 0; r < m_records.size(); ++r) {
    m_orderFile->Split(group, m_records[r], m_values);
    const std::vector<std::string_view>& record = m_values;
    ShowMessages(kMsgGetOrderRefIdInvalidType, columns.m_invalidTypes);
    const CCacheEntry* cached = m_cacheInfo.FindData(TrimCSpace(
        columns.m_orderRefId < record.size() ? record[columns.m_orderRefId] : std::string_view{}));
    CDownLoadAssembledRecord& row = data[r];
    row.Clear();
    long long position = 0;
    std::size_t column = 0;
    std::size_t cacheValue = 0;
    // Values beyond the record's size are dropped, as the record takes only so many.
    for (const OstraneField& field : fields) {
      if (field.m_type == kTypeHdrCacheable) {
        continue;
      }
      if (field.m_type == kTypeDataCacheable) {
        if (cached != nullptr && cacheValue < cached->m_values.size()) {
          row.Set(position, cached->m_values[cacheValue]);
        }
        ++cacheValue;
        ++position;
      } else if (HasOrderColumn(field.m_type)) {
        row.Set(position, column < record.size() ? record[column] : std::string_view{});
        ++column;
        ++position;
      } else {
        m_view.ShowMessageBox(std::string(kMsgInvalidFieldType));
      }
    }
    AdvanceProgress();
  }

  CDownLoadAssembledRecord header(static_cast<std::size_t>(m_fieldFormat.CacheHdrCount()));
  const std::vector<std::string>& headerValues = m_cacheInfo.Header().m_values;
  for (std::size_t k = 0; k < headerValues.size(); ++k) {
    if (!header.Set(static_cast<long long>(k), headerValues[k])) {
      m_view.ShowMessageBox(std::string(kMsgSetOutOfBounds));
    }
  }

  bool fileError = false;
  CFileError error;
  std::string reportPath;
  if (!m_activeMapping->Convert(m_settings.m_downLoadDestDir, m_clock(), basketId, fields, header,
                                data, fileError, error, reportPath)) {
    m_view.ShowMessageBox(std::string(kMsgConvertError));
    ++m_basketsFailed;
    return;
  }
  m_lastReportPath = std::move(reportPath);
}

void CTRQXDownLoadDlg::BuildPreMappedArray() {
  const long long records = static_cast<long long>(m_orderFile->RecordCount());
  m_progressStep = (records - 2) / 10;
  if (m_progressStep <= 0) {
    m_progressStep = 1;
  }
  m_percent = 0;
  m_rowCounter = 0;

  // Without a Basket ID column no order can be given its basket.
  if (m_orderFile->Columns().m_basketId == OrderColumns::kNone) {
    m_view.ShowMessageBox(std::string(kMsgNoBasketIdField));
    m_runStopped = true;
    return;
  }
  // A destination folder that does not exist yet (the default one, say) is made, so that its
  // reports are not lost; a folder that cannot be made fails each basket's write.
  std::error_code ignored;
  std::filesystem::create_directories(m_settings.m_downLoadDestDir, ignored);
  for (const BasketGroup& group : m_orderFile->Groups()) {
    ConvertBasket(group);
  }
  m_orderFile->ReleaseGroups();

  while (m_percent < 100) {
    m_percent += 10;
    ShowPercent();
  }
  m_view.SetPercentText(std::string(kCompleteText));
}

bool CTRQXDownLoadDlg::AllReportsWritten() const {
  return !m_inputFailed && m_basketsFailed == 0 && !m_runStopped;
}

std::size_t CTRQXDownLoadDlg::RecordCount() const {
  return m_orderFile != nullptr ? m_orderFile->RecordCount() : 0;
}

}  // namespace trqx
