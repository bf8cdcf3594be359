#pragma once

#include <ostream>

#include "console/send/send_options.h"

namespace trqx {

// One run of TRQXSend on the calling thread (which becomes the owner of the connection
// task): connects to the server, logs in, sends options.m_files one after another, waits
// for their delivery reports or the timeout, closes the connection in order (a stop, so
// the task sends Close) and returns the exit code of CSendTally::ExitCode. Prints each
// event as one flushed line on out, as SendUsage() lists them. options are as
// ParseSendArguments accepts them; a host that is no dotted address fails the connect.
int RunSend(const SendOptions& options, std::ostream& out);

}  // namespace trqx
