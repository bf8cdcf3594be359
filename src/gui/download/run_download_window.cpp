#include "gui/download/run_download_window.h"

#include <QApplication>

#include "download/download_dlg.h"
#include "foundation/field_format.h"
#include "gui/download/download_window.h"

namespace trqx {

namespace {

constexpr int kExitAllWritten = 0;
constexpr int kExitStartupEnded = 1;
constexpr int kExitSomeFailed = 2;

}  // namespace

int RunDownLoadWindow(int argc, char** argv, const Registry& registry,
                      const std::string& orderFilePath) {
  QApplication application(argc, argv);
  DownLoadWindow window;
  std::string applicationPath;
  if (!ReadApplicationPath(registry, window, applicationPath)) {
    return kExitStartupEnded;
  }
  FieldFormatRegistry fieldFormat;
  CTRQXDownLoadDlg dlg(window, fieldFormat, orderFilePath, applicationPath);
  window.Attach(dlg);
  if (!dlg.OnInitDialog()) {
    return kExitStartupEnded;
  }
  // OK, the close box and Esc all end the program.
  QObject::connect(&window, &QDialog::finished, &application, &QCoreApplication::quit);
  window.show();
  QApplication::exec();
  return dlg.AllReportsWritten() ? kExitAllWritten : kExitSomeFailed;
}

}  // namespace trqx
