// One 100 MB text file sent from the client-side task to the server-side session over
// loopback, through both socket loops and the spool file, checked byte for byte; and, in the
// same run, a plain blocking TCP copy of the same bytes over loopback as the machine's limit.
// Prints both in MiB/s with their CPU time and peak memory, and the ratios of the two.
// Run with: bench_protocol_transfer
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "foundation/protocol/connection_task.h"
#include "foundation/protocol/session_task.h"

namespace {

namespace fs = std::filesystem;
using namespace trqx;

constexpr std::size_t kFileSize = 100u << 20;
constexpr double kMegabyte = 1024.0 * 1024.0;

struct Fixture {
  Fixture() {
    root = fs::temp_directory_path() / ("trqx_bench_protocol_" + std::to_string(::getpid()));
    fs::create_directories(root / "Remote/Remote0000000");
    std::mt19937 random(1);
    content.resize(kFileSize);
    for (char& c : content) {
      c = random() % 60 == 0 ? '\n' : static_cast<char>(' ' + random() % 95);
    }
    upload = (root / "TRQX000.inc").string();
    std::ofstream(upload, std::ios::binary).write(content.data(), content.size());
  }
  ~Fixture() { fs::remove_all(root); }

  fs::path root;
  std::string content;
  std::string upload;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

double g_protocolRate = 0;
double g_plainRate = 0;
double g_protocolCpu = 0;
double g_plainCpu = 0;
double g_protocolPeakMib = -1;
double g_plainPeakMib = -1;

// User and system time of all the process's threads: on a busy machine the wall time
// says more about the other processes than about this one.
double ProcessCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A field of /proc/self/status in MiB ("VmRSS" now, "VmHWM" the peak); -1 when unknown.
double StatusMib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size() + 1, field + ":") == 0) {
      return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0;
    }
  }
  return -1;
}

// The resident memory a run adds at its peak over what the process held when it began:
// the fixture's copy of the file is not counted, a buffer that grows with the file is.
class PeakMemory {
 public:
  PeakMemory() {
    // Writing 5 resets the peak to the present size (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
    m_start = StatusMib("VmRSS");
  }
  double AddedMib() const {
    double peak = StatusMib("VmHWM");
    return peak < 0 || m_start < 0 ? -1 : peak - m_start;
  }

 private:
  double m_start = -1;
};

// A connected pair of blocking TCP sockets over loopback, the two ends of one run; false,
// both closed, when there is none.
bool LoopbackPair(CSysSocket& clientEnd, CSysSocket& serverEnd) {
  CSysSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
  clientEnd = CSysSocket(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  if (listener.IsValid() && clientEnd.IsValid() && ::bind(listener.Handle(), raw, length) == 0 &&
      ::listen(listener.Handle(), 1) == 0 && ::getsockname(listener.Handle(), raw, &length) == 0 &&
      ::connect(clientEnd.Handle(), raw, length) == 0) {
    serverEnd = CSysSocket(::accept(listener.Handle(), nullptr, nullptr));
  }
  if (!serverEnd.IsValid()) {
    clientEnd = CSysSocket();
  }
  return serverEnd.IsValid();
}

bool SameAsUpload(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return got == Shared().content;
}

void BM_ProtocolTransfer(benchmark::State& state) {
  Fixture& fixture = Shared();
  for (auto _ : state) {
    ManualEventLoop loop;
    std::mutex serverLock;
    std::mutex clientLock;
    CSpoolCounter counter;
    CSysSocket clientEnd;
    CSysSocket serverEnd;
    if (!LoopbackPair(clientEnd, serverEnd)) {
      state.SkipWithError("no loopback connection");
      return;
    }
    bool loggedIn = false;
    int acknowledged = 0;
    std::vector<std::string> spoolFiles;
    CSysErrorInfo error;
    CConnectionTask client(clientLock, std::make_unique<CDiskUploadSource>());
    client.SetOwner(&loop, task_message::kClientConnection, [&](const CTaskNotice& notice) {
      loggedIn = loggedIn || notice.m_messageId == task_message::kClientLoggedIn;
      acknowledged += notice.m_code == client_task::kFileAcknowledged ? 1 : 0;
    });
    client.Adopt(std::move(clientEnd), false, "alice", "secret");
    client.Start(error);
    CSessionTask session(serverLock, std::make_unique<CDiskSpoolFile>(), counter);
    session.SetOwner(&loop, task_message::kServerSession, [&](const CTaskNotice& notice) {
      if (notice.m_code == session_task::kFileReceived) {
        spoolFiles.push_back(notice.m_text);
      }
    });
    session.Adopt(std::move(serverEnd), "alice", "secret",
                  (fixture.root / "Remote/Remote0000000").string(), "ftpuser");
    session.Start(error);
    if (!loop.RunUntil([&] { return loggedIn; }, std::chrono::seconds(10))) {
      state.SkipWithError("no login");
      return;
    }

    PeakMemory memory;
    double cpuBefore = ProcessCpuSeconds();
    auto begin = std::chrono::steady_clock::now();
    CFileError fileError;
    client.SendFile(fixture.upload, fixture.upload, 1, fileError);
    bool done = loop.RunUntil([&] { return acknowledged == 1; }, std::chrono::minutes(5));
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    g_protocolCpu = ProcessCpuSeconds() - cpuBefore;
    g_protocolPeakMib = memory.AddedMib();
    state.SetIterationTime(seconds);
    if (!done) {
      state.SkipWithError("transfer did not finish");
      return;
    }
    if (spoolFiles.size() != 1 || !SameAsUpload(spoolFiles[0])) {
      state.SkipWithError("spool file differs from the upload");
      return;
    }
    g_protocolRate = kFileSize / kMegabyte / seconds;
    client.Stop(CWorkerTask::kInfinite, error);
    session.Stop(CWorkerTask::kInfinite, error);
    fs::remove(spoolFiles[0]);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
  state.counters["MiB/s"] = g_protocolRate;
  state.counters["CPU s"] = g_protocolCpu;
  state.counters["peak MiB"] = g_protocolPeakMib;
}

void BM_PlainTcpCopy(benchmark::State& state) {
  Fixture& fixture = Shared();
  std::string received(kFileSize, '\0');
  for (auto _ : state) {
    CSysSocket senderEnd;
    CSysSocket receiverEnd;
    if (!LoopbackPair(senderEnd, receiverEnd)) {
      state.SkipWithError("no loopback connection");
      return;
    }
    const int sender = senderEnd.Handle();
    const int receiver = receiverEnd.Handle();

    PeakMemory memory;
    double cpuBefore = ProcessCpuSeconds();
    auto begin = std::chrono::steady_clock::now();
    std::thread sending([&] {
      std::size_t done = 0;
      while (done < kFileSize) {
        ssize_t n = ::send(sender, fixture.content.data() + done,
                           std::min<std::size_t>(kFileSize - done, 65536), MSG_NOSIGNAL);
        if (n <= 0) {
          break;
        }
        done += static_cast<std::size_t>(n);
      }
      ::shutdown(sender, SHUT_WR);
    });
    std::size_t got = 0;
    while (got < kFileSize) {
      ssize_t n =
          ::recv(receiver, received.data() + got, std::min<std::size_t>(kFileSize - got, 65536), 0);
      if (n <= 0) {
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    sending.join();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    g_plainCpu = ProcessCpuSeconds() - cpuBefore;
    g_plainPeakMib = memory.AddedMib();
    state.SetIterationTime(seconds);
    if (got != kFileSize || received != fixture.content) {
      state.SkipWithError("copy differs");
      return;
    }
    g_plainRate = kFileSize / kMegabyte / seconds;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
  state.counters["MiB/s"] = g_plainRate;
  state.counters["CPU s"] = g_plainCpu;
  state.counters["peak MiB"] = g_plainPeakMib;
}

BENCHMARK(BM_ProtocolTransfer)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTcpCopy)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_protocolRate > 0 && g_plainRate > 0) {
    std::printf(
        "protocol path %.1f MiB/s (%.2f s CPU, peak +%.1f MiB), plain TCP copy %.1f MiB/s "
        "(%.2f s CPU, peak +%.1f MiB)\n"
        "ratio %.3f (target >= 0.5), CPU ratio %.2f (target <= 2)\n",
        g_protocolRate, g_protocolCpu, g_protocolPeakMib, g_plainRate, g_plainCpu, g_plainPeakMib,
        g_protocolRate / g_plainRate, g_plainCpu > 0 ? g_protocolCpu / g_plainCpu : 0.0);
  }
  return 0;
}
