#pragma once

namespace trqx {

// Runs the server in the current folder with its window until the confirmed Exit (the menu,
// the close box, SIGTERM or SIGINT). start: the Start command right after start-up. 0 when
// the window closed, 1 when start-up ended the program, as on the console.
int RunServerWindow(int argc, char** argv, bool start);

}  // namespace trqx
