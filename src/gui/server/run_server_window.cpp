#include "gui/server/run_server_window.h"

#include <QApplication>

#include "foundation/registry.h"
#include "foundation/sys/exit_signals.h"
#include "gui/qt_event_loop.h"
#include "gui/server/server_window.h"
#include "server/ftp_client.h"
#include "server/vexo_server_dlg.h"

namespace trqx {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitStartupEnded = 1;

}  // namespace

int RunServerWindow(int argc, char** argv, bool start) {
  ExitSignals exitSignals;  // before Qt or any task starts a thread, so all inherit the mask
  QApplication application(argc, argv);
  QtEventLoop loop;
  IniRegistry registry;
  CurlFtpClient ftp;
  ServerWindow window;
  CVEXOServerDlg dlg(window, loop, registry, ftp);
  window.Attach(dlg);
  if (!dlg.OnInitDialog()) {
    return kExitStartupEnded;
  }
  exitSignals.OnSignal(loop, [&window] { window.ExitConfirmed(); });
  window.show();
  if (start) {
    loop.Post([&dlg] { dlg.OnStart(); });
  }
  QApplication::exec();
  dlg.OnDestroy();
  return kExitDone;
}

}  // namespace trqx
