#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "download/cache_info.h"
#include "download/download_mapping.h"
#include "download/download_view.h"
#include "download/order_file.h"
#include "foundation/clock.h"
#include "foundation/field_format.h"
#include "foundation/log_file.h"
#include "foundation/log_file_sink.h"
#include "foundation/registry.h"
#include "settings/internal_settings.h"

namespace trqx {

// The order file's path: the last argument that does not begin with '-' (arguments without
// the program name); empty when there is none.
std::string OrderFilePathFromArguments(const std::vector<std::string>& arguments);

// Reads "ApplicationPath" of the current user's key "Software\VEXO_PATH". On failure shows the
// message of the step that failed and returns false.
bool ReadApplicationPath(const Registry& registry, MessageBoxView& view,
                         std::string& applicationPath);

// The logic of the download converter's window: start-up checks, then one run that converts
// every basket of the order file into its report. Lives on the window's thread.
class CTRQXDownLoadDlg {
 public:
  // The private message the window posts itself once shown; it starts the run.
  static constexpr unsigned kRunMessage = 1001;
  static constexpr int kProgressRange = 10;

  // fieldFormat and view must outlive the dialog. The program files are found in
  // applicationPath.
  CTRQXDownLoadDlg(DownLoadView& view, FieldFormatRegistry& fieldFormat, std::string orderFilePath,
                   std::string applicationPath, WallClock clock = SystemTime);
  ~CTRQXDownLoadDlg();
  CTRQXDownLoadDlg(const CTRQXDownLoadDlg&) = delete;
  CTRQXDownLoadDlg& operator=(const CTRQXDownLoadDlg&) = delete;

  // Opens the log, reads the field format file, the settings, the order file and the active
  // mapping. False after the view was told that the program ends.
  bool OnInitDialog();
  // The window is shown: posts kRunMessage.
  void OnShowWindow();
  // Handles a posted message; kRunMessage runs BuildPreMappedArray. Returns 0.
  long OnMessage(unsigned message);
  // Converts every basket and shows the progress, then the completion text.
  void BuildPreMappedArray();

  // True when every basket's report was written: no input file failed, no basket was skipped
  // or failed and the run was not stopped.
  bool AllReportsWritten() const;
  std::size_t RecordCount() const;
  const std::string& LastReportPath() const { return m_lastReportPath; }

 private:
  bool ReadFieldFormat();
  void ReadOrderFile();
  bool ReadCacheInfo(const std::string& basketId);
  void ConvertBasket(const BasketGroup& group);
  void ShowMessages(std::string_view text, int count);
  void AdvanceProgress();
  void ShowPercent();

  DownLoadView& m_view;
  FieldFormatRegistry& m_fieldFormat;
  std::string m_orderFilePath;
  std::string m_applicationPath;
  WallClock m_clock;

  CLogFile m_logFile;
  LogFileSink m_logSink;
  CLogger m_logger;
  COpenNVInternalSettings m_settings;
  std::unique_ptr<COrderFile> m_orderFile;
  CCacheInfo m_cacheInfo;
  std::unique_ptr<CDownLoadMapping> m_activeMapping;
  // Room reused from basket to basket: the group's records, one record's columns, the rows.
  std::vector<OrderRecord> m_records;
  std::vector<std::string_view> m_values;
  std::vector<CDownLoadAssembledRecord> m_rows;

  long long m_progressStep = 1;
  long long m_rowCounter = 0;
  int m_percent = 0;
  bool m_inputFailed = false;
  int m_basketsFailed = 0;
  bool m_runStopped = false;
  std::string m_lastReportPath;
};

}  // namespace trqx
