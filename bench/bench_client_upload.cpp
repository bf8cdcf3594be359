// The upload client end to end: the real TRQXClient and VEXOServer of this build tree run as
// children in scratch working folders, forwarding to a real FTP server (pyftpdlib) on
// loopback.
// - Send: "TRQXClient --console --send desk.csv" of a comma desk file of --rows rows (about
//   100 bytes a row), timed from the client's start to its exit and split by its output into
//   conversion (to "Uploading file"), transfer (to the history row "pending": the server has
//   the whole upload file) and forwarding (to the exit, after the row "sent"). In the same
//   run, the limit: curl -T of the same upload file straight into the same FTP server. Prints
//   the phases, the total, the limit, total/limit and both children's peak memory.
// - Poll: the client in server mode polling its poll folder (Detect Method 0, input a pipe
//   kept open); --files small desk files are renamed into the folder at once; timed until
//   the folder is empty and the FTP server holds that many files. Prints files/s.
// Run with: bench_client_upload [--rows=1000000] [--files=1000] [--stall-seconds=120]
// [--bin=PATH] (the folder of TRQXClient and VEXOServer, by default this build tree's apps/).
// A run gives up when nothing moved for --stall-seconds; the flags are ours, read from what
// Google Benchmark leaves, as in bench_server_load.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "foundation/archive.h"
#include "server/server_settings.h"  // support/vexo_server.h uses the server layer
#include "settings/settings_file.h"
#include "support/child_process.h"
#include "support/ftp_server.h"
#include "support/scratch_folder.h"
#include "support/vexo_server.h"
#include "upload/user_profile.h"
#include "upload_bench_setup.h"

namespace {

namespace fs = std::filesystem;
using namespace trqx;
using Clock = std::chrono::steady_clock;

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr const char* kFtpUser = "benchftp";
constexpr const char* kFtpPassword = "ftpsecret";
constexpr const char* kServerLogin = "VEXOServer";
constexpr const char* kServerPassword = "clientsecret";
constexpr std::chrono::seconds kStopWait{60};
constexpr std::chrono::milliseconds kPollWait{5};

struct Options {
  int rows = 1000000;
  int files = 1000;
  int stallSeconds = 120;
  std::string bin;  // the folder of the programs
};
Options g_options;

double SecondsSince(Clock::time_point begin) {
  return std::chrono::duration<double>(Clock::now() - begin).count();
}

int CountOf(const std::string& text, std::string_view part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

std::vector<fs::path> FilesIn(const std::string& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    files.push_back(entry.path());
  }
  return files;
}

// The client's working folder: the bench field format and grid mapping (".csv" files), the
// three value lists, and trqx.cfg for the server method, polling folder poll when given.
bool WriteClientFolder(const std::string& folder, int serverPort, const std::string& poll,
                       std::string& why) {
  fs::create_directories(folder);
  std::string format;
  for (const OstraneField& field : bench::BenchFields().UploadFields()) {
    TokenList tokens;
    field.Save(tokens);
    format += RecordLine(tokens) + "\r\n";
  }
  UserProfile profile(bench::BenchFields());
  profile.AddMapping(std::make_unique<CGridMapping>(bench::MakeGridMapping()));
  COpenNVInternalSettings settings(folder);
  settings.m_uuid = 4711;
  settings.m_portfolioLogin = "JSMITH";
  settings.m_portfolioWS = "DESK1";
  settings.m_uploadMethod = kUploadClientServer;
  settings.m_serverAddress = "127.0.0.1";
  settings.m_serverPort = serverPort;
  settings.m_clientLogin = kServerLogin;
  settings.m_clientPassword = kServerPassword;
  // Without a File Send, only the automatic restart connects at start-up.
  settings.m_clientAutoRestart = !poll.empty();
  settings.m_usePoll = !poll.empty();
  settings.m_pollDirectory = poll;
  settings.m_detectMethod = 0;
  CSettingsFile settingsFile(settings, folder);
  std::uintmax_t size = 0;
  CFileError error;
  const bool written = WriteWholeFile(folder + "/NVFormat.cfg", format) &&
                       profile.SaveFile(folder + "/" + UserProfile::kFileName, error) &&
                       settingsFile.Save(size, error) &&
                       WriteWholeFile(folder + "/exchange.cfg", "N\nQ\n") &&
                       WriteWholeFile(folder + "/ordertype.cfg", "MKT\nLMT\n") &&
                       WriteWholeFile(folder + "/reason.cfg", "NONE\n");
  why = written ? "" : "client folder not written: " + error.m_function + " " + error.m_fileName;
  return written;
}

// The FTP server and the scratch folder shared by both measurements.
struct Fixture {
  ScratchFolder root;
  test::FtpServer ftp;
  std::string FtpFolder() const { return root.File("ftp"); }
};
std::unique_ptr<Fixture> g_fixture;

// One measurement's server, started in its own folder under the scratch folder.
struct ServerRun {
  bool Start(const std::string& name, std::string& why) {
    m_folder = {.m_folder = g_fixture->root.File(name),
                .m_port = test::UnusedLoopbackPort(),
                .m_login = kServerLogin,
                .m_password = kServerPassword,
                .m_ftpAddress = g_fixture->ftp.Address(),
                .m_ftpUser = kFtpUser,
                .m_ftpPassword = kFtpPassword,
                .m_userUuid = "4711"};
    return m_folder.Write(why) &&
           test::StartVexoServer(m_process, g_options.bin + "/VEXOServer", m_folder, why);
  }
  // Starts the client in folder with args; it shares the server's registry stand-in.
  bool StartClient(test::ChildProcess& client, const std::string& folder,
                   const std::vector<std::string>& args, bool pipeInput) {
    const test::ScopedEnv registry("TRQX_REGISTRY", m_folder.RegistryFolder());
    std::vector<std::string> argv = {g_options.bin + "/TRQXClient", "--console"};
    argv.insert(argv.end(), args.begin(), args.end());
    return client.Start({.m_argv = argv,
                         .m_folder = folder,
                         .m_outputPath = folder + "/console.txt",
                         .m_pipeInput = pipeInput});
  }
  // SIGTERM; the peak memory in MB, and trouble noted when it did not end in time.
  double Stop(std::string& trouble) {
    int status = 0;
    rusage usage{};
    if (!m_process.Stop(kStopWait, status, usage) || status != 0) {
      trouble += "server exit status " + std::to_string(status) + "; ";
    }
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
  }

  test::VexoServerFolder m_folder;
  test::ChildProcess m_process;
};

// Calls step every period until it says done, or until the progress it reports has not
// changed for --stall-seconds; false on the stall.
bool WaitWhileMoving(std::chrono::milliseconds period,
                     const std::function<bool(long& progress)>& step) {
  long last = -1;
  auto moved = Clock::now();
  for (long progress = 0; !step(progress); std::this_thread::sleep_for(period)) {
    if (progress != last) {
      last = progress;
      moved = Clock::now();
    } else if (SecondsSince(moved) > g_options.stallSeconds) {
      return false;
    }
  }
  return true;
}

// Puts file into the FTP server with the curl program; its seconds, or -1 when it failed.
double CurlPut(const std::string& file, const std::string& remoteName) {
  test::ChildProcess curl;
  const std::string url = std::string("ftp://") + kFtpUser + ":" + kFtpPassword + "@" +
                          g_fixture->ftp.Address() + "/" + remoteName;
  const auto begin = Clock::now();
  if (!curl.Start({.m_argv = {"/usr/bin/curl", "-sS", "-T", file, url},
                   .m_folder = g_fixture->root.Path(),
                   .m_outputPath = g_fixture->root.File("curl.txt")})) {
    return -1;
  }
  int status = 0;
  rusage usage{};
  while (!curl.Reap(status, usage)) {
    std::this_thread::sleep_for(kPollWait);
  }
  return status == 0 ? SecondsSince(begin) : -1;
}

// The client's output lines that mark the ends of the send phases.
constexpr std::array<std::string_view, 3> kSendMarks = {"Uploading file ", "History row 1: pending",
                                                        "History row 1: sent"};

void BM_ClientSend(benchmark::State& state) {
  for (auto _ : state) {
    const std::string desk = g_fixture->root.File("desk/desk.csv");
    fs::create_directories(g_fixture->root.File("desk"));
    ServerRun server;
    std::string why;
    if (!bench::WriteGridDeskFile(desk, static_cast<std::size_t>(g_options.rows)) ||
        !server.Start("send-server", why) ||
        !WriteClientFolder(g_fixture->root.File("send-client"), server.m_folder.m_port, "", why)) {
      state.SkipWithError(why.empty() ? "desk file not written" : why.c_str());
      return;
    }
    test::ChildProcess client;
    const std::string folder = g_fixture->root.File("send-client");
    std::array<double, kSendMarks.size()> marks = {-1, -1, -1};
    int status = -1;
    rusage usage{};
    const auto begin = Clock::now();
    server.StartClient(client, folder, {"--send", desk}, false);
    const bool ended = WaitWhileMoving(kPollWait, [&](long& progress) {
      const std::string output = client.Output();
      for (std::size_t i = 0; i < marks.size(); ++i) {
        if (marks[i] < 0 && output.find(kSendMarks[i]) != std::string::npos) {
          marks[i] = SecondsSince(begin);
        }
      }
      progress = static_cast<long>(std::count(marks.begin(), marks.end(), -1.0));
      return client.Reap(status, usage);
    });
    const double total = SecondsSince(begin);
    std::string trouble = ended ? "" : "client stalled (killed); ";
    if (!ended) {
      client.Stop(std::chrono::seconds(1), status, usage);
    }
    const double clientPeak = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const double serverPeak = server.Stop(trouble);
    const std::vector<fs::path> uploads = FilesIn(folder + "/Upload");
    const auto upload = std::find_if(uploads.begin(), uploads.end(),
                                     [](const fs::path& p) { return p.extension() == ".inc"; });
    const std::vector<fs::path> arrived = FilesIn(g_fixture->FtpFolder());
    const double uploadMB =
        upload == uploads.end() ? 0 : static_cast<double>(fs::file_size(*upload)) / kMegabyte;
    const double arrivedMB =
        arrived.size() != 1 ? 0 : static_cast<double>(fs::file_size(arrived[0])) / kMegabyte;
    const double limit = upload == uploads.end() ? -1 : CurlPut(upload->string(), "limit.inc");
    state.SetIterationTime(total);
    state.counters["conversion s"] = marks[0];
    state.counters["transfer s"] = marks[1] - marks[0];
    state.counters["forwarding s"] = total - marks[1];
    state.counters["limit s"] = limit;
    state.counters["total/limit"] = total / limit;
    state.counters["client peak MB"] = clientPeak;
    state.counters["server peak MB"] = serverPeak;
    std::printf(
        "send %d rows: desk %.1f MB, upload file %.1f MB, on the FTP host %.1f MB in %zu "
        "file(s)\n  conversion %.2f s, transfer %.2f s, forwarding %.2f s (row \"sent\" at "
        "%.2f s), total %.2f s, client exit status %d\n  limit (curl -T of the upload file) "
        "%.2f s, total/limit %.2f\n  peak memory: client %.1f MB, server %.1f MB\n  trouble: "
        "%s\n",
        g_options.rows, static_cast<double>(fs::file_size(desk)) / kMegabyte, uploadMB, arrivedMB,
        arrived.size(), marks[0], marks[1] - marks[0], total - marks[1], marks[2], total,
        WIFEXITED(status) ? WEXITSTATUS(status) : -1, limit, total / limit, clientPeak, serverPeak,
        trouble.empty() ? "none" : trouble.c_str());
    for (const fs::path& file : FilesIn(g_fixture->FtpFolder())) {
      fs::remove(file);
    }
  }
}

// Writes --files small desk files (a title row and three rows each) into folder.
bool WritePollFiles(const std::string& folder) {
  fs::create_directories(folder);
  for (int index = 0; index < g_options.files; ++index) {
    if (!bench::WriteGridDeskFile(folder + "/d" + std::to_string(100000 + index) + ".csv", 4)) {
      return false;
    }
  }
  return true;
}

void BM_ClientPoll(benchmark::State& state) {
  for (auto _ : state) {
    const std::string folder = g_fixture->root.File("poll-client");
    const std::string poll = g_fixture->root.File("poll");
    const std::string staging = g_fixture->root.File("staging");
    fs::create_directories(poll);
    ServerRun server;
    std::string why;
    if (!WritePollFiles(staging) || !server.Start("poll-server", why) ||
        !WriteClientFolder(folder, server.m_folder.m_port, poll, why)) {
      state.SkipWithError(why.empty() ? "desk files not written" : why.c_str());
      return;
    }
    test::ChildProcess client;
    server.StartClient(client, folder, {}, true);
    // A scan before the login only logs "not connected"; the login scans again.
    if (!client.WaitForOutput("Directory Notification Task Started", std::chrono::seconds(10)) ||
        !client.WaitForOutput("Connection established.", std::chrono::seconds(10))) {
      state.SkipWithError(("client not polling; its output: " + client.Output()).c_str());
      return;
    }
    const auto begin = Clock::now();
    for (const fs::path& file : FilesIn(staging)) {
      fs::rename(file, poll + "/" + file.filename().string());
    }
    const std::size_t files = static_cast<std::size_t>(g_options.files);
    const bool done = WaitWhileMoving(kPollWait * 4, [&](long& progress) {
      const std::size_t waiting = FilesIn(poll).size();
      const std::size_t arrived = FilesIn(g_fixture->FtpFolder()).size();
      progress = static_cast<long>(waiting * files + arrived);
      return waiting == 0 && arrived >= files;
    });
    const double seconds = SecondsSince(begin);
    std::string trouble = done ? "" : "stalled; ";
    int status = 0;
    rusage usage{};
    if (!client.Stop(kStopWait, status, usage) || status != 0) {
      trouble += "client exit status " + std::to_string(status) + "; ";
    }
    const double serverPeak = server.Stop(trouble);
    const std::string output = client.Output();
    const std::size_t left = FilesIn(poll).size();
    const std::size_t arrived = FilesIn(g_fixture->FtpFolder()).size();
    state.SetIterationTime(seconds);
    state.counters["files/s"] = static_cast<double>(arrived) / seconds;
    state.counters["left"] = static_cast<double>(left);
    state.counters["client peak MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    std::printf(
        "poll %d files: %zu on the FTP host, %zu left in the poll folder after %.2f s: %.1f "
        "files/s\n  history rows: %d sent, %d failed; client peak %.1f MB, server peak %.1f "
        "MB\n  trouble: %s\n",
        g_options.files, arrived, left, seconds, static_cast<double>(arrived) / seconds,
        CountOf(output, ": sent\t"), CountOf(output, ": failed\t"),
        static_cast<double>(usage.ru_maxrss) / 1024.0, serverPeak,
        trouble.empty() ? "none" : trouble.c_str());
  }
}

BENCHMARK(BM_ClientSend)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientPoll)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Reads our flags from what Google Benchmark left; false on one we do not know or a bad
// number.
bool ParseOptions(int argc, char** argv) {
  static constexpr std::array<std::pair<std::string_view, int Options::*>, 3> kNumbers = {{
      {"--rows=", &Options::rows},
      {"--files=", &Options::files},
      {"--stall-seconds=", &Options::stallSeconds},
  }};
  // bench/ and apps/ are siblings in the build tree.
  std::error_code error;
  g_options.bin =
      (fs::read_symlink("/proc/self/exe", error).parent_path().parent_path() / "apps").string();
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const auto number = std::find_if(kNumbers.begin(), kNumbers.end(), [&](const auto& flag) {
      return argument.starts_with(flag.first);
    });
    if (argument.starts_with("--bin=")) {
      g_options.bin = argument.substr(std::string_view("--bin=").size());
    } else if (number == kNumbers.end() ||
               (g_options.*number->second = ParseInt(argument.substr(number->first.size()))) <= 0) {
      std::fprintf(stderr,
                   "bench_client_upload: bad argument %s\nusage: bench_client_upload [--rows=N] "
                   "[--files=N] [--stall-seconds=N] [--bin=PATH] [--benchmark_...]\n",
                   argv[i]);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!ParseOptions(argc, argv)) {
    return 2;
  }
  g_fixture = std::make_unique<Fixture>();
  fs::create_directories(g_fixture->FtpFolder());
  if (g_fixture->root.Path().empty() ||
      !g_fixture->ftp.Start({g_fixture->FtpFolder(), kFtpUser, kFtpPassword})) {
    std::fprintf(stderr, "bench_client_upload: pyftpdlib did not start: %s\n",
                 g_fixture->ftp.Log().c_str());
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_fixture.reset();
  return 0;
}
