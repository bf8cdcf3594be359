#pragma once

namespace trqx {

// Runs the client in the current folder with its Qt window until the window closes (the
// "Exit" command, the close box after "Confirm Exit", SIGTERM or SIGINT). Returns the
// console client's exit codes: 0 when it ran, 1 when start-up closed it (its log file
// could not be opened), 3 when start-up aborted it. Call once, on the main thread, before
// any other thread starts; it makes the QApplication.
int RunClientWindow(int argc, char** argv);

}  // namespace trqx
