#pragma once

namespace trqx {

// Exit codes of TRQXClient, window and console alike.
inline constexpr int kClientExitDone = 0;     // ended; with files to send: every one was sent
inline constexpr int kClientExitNotSent = 1;  // a file to send was not sent, or start-up closed
inline constexpr int kClientExitAborted = 3;  // start-up aborted the program

}  // namespace trqx
