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
//   the folder is empty and the FTP server holds that many files. Prints files/s, and as
//   trouble any file uploaded more than once or not at all.
// Run with: bench_client_upload [--rows=1000000] [--files=1000] [--stall-seconds=120]
// [--settle-ms=1000] [--bin=PATH] (the folder of TRQXClient and VEXOServer, by default this
// build tree's apps/); --settle-ms is the wait between the client's connection and the
// renames (its login comes in between).
// A run gives up when nothing moved for --stall-seconds; the flags are ours, read from what
// Google Benchmark leaves, as in bench_server_load. Exits 1 when a measurement saw trouble.
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

#include "bench_flags.h"
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
  int settleMs = 1000;  // from the client's connection to the files' arrival
  std::string bin;      // the folder of the programs
};
Options g_options;
bool g_trouble = false;  // a measurement saw trouble: the exit code is 1

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

// What a run of the client found.
struct RunFigures {
  double m_seconds = 0;
  int m_clientExit = -1;    // its exit code, -1 when killed
  double m_clientPeak = 0;  // MB
  double m_serverPeak = 0;
  std::string m_output;  // the client's
  std::string m_trouble;
};

// TRQXClient with a VEXOServer of its own, each in a working folder under the scratch
// folder, sharing the server's registry stand-in.
class ClientRun {
 public:
  // Starts the server, then "TRQXClient --console args" in the folder "name-client",
  // polling poll (its input a pipe kept open) when given. False, why filled, on failure.
  bool Start(const std::string& name, const std::vector<std::string>& args, const std::string& poll,
             std::string& why) {
    m_server = {.m_folder = g_fixture->root.File(name + "-server"),
                .m_port = test::UnusedLoopbackPort(),
                .m_login = kServerLogin,
                .m_password = kServerPassword,
                .m_ftpAddress = g_fixture->ftp.Address(),
                .m_ftpUser = kFtpUser,
                .m_ftpPassword = kFtpPassword,
                .m_userUuid = "4711"};
    m_folder = g_fixture->root.File(name + "-client");
    std::vector<std::string> argv = {g_options.bin + "/TRQXClient", "--console"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!m_server.Write(why) ||
        !test::StartVexoServer(m_serverProcess, g_options.bin + "/VEXOServer", m_server, why) ||
        !WriteClientFolder(m_folder, m_server.m_port, poll, why)) {
      return false;
    }
    const test::ScopedEnv registry("TRQX_REGISTRY", m_server.RegistryFolder());
    m_begin = Clock::now();
    return m_client.Start({.m_argv = argv,
                           .m_folder = m_folder,
                           .m_outputPath = m_folder + "/console.txt",
                           .m_pipeInput = !poll.empty()}) ||
           (why = "fork failed", false);
  }
  test::ChildProcess& Client() { return m_client; }
  Clock::time_point Begin() const { return m_begin; }
  // Reaps the client if it has ended.
  bool Reap() { return m_client.Reap(m_status, m_usage); }
  // Stops the client (unless reaped) and the server, each with SIGTERM.
  void Stop(RunFigures& figures) {
    if (m_client.Running() && !m_client.Stop(kStopWait, m_status, m_usage)) {
      figures.m_trouble += "client killed; ";
    }
    figures.m_clientExit = WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    figures.m_clientPeak = static_cast<double>(m_usage.ru_maxrss) / 1024.0;
    figures.m_output = m_client.Output();
    int status = 0;
    rusage usage{};
    if (!m_serverProcess.Stop(kStopWait, status, usage) || status != 0) {
      figures.m_trouble += "server exit status " + std::to_string(status) + "; ";
    }
    figures.m_serverPeak = static_cast<double>(usage.ru_maxrss) / 1024.0;
  }

 private:
  test::VexoServerFolder m_server;
  test::ChildProcess m_serverProcess;
  std::string m_folder;
  test::ChildProcess m_client;
  Clock::time_point m_begin;
  int m_status = -1;
  rusage m_usage{};
};

// Puts file into the FTP server with the curl program; its seconds, or -1 when it failed.
double CurlPut(const std::string& file, const std::string& remoteName) {
  test::ChildProcess curl;
  const std::string url = std::string("ftp://") + kFtpUser + ":" + kFtpPassword + "@" +
                          g_fixture->ftp.Address() + "/" + remoteName;
  const auto begin = Clock::now();
  int status = -1;
  rusage usage{};
  return curl.Start({.m_argv = {"/usr/bin/curl", "-sS", "-T", file, url},
                     .m_folder = g_fixture->root.Path(),
                     .m_outputPath = g_fixture->root.File("curl.txt")}) &&
                 curl.Wait(status, usage) && status == 0
             ? SecondsSince(begin)
             : -1;
}

// The client's output lines that end the phases of a send: conversion, transfer, forwarding.
constexpr std::array<std::string_view, 3> kSendMarks = {"Uploading file ", "History row 1: pending",
                                                        "History row 1: sent"};

// Runs "--send desk", timing kSendMarks from the client's start into marks; false, why
// filled, when the run could not be made.
bool RunSend(const std::string& desk, std::array<double, 3>& marks, RunFigures& figures,
             std::string& why) {
  ClientRun run;
  if (!run.Start("send", {"--send", desk}, "", why)) {
    return false;
  }
  const bool ended = WaitWhileMoving(kPollWait, [&](long& progress) {
    const std::string output = run.Client().Output();
    for (std::size_t i = 0; i < marks.size(); ++i) {
      if (marks[i] < 0 && output.find(kSendMarks[i]) != std::string::npos) {
        marks[i] = SecondsSince(run.Begin());
      }
    }
    progress = static_cast<long>(std::count(marks.begin(), marks.end(), -1.0));
    return run.Reap();
  });
  figures.m_seconds = SecondsSince(run.Begin());
  figures.m_trouble = ended ? "" : "client stalled; ";
  run.Stop(figures);
  return true;
}

void BM_ClientSend(benchmark::State& state) {
  for (auto _ : state) {
    const std::string desk = g_fixture->root.File("desk.csv");
    std::array<double, 3> marks = {-1, -1, -1};
    RunFigures figures;
    std::string why = "desk file not written";
    if (!bench::WriteGridDeskFile(desk, static_cast<std::size_t>(g_options.rows)) ||
        !RunSend(desk, marks, figures, why)) {
      state.SkipWithError(why.c_str());
      g_trouble = true;
      return;
    }
    const fs::path upload = g_fixture->root.File("send-client/Upload/TRQX000.inc");
    const std::vector<fs::path> arrived = FilesIn(g_fixture->FtpFolder());
    // The server puts its serial number into the "SN=" line, padded to the same width.
    const bool intact = arrived.size() == 1 && fs::exists(upload) &&
                        fs::file_size(arrived[0]) == fs::file_size(upload);
    const double limit = fs::exists(upload) ? CurlPut(upload.string(), "limit.inc") : -1;
    const double total = figures.m_seconds;
    g_trouble |= !figures.m_trouble.empty() || !intact || figures.m_clientExit != 0;
    state.SetIterationTime(total);
    state.counters["total/limit"] = total / limit;
    std::printf(
        "send %d rows: desk %.1f MB, upload file %.1f MB; %zu file(s) on the FTP host, %s\n"
        "  conversion %.2f s, transfer %.2f s, forwarding %.2f s (row \"sent\" at %.2f s), "
        "total %.2f s, client exit code %d\n  limit (curl -T of the upload file) %.2f s, "
        "total/limit %.2f\n  peak memory: client %.1f MB, server %.1f MB\n  trouble: %s\n",
        g_options.rows, static_cast<double>(fs::file_size(desk)) / kMegabyte,
        fs::exists(upload) ? static_cast<double>(fs::file_size(upload)) / kMegabyte : 0.0,
        arrived.size(), intact ? "of its size" : "NOT of its size", marks[0], marks[1] - marks[0],
        total - marks[1], marks[2], total, figures.m_clientExit, limit, total / limit,
        figures.m_clientPeak, figures.m_serverPeak,
        figures.m_trouble.empty() ? "none" : figures.m_trouble.c_str());
    for (const fs::path& file : arrived) {
      fs::remove(file);
    }
    fs::remove(g_fixture->FtpFolder() + "/limit.inc");
  }
}

// Starts the polling client, renames the files of staging into poll at once and waits
// until poll is empty and the FTP server holds --files files; the number left in poll and
// delivered. False, why filled, when the run could not be made.
bool RunPoll(const std::string& staging, const std::string& poll, RunFigures& figures,
             std::size_t& left, std::size_t& arrived, std::string& why) {
  ClientRun run;
  if (!run.Start("poll", {}, poll, why) ||
      !run.Client().WaitForOutput("Directory Notification Task Started", kStopWait) ||
      !run.Client().WaitForOutput("Connection established.", kStopWait)) {
    why += " client not polling; its output: " + run.Client().Output();
    return false;
  }
  // The client prints nothing at its login, and a file handed over before it is uploaded
  // again (the login ends the transfer in progress): the files come --settle-ms later.
  std::this_thread::sleep_for(std::chrono::milliseconds(g_options.settleMs));
  const auto begin = Clock::now();
  for (const fs::path& file : FilesIn(staging)) {
    fs::rename(file, poll + "/" + file.filename().string());
  }
  const auto files = static_cast<std::size_t>(g_options.files);
  const bool done = WaitWhileMoving(kPollWait * 4, [&](long& progress) {
    left = FilesIn(poll).size();
    arrived = FilesIn(g_fixture->FtpFolder()).size();
    progress = static_cast<long>(left * files + arrived);
    return left == 0 && arrived >= files;
  });
  figures.m_seconds = SecondsSince(begin);
  figures.m_trouble = done ? "" : "stalled; ";
  run.Stop(figures);
  return true;
}

void BM_ClientPoll(benchmark::State& state) {
  for (auto _ : state) {
    const std::string staging = g_fixture->root.File("staging");
    const std::string poll = g_fixture->root.File("poll");
    fs::create_directories(staging);
    fs::create_directories(poll);
    std::string why;
    for (int index = 0; index < g_options.files; ++index) {
      // A title row and three rows, named for the mapping's ".csv".
      if (!bench::WriteGridDeskFile(staging + "/d" + std::to_string(100000 + index) + ".csv", 4)) {
        why = "desk files not written";
      }
    }
    RunFigures figures;
    std::size_t left = 0;
    std::size_t arrived = 0;
    if (!why.empty() || !RunPoll(staging, poll, figures, left, arrived, why)) {
      state.SkipWithError(why.c_str());
      g_trouble = true;
      return;
    }
    const int uploads = CountOf(figures.m_output, "Attempting to upload");
    if (uploads != g_options.files || arrived != static_cast<std::size_t>(g_options.files)) {
      figures.m_trouble += std::to_string(uploads) + " uploads begun and " +
                           std::to_string(arrived) + " files delivered for " +
                           std::to_string(g_options.files) + "; ";
    }
    const double rate = g_options.files / figures.m_seconds;
    g_trouble |= !figures.m_trouble.empty();
    state.SetIterationTime(figures.m_seconds);
    state.counters["files/s"] = rate;
    std::printf(
        "poll %d files: %zu on the FTP host, %zu left in the poll folder after %.2f s: %.1f "
        "files/s\n  history rows: %d sent, %d failed; client exit code %d; peak memory: "
        "client %.1f MB, server %.1f MB\n  trouble: %s\n",
        g_options.files, arrived, left, figures.m_seconds, rate,
        CountOf(figures.m_output, ": sent\t"), CountOf(figures.m_output, ": failed\t"),
        figures.m_clientExit, figures.m_clientPeak, figures.m_serverPeak,
        figures.m_trouble.empty() ? "none" : figures.m_trouble.c_str());
  }
}

BENCHMARK(BM_ClientSend)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientPoll)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Reads our flags from what Google Benchmark left; false on one we do not know or a bad
// number.
bool ParseOptions(int argc, char** argv) {
  g_options.bin = fs::path(bench::BuildTreeProgram("TRQXClient")).parent_path().string();
  return bench::ParseFlags(argc, argv,
                           {{.m_name = "--rows=", .m_number = &g_options.rows},
                            {.m_name = "--files=", .m_number = &g_options.files},
                            {.m_name = "--stall-seconds=", .m_number = &g_options.stallSeconds},
                            {.m_name = "--settle-ms=", .m_number = &g_options.settleMs},
                            {.m_name = "--bin=", .m_text = &g_options.bin}},
                           "bench_client_upload [--rows=N] [--files=N] [--stall-seconds=N] "
                           "[--settle-ms=N] [--bin=PATH] [--benchmark_...]");
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
  return g_trouble ? 1 : 0;
}
