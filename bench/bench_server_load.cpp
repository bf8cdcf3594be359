// The upload server under load: C clients in this process, each a connection task, upload F
// text files of about 100 KB apiece through a real VEXOServer (a child process in a scratch
// working folder) into a real FTP server (pyftpdlib) on loopback. No file may be lost: every
// client must get the outcome '1' for every file, and every file must be on the FTP host byte
// for byte. In the same run, the limit: the same files put straight into the same FTP server
// by CurlFtpClient from one thread, once with its one handle kept (as the server's FTP task
// keeps it) and once with a new handle per file, which shows what keeping it gains. Prints
// the files/s and MB/s of the files delivered by each, the server's ratio to the direct put,
// and the server's peak memory and CPU time. A run ends when every file has its report, or
// --stall-seconds after the last thing happened (a file without a report never gets one).
//
// Run with: bench_server_load [--clients=15] [--files=100] [--server=PATH] [--stall-seconds=60]
// (--server defaults to the VEXOServer of the same build tree). Targets: --clients=15
// --files=100 loses nothing and reaches half the direct put's rate; --clients=200 --files=10
// loses nothing. Each measurement is one Google Benchmark iteration with manual time, as in
// the other benchmarks, so --benchmark_filter=DirectPut measures the limit alone and
// --benchmark_format=json works; the flags above are ours, read from what it leaves.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "bench_flags.h"
#include "foundation/archive.h"
#include "foundation/log_entry.h"
#include "foundation/protocol/connection_task.h"
#include "foundation/string_table.h"
#include "foundation/sys/event_loop.h"
#include "foundation/sys/sys_socket.h"
#include "server/ftp_client.h"
#include "server/server_settings.h"
#include "support/ftp_server.h"
#include "support/scratch_folder.h"
#include "support/vexo_server.h"

namespace {

namespace fs = std::filesystem;
using namespace trqx;
using Clock = std::chrono::steady_clock;

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr std::size_t kBodySize = 100 * 1024;
// Logins are at most 15 characters on the wire.
constexpr const char* kFtpUser = "benchftp";
constexpr const char* kFtpPassword = "ftpsecret";
constexpr const char* kServerLogin = "VEXOServer";
constexpr const char* kServerPassword = "loadsecret";
constexpr std::string_view kFirstLinePrefix = "TRQX load file ";
constexpr int kIndexDigits = 6;

struct LoadOptions {
  int clients = 15;
  int files = 100;  // per client
  int stallSeconds = 60;
  std::string server;  // the VEXOServer program
};
LoadOptions g_options;

double SecondsSince(Clock::time_point begin) {
  return std::chrono::duration<double>(Clock::now() - begin).count();
}

// The upload files: LF-only printable text, each with a first line of its own, so that a
// file on the FTP host is matched by content whatever its name. The text holds no '=', so
// the server finds no "SN=Server" or "UUID=" line to act on and forwards the bytes as sent.
class UploadFiles {
 public:
  // Writes count files into folder; false when one could not be written.
  bool Make(const std::string& folder, int count) {
    std::mt19937 random(1);
    m_body.clear();
    while (m_body.size() < kBodySize) {
      const std::size_t length = 40 + random() % 80;
      for (std::size_t i = 0; i < length; ++i) {
        const char c = static_cast<char>(' ' + random() % 94);
        m_body.push_back(c == '=' ? '~' : c);
      }
      m_body.push_back('\n');
    }
    m_paths.clear();
    for (int index = 0; index < count; ++index) {
      m_paths.push_back(folder + "/" + FileName(index));
      if (!WriteWholeFile(m_paths.back(), Content(index))) {
        return false;
      }
    }
    return true;
  }
  int Count() const { return static_cast<int>(m_paths.size()); }
  const std::string& Path(int index) const { return m_paths[static_cast<std::size_t>(index)]; }
  // Fits the protocol's 15-character file name.
  static std::string FileName(int index) { return "f" + Digits(index) + ".inc"; }
  std::string Content(int index) const {
    return std::string(kFirstLinePrefix) + Digits(index) + "\n" + m_body;
  }
  double Megabytes() const { return static_cast<double>(Content(0).size()) * Count() / kMegabyte; }
  // The file whose first line content begins with, or -1.
  int IndexOf(std::string_view content) const {
    const std::size_t end = kFirstLinePrefix.size() + kIndexDigits;
    if (content.size() <= end || content.substr(0, kFirstLinePrefix.size()) != kFirstLinePrefix ||
        content[end] != '\n') {
      return -1;
    }
    const std::string_view digits = content.substr(kFirstLinePrefix.size(), kIndexDigits);
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) {
      return -1;
    }
    const int index = ParseInt(digits);
    return index < Count() ? index : -1;
  }

 private:
  // index is below 10^kIndexDigits (ParseOptions sees to it).
  static std::string Digits(int index) {
    const std::string digits = std::to_string(index);
    return std::string(kIndexDigits - std::min<std::size_t>(digits.size(), kIndexDigits), '0') +
           digits;
  }

  std::string m_body;
  std::vector<std::string> m_paths;
};

// What arrived on the FTP host, matched by content.
struct Arrival {
  int m_intact = 0;      // equal byte for byte to a file sent, each file counted once
  int m_damaged = 0;     // a first line of ours with other bytes after it
  int m_duplicates = 0;  // another intact copy of a file already counted
  int m_unknown = 0;     // no first line of ours
};

// Checks every file in the FTP server's folder against the upload files, then empties the
// folder for the next run.
Arrival CollectArrivals(const std::string& folder, const UploadFiles& files) {
  Arrival arrival;
  std::vector<bool> seen(static_cast<std::size_t>(files.Count()), false);
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string content = ReadWholeFile(entry.path().string());
    const int index = files.IndexOf(content);
    if (index < 0) {
      ++arrival.m_unknown;
    } else if (content != files.Content(index)) {
      ++arrival.m_damaged;
    } else if (seen[static_cast<std::size_t>(index)]) {
      ++arrival.m_duplicates;
    } else {
      seen[static_cast<std::size_t>(index)] = true;
      ++arrival.m_intact;
    }
    fs::remove_all(entry.path(), error);
  }
  return arrival;
}

// What one measurement found.
struct RunFigures {
  bool m_done = false;  // the run finished and was checked
  int m_files = 0;
  double m_megabytes = 0;
  double m_seconds = 0;
  int m_lost = 0;  // files without outcome '1' or not intact on the FTP host
  // Of the files delivered.
  double FilesPerSecond() const { return (m_files - m_lost) / m_seconds; }
  double MegabytesPerSecond() const {
    return m_megabytes * (m_files - m_lost) / m_files / m_seconds;
  }
};
RunFigures g_directKept;
RunFigures g_directNew;
RunFigures g_server;

// The server's own figures, from its process and its console.
struct ServerFigures {
  long m_peakKiB = 0;
  double m_cpuSeconds = 0;
  int m_exitStatus = -1;         // waitpid status; -1 when it had to be killed
  int m_putsLogged = 0;          // the puts its console calls successful
  double m_receivedSeconds = 0;  // from the first file sent to the last acknowledged
  std::string m_trouble;         // its error lines counted, and the clients' trouble
};
ServerFigures g_serverFigures;

void Report(benchmark::State& state, RunFigures& figures, const Arrival& arrival) {
  figures.m_lost = figures.m_files - arrival.m_intact;
  figures.m_done = true;
  state.counters["files/s"] = figures.FilesPerSecond();
  state.counters["MB/s"] = figures.MegabytesPerSecond();
  state.counters["lost"] = figures.m_lost;
  state.counters["damaged"] = arrival.m_damaged;
  state.counters["duplicates"] = arrival.m_duplicates;
  state.counters["unknown"] = arrival.m_unknown;
}

// The FTP server, its folder and the upload files, shared by every measurement.
struct LoadFixture {
  bool Make(std::string& why) {
    if (root.Path().empty()) {
      why = "no scratch folder";
      return false;
    }
    for (const char* name : {"ftp", "upload", "server"}) {
      fs::create_directories(root.File(name));
    }
    if (!files.Make(root.File("upload"), g_options.clients * g_options.files)) {
      why = "upload files not written";
      return false;
    }
    if (!ftp.Start({root.File("ftp"), kFtpUser, kFtpPassword})) {
      why = "pyftpdlib did not start: " + ftp.Log();
      return false;
    }
    return true;
  }
  FtpSessionParams Session() const {
    return {.m_user = kFtpUser, .m_password = kFtpPassword, .m_sessionType = kSessionDirect};
  }

  ScratchFolder root;
  UploadFiles files;
  test::FtpServer ftp;
};
std::unique_ptr<LoadFixture> g_fixture;

// Puts every file straight into the FTP server from this thread, through one CurlFtpClient
// or a new one per file.
void PutDirect(benchmark::State& state, bool handlePerFile, RunFigures& figures) {
  LoadFixture& fixture = *g_fixture;
  for (auto _ : state) {
    auto client = std::make_unique<CurlFtpClient>();
    int failed = 0;
    const auto begin = Clock::now();
    for (int index = 0; index < fixture.files.Count(); ++index) {
      if (handlePerFile && index > 0) {
        client = std::make_unique<CurlFtpClient>();
      }
      const FtpResult result =
          client->Put(fixture.Session(), {.m_host = fixture.ftp.Address(),
                                          .m_localPath = fixture.files.Path(index),
                                          .m_remoteName = UploadFiles::FileName(index)});
      failed += result.Ok() ? 0 : 1;
    }
    figures.m_seconds = SecondsSince(begin);
    client.reset();
    state.SetIterationTime(figures.m_seconds);
    figures.m_files = fixture.files.Count();
    figures.m_megabytes = fixture.files.Megabytes();
    Report(state, figures, CollectArrivals(fixture.root.File("ftp"), fixture.files));
    state.counters["failed puts"] = failed;
  }
}

void BM_DirectPutOneHandle(benchmark::State& state) {
  PutDirect(state, false, g_directKept);
}
void BM_DirectPutHandlePerFile(benchmark::State& state) {
  PutDirect(state, true, g_directNew);
}

// One client of the load: a connection task on its own lock.
struct LoadClient {
  LoadClient(int firstFile, int files)
      : m_firstFile(firstFile), m_outcomes(static_cast<std::size_t>(files), '\0') {}

  std::mutex m_lock;
  CConnectionTask m_task{m_lock, std::make_unique<CDiskUploadSource>()};
  const int m_firstFile;         // its files are m_firstFile and the next ones
  std::vector<char> m_outcomes;  // by upload number - 1: the outcome reported, '\0' for none
  int m_sent = 0;
};

// The clients and what the benchmark's event loop heard from them. Each client sends its
// files one after another, the next once the server has acknowledged the one before; upload
// number n is its n-th file. Every handler runs on the loop's thread, this one.
class LoadClients {
 public:
  LoadClients(ManualEventLoop& loop, const UploadFiles& files) : m_loop(loop), m_files(files) {
    for (int client = 0; client < g_options.clients; ++client) {
      m_clients.push_back(std::make_unique<LoadClient>(client * g_options.files, g_options.files));
    }
  }
  ~LoadClients() { Stop(); }
  LoadClients(const LoadClients&) = delete;
  LoadClients& operator=(const LoadClients&) = delete;

  // Begins every client's connect to the server on port and starts its task, then runs
  // the loop until all have logged in (up to 60 s). False, why filled, otherwise.
  bool ConnectAll(std::uint16_t port, std::string& why) {
    sockaddr_in address{};
    MakeClientAddress("127.0.0.1", port, address);
    for (auto& client : m_clients) {
      CSysSocket socket;
      CSysErrorInfo error;
      const SocketIo connect =
          socket.Create(error) ? socket.Connect(address, error) : SocketIo::kFailed;
      LoadClient* self = client.get();
      client->m_task.SetOwner(&m_loop, task_message::kClientConnection,
                              [this, self](const CTaskNotice& notice) { OnNotice(*self, notice); });
      client->m_task.Adopt(std::move(socket), connect == SocketIo::kWouldBlock, kServerLogin,
                           kServerPassword);
      if (connect == SocketIo::kFailed || !client->m_task.Start(error)) {
        why = "client not started: " + error.m_function + " " + std::to_string(error.m_code);
        return false;
      }
    }
    const int count = g_options.clients;
    if (!m_loop.RunUntil([&] { return m_loggedIn == count || m_ended > 0; },
                         std::chrono::seconds(60))) {
      why = std::to_string(m_loggedIn) + " of " + std::to_string(count) + " clients logged in";
      return false;
    }
    return m_ended == 0 || (why = "a client ended before all logged in", false);
  }

  // Sends every client's first file, then runs the loop until every file has its delivery
  // report, every client has ended, or nothing has happened for --stall-seconds. Returns
  // when the last thing happened (the stall does not count).
  Clock::time_point UploadAll() {
    m_lastProgress = Clock::now();
    for (auto& client : m_clients) {
      SendNext(*client);
    }
    const int expected = g_options.clients * g_options.files;
    const auto stall = std::chrono::seconds(g_options.stallSeconds);
    m_loop.RunUntil(
        [&] {
          return m_reports >= expected || m_ended == g_options.clients ||
                 Clock::now() - m_lastProgress > stall;
        },
        std::chrono::hours(24));
    return m_lastProgress;
  }

  // When the server acknowledged the last file it received.
  Clock::time_point LastAcknowledged() const { return m_lastAcknowledged; }

  // Stops every task: all are asked first, so that their closes overlap, then each is
  // awaited.
  void Stop() {
    CSysErrorInfo error;
    for (auto& client : m_clients) {
      client->m_task.Stop(std::chrono::milliseconds(0), error);
    }
    for (auto& client : m_clients) {
      client->m_task.Stop(CWorkerTask::kInfinite, error);
    }
  }

  // Files whose one delivery report said '1'.
  int Delivered() const {
    int delivered = 0;
    for (const auto& client : m_clients) {
      delivered +=
          static_cast<int>(std::count(client->m_outcomes.begin(), client->m_outcomes.end(), '1'));
    }
    return delivered;
  }
  // What went wrong on the clients' side, empty when nothing did.
  std::string Trouble() const {
    std::string text;
    const auto add = [&text](int count, const char* what) {
      if (count > 0) {
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + what;
      }
    };
    const int expected = g_options.clients * g_options.files;
    add(expected - Delivered(), "files without outcome '1'");
    add(m_reports - expected > 0 ? m_reports - expected : 0, "reports too many");
    add(m_strayReports, "reports of unknown upload numbers");
    add(m_sendFailures, "files SendFile refused");
    add(m_ended, "clients ended early");
    add(m_warnings, ("client warnings or errors, the first: " + m_firstWarning).c_str());
    return text;
  }

 private:
  void OnNotice(LoadClient& client, const CTaskNotice& notice) {
    if (notice.m_messageId == task_message::kClientLoggedIn) {
      ++m_loggedIn;
      return;
    }
    switch (notice.m_code) {
      case client_task::kFileAcknowledged:
        m_lastProgress = m_lastAcknowledged = Clock::now();
        SendNext(client);
        break;
      case client_task::kDeliveryReport:
        m_lastProgress = Clock::now();
        OnReport(client, notice);
        break;
      case client_task::kLogEntry:
        OnLog(notice.m_log);
        break;
      case client_task::kEndedGood:
      case client_task::kEndedBad:
        ++m_ended;
        break;
    }
  }

  void SendNext(LoadClient& client) {
    if (client.m_sent == g_options.files) {
      return;
    }
    const int index = client.m_firstFile + client.m_sent;
    ++client.m_sent;
    CFileError error;
    if (!client.m_task.SendFile(UploadFiles::FileName(index), m_files.Path(index),
                                static_cast<std::uint32_t>(client.m_sent), error)) {
      ++m_sendFailures;
    }
  }

  void OnReport(LoadClient& client, const CTaskNotice& notice) {
    ++m_reports;
    const std::size_t slot = notice.m_number - 1;
    if (notice.m_number == 0 || slot >= client.m_outcomes.size() ||
        client.m_outcomes[slot] != '\0') {
      ++m_strayReports;
      return;
    }
    client.m_outcomes[slot] = notice.m_text.empty() ? '?' : notice.m_text[0];
  }

  void OnLog(const CTaskLog& log) {
    if (log.m_level != kLogError && log.m_level != kLogWarning) {
      return;
    }
    if (m_warnings++ == 0) {
      m_firstWarning = CLogEntry(std::time(nullptr), log.m_level, log.m_category, log.m_number,
                                 log.m_args, ClientStrings())
                           .Format(LogFlavour::kClient);
    }
  }

  ManualEventLoop& m_loop;
  const UploadFiles& m_files;
  std::vector<std::unique_ptr<LoadClient>> m_clients;
  Clock::time_point m_lastProgress;
  Clock::time_point m_lastAcknowledged;
  int m_loggedIn = 0;
  int m_ended = 0;
  int m_reports = 0;
  int m_strayReports = 0;
  int m_sendFailures = 0;
  int m_warnings = 0;
  std::string m_firstWarning;
};

int CountOf(const std::string& text, std::string_view part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The lines of the server's console that tell of trouble, counted.
std::string ServerTrouble(const std::string& console) {
  static constexpr std::array<std::string_view, 7> kTroubleTexts = {
      "failed on send",
      "Failed to queue data because queue is full.",
      "Internet exception",
      "System error",
      "File error",
      "Remote host rejected",
      "Remote host offline, because an error occurred.",
  };
  std::string text;
  for (std::string_view trouble : kTroubleTexts) {
    if (const int count = CountOf(console, trouble); count > 0) {
      text += std::to_string(count) + " x \"" + std::string(trouble) + "\"; ";
    }
  }
  return text;
}

// Runs the server in its working folder, connects the clients, times their uploads from
// the first file sent to the last delivery report, stops both and fills the figures.
// False, why filled, when the run could not be made.
bool RunServerLoad(RunFigures& figures, ServerFigures& server, Arrival& arrival, std::string& why) {
  LoadFixture& fixture = *g_fixture;
  const test::VexoServerFolder folder{.m_folder = fixture.root.File("server"),
                                      .m_port = test::UnusedLoopbackPort(),
                                      .m_maxClients = g_options.clients,
                                      .m_login = kServerLogin,
                                      .m_password = kServerPassword,
                                      .m_ftpAddress = fixture.ftp.Address(),
                                      .m_ftpUser = kFtpUser,
                                      .m_ftpPassword = kFtpPassword,
                                      .m_serialNumber = "LOADBENCH",
                                      .m_userUuid = ""};
  test::ChildProcess process;
  if (!folder.Write(why) || !test::StartVexoServer(process, g_options.server, folder, why)) {
    return false;
  }
  const int port = folder.m_port;
  ManualEventLoop loop;
  LoadClients clients(loop, fixture.files);
  if (!clients.ConnectAll(static_cast<std::uint16_t>(port), why)) {
    return false;
  }
  const auto begin = Clock::now();
  figures.m_seconds = std::chrono::duration<double>(clients.UploadAll() - begin).count();
  server.m_receivedSeconds =
      std::chrono::duration<double>(clients.LastAcknowledged() - begin).count();
  clients.Stop();
  rusage usage{};
  const bool ended = process.Stop(std::chrono::seconds(60), server.m_exitStatus, usage);
  server.m_peakKiB = usage.ru_maxrss;
  server.m_cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  const std::string console = process.Output();
  server.m_putsLogged = CountOf(console, "successfully sent to FTP server");
  server.m_trouble = (ended ? "" : "did not end within 60 s of SIGTERM (killed); ") +
                     ServerTrouble(console) + clients.Trouble();
  figures.m_files = fixture.files.Count();
  figures.m_megabytes = fixture.files.Megabytes();
  arrival = CollectArrivals(fixture.root.File("ftp"), fixture.files);
  // A file counts as delivered only with its outcome '1' and its bytes on the host.
  arrival.m_intact = std::min(arrival.m_intact, clients.Delivered());
  return true;
}

void BM_ServerLoad(benchmark::State& state) {
  for (auto _ : state) {
    Arrival arrival;
    std::string why;
    const bool ran = RunServerLoad(g_server, g_serverFigures, arrival, why);
    state.SetIterationTime(g_server.m_seconds > 0 ? g_server.m_seconds : 1e-9);
    if (!ran) {
      state.SkipWithError(why.c_str());
      return;
    }
    Report(state, g_server, arrival);
    state.counters["server peak MB"] = g_serverFigures.m_peakKiB / 1024.0;
    state.counters["server CPU s"] = g_serverFigures.m_cpuSeconds;
  }
}

BENCHMARK(BM_DirectPutOneHandle)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectPutHandlePerFile)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerLoad)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Reads our flags from what Google Benchmark left; false on one we do not know or a bad
// number.
bool ParseOptions(int argc, char** argv) {
  g_options.server = bench::BuildTreeProgram("VEXOServer");
  if (!bench::ParseFlags(argc, argv,
                         {{.m_name = "--clients=", .m_number = &g_options.clients},
                          {.m_name = "--files=", .m_number = &g_options.files},
                          {.m_name = "--stall-seconds=", .m_number = &g_options.stallSeconds},
                          {.m_name = "--server=", .m_text = &g_options.server}},
                         "bench_server_load [--clients=N] [--files=N] [--server=PATH] "
                         "[--stall-seconds=N] [--benchmark_...]")) {
    return false;
  }
  if (g_options.clients * static_cast<long long>(g_options.files) >= 1000000) {
    std::fprintf(stderr, "bench_server_load: at most 999999 files in all\n");
    return false;
  }
  return true;
}

void PrintRate(const char* what, const RunFigures& figures) {
  std::printf("%s: %d files, %.1f MB; %d lost; delivered %.1f files/s, %.2f MB/s in %.2f s\n", what,
              figures.m_files, figures.m_megabytes, figures.m_lost, figures.FilesPerSecond(),
              figures.MegabytesPerSecond(), figures.m_seconds);
}

// The summary of the run; false when a file was lost.
bool PrintSummary() {
  for (const auto& [what, figures] : {std::pair{"direct put, one handle", &g_directKept},
                                      std::pair{"direct put, a handle per file", &g_directNew},
                                      std::pair{"through VEXOServer", &g_server}}) {
    if (figures->m_done) {
      PrintRate(what, *figures);
    }
  }
  if (g_directKept.m_done && g_directNew.m_done) {
    std::printf("keeping the handle: %.2f times the rate of a handle per file\n",
                g_directKept.FilesPerSecond() / g_directNew.FilesPerSecond());
  }
  if (g_server.m_done) {
    std::printf(
        "server: %d clients x %d files, last file received after %.2f s, %d puts logged as "
        "sent, peak RSS %.1f MB, CPU %.2f s, exit status %d\n",
        g_options.clients, g_options.files, g_serverFigures.m_receivedSeconds,
        g_serverFigures.m_putsLogged, g_serverFigures.m_peakKiB / 1024.0,
        g_serverFigures.m_cpuSeconds, g_serverFigures.m_exitStatus);
    std::printf("server trouble: %s\n",
                g_serverFigures.m_trouble.empty() ? "none" : g_serverFigures.m_trouble.c_str());
  }
  if (g_server.m_done && g_directKept.m_done) {
    std::printf("ratio to the direct put (one handle): %.3f (target: >= 0.5 with no file lost)\n",
                g_server.FilesPerSecond() / g_directKept.FilesPerSecond());
  }
  return g_directKept.m_lost == 0 && g_directNew.m_lost == 0 && g_server.m_lost == 0;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!ParseOptions(argc, argv)) {
    return 2;
  }
  const CurlGlobal curl;
  g_fixture = std::make_unique<LoadFixture>();
  std::string why;
  if (!curl.Ok() || !g_fixture->Make(why)) {
    std::fprintf(stderr, "bench_server_load: %s\n", curl.Ok() ? why.c_str() : "no libcurl");
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_fixture.reset();
  return PrintSummary() ? 0 : 1;
}
