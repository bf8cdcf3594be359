// The download converter's whole run (order file read and grouped, each basket's cache file
// read, every report written) on generated input of 100 orders a basket, interleaved so that
// every basket is open from the start, at 250,000, 500,000 and 1,000,000 orders, one run each.
// Reports the run's time against its limit measured in the same run, a plain write of the same
// report bytes into as many files, and the run's peak memory against the order file's size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "download/active_mapping_file.h"
#include "download/download_dlg.h"
#include "foundation/archive.h"
#include "foundation/cache_file.h"
#include "foundation/field_format.h"

namespace {

constexpr int kOrdersPerBasket = 100;

class QuietView : public trqx::DownLoadView {
 public:
  void SetPathText(const std::string&) override {}
  void SetPercentText(const std::string&) override {}
  void SetProgressRange(int, int, int) override {}
  void StepProgress() override {}
  void ShowMessageBox(const std::string& text) override { m_messages.push_back(text); }
  void PostToSelf(unsigned) override {}
  void EndProgram() override { m_ended = true; }
  std::vector<std::string> m_messages;
  bool m_ended = false;
};

trqx::OstraneField Field(const char* name, int type, int category) {
  trqx::OstraneField field;
  field.m_name = name;
  field.m_width = 20;
  field.m_type = type;
  field.m_category = category;
  return field;
}

// Two cache header values, two cache data values and eight order-file columns.
const std::vector<trqx::OstraneField> kFields{
    Field("PORTFOLIO", 12, 2), Field("ACCOUNT", 13, 2),  Field("TICKER", 15, 1),
    Field("SIDE", 17, 1),      Field("ORDERQTY", 18, 1), Field("FILLED", 20, 1),
    Field("AVGPRICE", 22, 1),  Field("BASKETID", 25, 1), Field("ORDERID", 26, 1),
    Field("SECNAME", 33, 1),   Field("STRATEGY", 13, 2), Field("TRADER", 12, 2)};

// Twelve elements: three per basket, nine per order.
std::unique_ptr<trqx::CDownLoadMapping> Mapping() {
  auto mapping = std::make_unique<trqx::CDownLoadCSVMapping>();
  const auto add = [&](int type, int x, int y, int mapType, int index) {
    auto element = std::make_unique<trqx::CDownLoadElement>();
    element->m_type = type;
    element->m_xPos = x;
    element->m_yPos = y;
    element->m_mapType = mapType;
    element->m_fieldIndex = index;
    if (index >= 0) {
      element->m_field = kFields[static_cast<std::size_t>(index)];
    }
    element->m_useLength = index == 6;
    element->m_length = 8;
    element->m_justify = trqx::CDownLoadElement::kJustifyRight;
    element->m_isQuoted = index == 8;
    mapping->m_elements.push_back(std::move(element));
  };
  add(0, 0, 0, 1, 7);
  add(0, 1, 0, 1, 0);
  add(0, 2, 0, 2, -1);
  const int columns[] = {2, 3, 4, 5, 6, 8, 9, 1, 10};
  for (int x = 0; x < 9; ++x) {
    add(1, x, 1, 1, columns[x]);
  }
  return mapping;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The application folder: field format file, settings, active mapping, order file and the
// cache file of every basket.
void Generate(const std::string& app, int orders, std::time_t when) {
  namespace fs = std::filesystem;
  fs::remove_all(app);
  fs::create_directories(app + "/Upload/Cache");
  std::string format;
  for (const trqx::OstraneField& field : kFields) {
    trqx::TokenList tokens;
    field.Save(tokens);
    format += trqx::RecordLine(tokens);
  }
  WriteText(app + "/NVFormat.cfg", format);
  WriteText(app + "/trqx.cfg", "COpenNVInternalSettings,2,CopyDir,Value," + app +
                                   "/Upload,DownLoad Dest Dir,Value," + app + "/reports\r\n\n");
  trqx::CFileError error;
  trqx::CActiveDownLoadMappingFile(app, kFields).Save(*Mapping(), error);

  const int baskets = orders / kOrdersPerBasket;
  std::string text;
  text.reserve(static_cast<std::size_t>(orders) * 72);
  std::vector<std::vector<trqx::CCacheEntry>> cached(static_cast<std::size_t>(baskets));
  for (int i = 0; i < orders; ++i) {
    const int basket = i % baskets;
    const std::string id = "ORD" + std::to_string(i);
    text += "TICK" + std::to_string(i % 5000) + (i % 2 ? ",B," : ",S,") +
            std::to_string(100 + i % 900) + "," + std::to_string(i % 3 ? i % 700 : 0) + "," +
            std::to_string(i % 500) + ".25,BSK" + std::to_string(basket) + "," + id + ",\"Name, " +
            std::to_string(i % 100) + "\"\r\n";
    cached[static_cast<std::size_t>(basket)].push_back(
        {"DATA", id, {"ACC" + std::to_string(i % 40), "STRAT" + std::to_string(i % 7)}});
  }
  WriteText(app + "/orders.txt", text);
  for (int basket = 0; basket < baskets; ++basket) {
    trqx::WriteCacheFile(app + "/Upload/Cache", "BSK" + std::to_string(basket), "",
                         {"HDR", "", {"GROWTH", "JDOE"}}, cached[static_cast<std::size_t>(basket)],
                         when, error);
  }
}

// Peak resident memory since the last reset, in MiB.
double PeakResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stod(line.substr(6)) / 1024.0;
    }
  }
  return 0;
}

// The heap that earlier benchmarks freed goes back to the system first, so that the peak is
// the run's own and does not depend on which benchmarks ran before it.
void ResetPeakResident() {
  ::malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Generate in a child process, so that the generator's heap does not count in the run's peak.
bool GenerateApart(const std::string& app, int orders, std::time_t when) {
  const pid_t child = ::fork();
  if (child == 0) {
    Generate(app, orders, when);
    ::_exit(0);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The limit: every report's bytes, already in memory, written with open, one write and close
// into as many files of a fresh folder. Returns the seconds taken; 0 when a write fails.
double PlainWriteSeconds(const std::string& reportFolder, const std::string& copyFolder) {
  std::vector<std::pair<std::string, std::string>> reports;
  for (const auto& entry : std::filesystem::directory_iterator(reportFolder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    reports.emplace_back(copyFolder + "/" + entry.path().filename().string(),
                         std::string(std::istreambuf_iterator<char>(in), {}));
  }
  std::filesystem::create_directories(copyFolder);
  ::sync();
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [path, bytes] : reports) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd < 0 || ::close(fd) != 0 || !written) {
      return 0;
    }
  }
  return SecondsSince(start);
}

void BM_DownLoadRun(benchmark::State& state) {
  const int orders = static_cast<int>(state.range(0));
  const std::time_t when = std::time(nullptr);
  const std::string app = (std::filesystem::temp_directory_path() /
                           ("trqx-bench-download-" + std::to_string(::getpid())))
                              .string();
  if (!GenerateApart(app, orders, when)) {
    state.SkipWithError("generating the input failed");
    return;
  }
  // The generated files reach the disk first, so that their write-back does not land in the run.
  ::sync();
  double peak = 0;
  double runSeconds = 0;
  for (auto _ : state) {
    ResetPeakResident();
    const auto start = std::chrono::steady_clock::now();
    QuietView view;
    trqx::FieldFormatRegistry fieldFormat;
    trqx::CTRQXDownLoadDlg dlg(view, fieldFormat, app + "/orders.txt", app,
                               [when] { return when; });
    if (!dlg.OnInitDialog()) {
      state.SkipWithError("start-up failed");
      break;
    }
    dlg.BuildPreMappedArray();
    runSeconds = SecondsSince(start);
    peak = PeakResidentMiB();
    if (!view.m_messages.empty() || !dlg.AllReportsWritten() ||
        dlg.RecordCount() != static_cast<std::size_t>(orders)) {
      state.SkipWithError(view.m_messages.empty() ? "not every report"
                                                  : view.m_messages[0].c_str());
      break;
    }
  }
  state.counters["records_per_second"] = benchmark::Counter(
      static_cast<double>(orders), benchmark::Counter::kIsIterationInvariantRate);
  const double limitSeconds = PlainWriteSeconds(app + "/reports", app + "/plain");
  const double orderFileMiB =
      static_cast<double>(std::filesystem::file_size(app + "/orders.txt")) / (1024.0 * 1024.0);
  state.counters["limit_ms"] = limitSeconds * 1000;
  state.counters["ratio_to_limit"] = limitSeconds > 0 ? runSeconds / limitSeconds : 0;
  state.counters["peak_rss_MiB"] = peak;
  state.counters["order_file_MiB"] = orderFileMiB;
  state.counters["peak_per_order_file"] = peak / orderFileMiB;
  std::filesystem::remove_all(app);
}

BENCHMARK(BM_DownLoadRun)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
