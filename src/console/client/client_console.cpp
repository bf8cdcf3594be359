#include "console/client/client_console.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <system_error>

#include "client/process.h"
#include "client/trqx_client_dlg.h"
#include "console/client/client_console_view.h"
#include "console/client/input_lines.h"
#include "foundation/registry.h"
#include "foundation/sys/exit_signals.h"

namespace trqx {

namespace {

// The picker of a command that already names its file; a picker gives full paths, which
// the history and the log show.
CTRQXClientDlg::FilePicker Chosen(const std::string& path) {
  std::error_code ignored;
  const std::string full = path.empty() ? path : std::filesystem::absolute(path, ignored).string();
  return
      [full](const std::string&, const std::string&) { return std::optional<std::string>(full); };
}

// Sends the files given on the command line one at a time, each once the last has ended,
// and quits the loop after the last.
class ScriptedSends : public ClientObserver {
 public:
  static constexpr EventLoop::TimerId kBusyTimer = 900;
  static constexpr std::chrono::milliseconds kBusyWait{500};

  ScriptedSends(const std::vector<std::string>& files, CTRQXClientDlg& dlg, ManualEventLoop& loop)
      : m_files(files), m_dlg(dlg), m_loop(loop) {}

  void Begin() {
    if (!m_dlg.Settings().IsClientServerUpload()) {
      SendNext();
      return;
    }
    m_dlg.OnConnect();
    if (!m_dlg.Connected()) {
      Finish();
    }
  }
  bool AllSent() const { return m_done && m_failed == 0; }

  void UploadEnded(std::uint32_t, bool sent) override {
    m_failed += sent ? 0 : 1;
    m_loop.Post([this] { SendNext(); });
  }
  void LoggedIn() override {
    if (!m_started) {
      m_started = true;
      m_loop.Post([this] { SendNext(); });
    }
  }
  void ConnectionEnded() override {
    if (!m_done) {
      Finish();
    }
  }

 private:
  void SendNext() {
    if (m_done) {
      return;
    }
    if (m_next == m_files.size()) {
      m_done = true;
      m_loop.Quit();
      return;
    }
    switch (m_dlg.OnFileSend(Chosen(m_files[m_next]))) {
      case UploadResult::kHandedOver:
        ++m_next;  // its end calls UploadEnded
        break;
      case UploadResult::kBusy:
        // A polled upload runs: try again once it may have ended.
        m_loop.SetTimer(kBusyTimer, kBusyWait, [this] {
          m_loop.KillTimer(kBusyTimer);
          SendNext();
        });
        break;
      case UploadResult::kFailed:
      case UploadResult::kNotConnected:
        ++m_next;
        ++m_failed;
        m_loop.Post([this] { SendNext(); });
        break;
    }
  }
  // The files not yet handed over are not sent.
  void Finish() {
    m_failed += m_files.size() - m_next;
    m_next = m_files.size();
    m_done = true;
    m_loop.Quit();
  }

  const std::vector<std::string>& m_files;
  CTRQXClientDlg& m_dlg;
  ManualEventLoop& m_loop;
  std::size_t m_next = 0;
  std::size_t m_failed = 0;
  bool m_started = false;
  bool m_done = false;
};

// One menu command read from the input.
void RunCommand(const std::string& line, CTRQXClientDlg& dlg, std::ostream& err) {
  const std::size_t space = line.find(' ');
  const std::string word = line.substr(0, space);
  if (word == "send" && space != std::string::npos) {
    dlg.OnFileSend(Chosen(line.substr(space + 1)));
  } else if (word == "connect") {
    dlg.OnConnect();
  } else if (word == "disconnect") {
    dlg.OnDisconnect();
  } else if (word == "cancel") {
    dlg.OnCancelAllPending();
  } else if (word == "abort") {
    dlg.OnUploadProgressCancel();
  } else if (word == "reset") {
    dlg.OnResetSendLog();
  } else if (word == "exit") {
    dlg.OnExit();
  } else if (!line.empty()) {
    err << "unknown command: " << line << "\ncommands:\n" << kClientConsoleCommands << std::flush;
  }
}

}  // namespace

int RunClientConsole(const std::vector<std::string>& filesToSend, int inputFd, std::ostream& out,
                     std::ostream& err) {
  ExitSignals signals;  // before any other thread starts, so all inherit the mask
  ManualEventLoop loop;
  IniRegistry registry;
  SpawnProcessRunner processes;
  ClientConsoleView view(out, err, loop);
  out << CTRQXClientDlg::kCaption << '\n' << std::flush;
  CTRQXClientDlg dlg(view, loop, registry, processes);
  if (const std::optional<int> ended = StartupExitCode(dlg.OnInitDialog())) {
    return *ended;
  }
  signals.OnSignal(loop, [&dlg] { dlg.OnExit(); });
  if (!filesToSend.empty()) {
    ScriptedSends sends(filesToSend, dlg, loop);
    dlg.SetObserver(&sends);
    loop.Post([&sends] { sends.Begin(); });
    loop.Run();
    dlg.OnDestroy();
    dlg.SetObserver(nullptr);
    return sends.AllSent() ? kClientExitDone : kClientExitNotSent;
  }
  InputLines input(inputFd, loop,
                   [&dlg, &err](const std::string& line) { RunCommand(line, dlg, err); });
  loop.Run();
  dlg.OnDestroy();
  return kClientExitDone;
}

}  // namespace trqx
