#include "gui/client/run_client_window.h"

#include <QApplication>

#include <optional>

#include "client/client_exit_codes.h"
#include "client/process.h"
#include "client/trqx_client_dlg.h"
#include "foundation/registry.h"
#include "foundation/sys/exit_signals.h"
#include "gui/client/client_icons.h"
#include "gui/client/client_window.h"
#include "gui/qt_event_loop.h"

namespace trqx {

int RunClientWindow(int argc, char** argv) {
  ExitSignals exitSignals;  // before Qt's threads start, so all inherit the mask
  QApplication app(argc, argv);
  QApplication::setApplicationName("TRQXClient");
  QApplication::setWindowIcon(ClientAppIcon());
  // Only CloseWindow ends the program; the event log or a status window closing must not.
  QApplication::setQuitOnLastWindowClosed(false);
  QtEventLoop loop;
  IniRegistry registry;
  SpawnProcessRunner processes;
  ClientWindow window(loop);
  CTRQXClientDlg dlg(window, loop, registry, processes);
  // A signal is the confirmed "Exit": nobody is there to answer the question. During the
  // start-up its handler runs only inside a message box, which it closes.
  exitSignals.OnSignal(loop, [&window] { window.CloseWindow(); });
  if (const std::optional<int> ended = StartupExitCode(dlg.OnInitDialog())) {
    return *ended;
  }
  window.SetDialog(&dlg);
  if (!window.Closed()) {
    window.show();
    QApplication::exec();
  }
  dlg.OnDestroy();
  window.SetDialog(nullptr);
  loop.Shutdown();
  return kClientExitDone;
}

}  // namespace trqx
