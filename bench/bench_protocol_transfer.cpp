// One 100 MB text file sent from the client-side task to the server-side session over
// loopback, through both socket loops and the spool file, checked byte for byte; and, in the
// same run, a plain blocking TCP copy of the same bytes over loopback as the machine's limit.
// Prints both in MB/s and their ratio. Run with: bench_protocol_transfer
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "../tests/foundation/protocol/loopback_harness.h"

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

// User and system time of all the process's threads: on a busy machine the wall time
// says more about the other processes than about this one.
double ProcessCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
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
    loopback::LoopbackListener listener;
    loopback::NoticeRecord serverNotices;
    loopback::NoticeRecord clientNotices;
    if (!listener.Open()) {
      state.SkipWithError("no listener");
      return;
    }
    CSysErrorInfo error;
    loopback::ClientConnectionTask client(clientLock, std::make_unique<CDiskUploadSource>());
    client.SetOwner(&loop, task_message::kClientConnection, clientNotices.Handler());
    client.Prepare(listener.Port(), "alice", "secret");
    client.Start(error);
    CSysSocket accepted;
    while (!listener.Accept(accepted, 0)) {
      loop.RunUntil([] { return false; }, std::chrono::milliseconds(5));
    }
    loopback::ServerSessionTask session(serverLock, std::make_unique<CDiskSpoolFile>(), counter);
    session.SetOwner(&loop, task_message::kServerSession, serverNotices.Handler());
    session.Prepare(std::move(accepted), "alice", "secret",
                    (fixture.root / "Remote/Remote0000000").string(), "ftpuser");
    session.Start(error);
    if (!loop.RunUntil([&] { return !clientNotices.Of(0, task_message::kClientLoggedIn).empty(); },
                       std::chrono::seconds(10))) {
      state.SkipWithError("no login");
      return;
    }

    double cpuBefore = ProcessCpuSeconds();
    auto begin = std::chrono::steady_clock::now();
    CFileError fileError;
    client.SendFile(fixture.upload, 1, fileError);
    bool done =
        loop.RunUntil([&] { return clientNotices.Count(client_task::kFileAcknowledged) == 1; },
                      std::chrono::minutes(5));
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    g_protocolCpu = ProcessCpuSeconds() - cpuBefore;
    state.SetIterationTime(seconds);
    if (!done) {
      state.SkipWithError("transfer did not finish");
      return;
    }
    std::vector<CTaskNotice> received = serverNotices.Of(session_task::kFileReceived);
    if (received.size() != 1 || !SameAsUpload(received[0].m_text)) {
      state.SkipWithError("spool file differs from the upload");
      return;
    }
    g_protocolRate = kFileSize / kMegabyte / seconds;
    client.Stop(CWorkerTask::kInfinite, error);
    session.Stop(CWorkerTask::kInfinite, error);
    fs::remove(received[0].m_text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
  state.counters["MB/s"] = g_protocolRate;
  state.counters["CPU s"] = g_protocolCpu;
}

void BM_PlainTcpCopy(benchmark::State& state) {
  Fixture& fixture = Shared();
  std::string received(kFileSize, '\0');
  for (auto _ : state) {
    loopback::LoopbackListener listener;
    if (!listener.Open()) {
      state.SkipWithError("no listener");
      return;
    }
    int sender = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback::LoopbackAddress(listener.Port());
    ::connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address);
    CSysSocket accepted;
    listener.Accept(accepted);
    int receiver = accepted.Release();
    int flags = ::fcntl(receiver, F_GETFL);
    ::fcntl(receiver, F_SETFL, flags & ~O_NONBLOCK);

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
    state.SetIterationTime(seconds);
    ::close(sender);
    ::close(receiver);
    if (got != kFileSize || received != fixture.content) {
      state.SkipWithError("copy differs");
      return;
    }
    g_plainRate = kFileSize / kMegabyte / seconds;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
  state.counters["MB/s"] = g_plainRate;
  state.counters["CPU s"] = g_plainCpu;
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
        "protocol path %.1f MB/s (%.2f s CPU), plain TCP copy %.1f MB/s (%.2f s CPU), "
        "ratio %.3f (target >= 50 MB/s)\n",
        g_protocolRate, g_protocolCpu, g_plainRate, g_plainCpu, g_protocolRate / g_plainRate);
  }
  return 0;
}
