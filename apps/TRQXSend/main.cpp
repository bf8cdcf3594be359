// TRQXSend: uploads files to a VEXOServer over the client's protocol and waits for their
// delivery reports; a stand-in for TRQXClient's server method in tests and benchmarks.
#include <iostream>
#include <string>
#include <vector>

#include "console/send/send_options.h"
#include "console/send/send_run.h"
#include "console/send/send_tally.h"

int main(int argc, char** argv) {
  trqx::SendOptions options;
  std::string problem;
  switch (
      trqx::ParseSendArguments(std::vector<std::string>(argv + 1, argv + argc), options, problem)) {
    case trqx::SendCommand::kHelp:
      std::cout << trqx::SendUsage();
      return 0;
    case trqx::SendCommand::kUsageError:
      std::cerr << "TRQXSend: " << problem << "\nTry 'TRQXSend --help'.\n";
      return trqx::kSendFailed;
    case trqx::SendCommand::kRun:
      break;
  }
  return trqx::RunSend(options, std::cout);
}
