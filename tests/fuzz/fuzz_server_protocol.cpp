// The server's framer and dispatch under hostile input, in every session state. The first
// byte picks how far a well-behaved client got (nothing, logged in, a file begun, a bad
// login, closed); the rest is a script of operations: received chunks of any bytes, the
// owner's delivery reports, the loop taking messages, a local close, spool failures.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/protocol/server_link.h"
#include "support/fuzz_target.h"
#include "support/protocol_fakes.h"

namespace {

using trqx::CServerEvent;
using trqx::CServerLink;
using trqx::CSpoolCounter;
using trqx::ServerOutcome;
using trqx::ServerState;
namespace wire = trqx::wire;

constexpr const char* kDirectory = "Remote/Remote0000001";
const std::string kPrefix = std::string(kDirectory) + "/stemvexo";

using trqx::fuzz::Check;

void CheckMessage(const std::string& message) {
  if (message.empty()) {
    return;
  }
  Check(message.size() >= wire::kMinFrameLength && message.size() <= wire::kMaxFrameLength);
  Check(message.front() == wire::kStx && message.back() == wire::kEtx);
  Check(message.find_first_of(std::string_view("\x02\x03", 2), 1) == message.size() - 1);
}

void CheckSpoolName(const std::string& name) {
  if (name.empty()) {
    return;
  }
  // Only the session folder, the stem, the counter and ".inc": nothing the client sent.
  Check(name.compare(0, kPrefix.size(), kPrefix) == 0);
  std::string_view rest(name);
  rest.remove_prefix(kPrefix.size());
  Check(rest.size() >= 7 && rest.substr(rest.size() - 4) == ".inc");
  for (char c : rest.substr(0, rest.size() - 4)) {
    Check(c >= '0' && c <= '9');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  trqx::test::FakeSpoolDisk disk;
  CSpoolCounter counter;
  CServerLink link(std::make_unique<trqx::test::FakeSpoolFile>(disk), counter);
  link.Start("alice", "secret", kDirectory, "stem", '1', "System OK");
  std::vector<CServerEvent> events;

  std::string prefix;
  switch (data[0] % 5) {
    case 1:
      prefix = wire::MakeLogin("alice", "secret");
      break;
    case 2:
      prefix = wire::MakeLogin("alice", "secret") + wire::MakeFileStart("../x", 7) +
               wire::MakeFileData("abc");
      break;
    case 3:
      prefix = wire::MakeLogin("alice", "wrong");
      break;
    case 4:
      prefix = wire::MakeLogin("alice", "secret") + wire::MakeClose('1');
      break;
    default:
      break;
  }
  link.Receive(prefix, events);

  std::size_t at = 1;
  while (at < size) {
    std::uint8_t op = data[at++];
    switch (op % 8) {
      case 0:
      case 1:
      case 2: {
        // A received chunk of up to 255 bytes, or of everything left.
        events.clear();
        link.Receive(trqx::fuzz::NextChunk(trqx::fuzz::Bytes(data, size), at, op % 8 == 2), events);
        for (const CServerEvent& event : events) {
          CheckSpoolName(event.m_spoolFileName);
          if (event.m_outcome == ServerOutcome::kFileReceived) {
            Check(disk.files.count(event.m_spoolFileName) == 1);
          }
        }
        break;
      }
      case 3:
        CheckMessage(link.TakeNextMessage());
        break;
      case 4:
        link.QueueDeliveryReport(op, static_cast<char>('0' + op % 10));
        Check(link.PendingReports() <= CServerLink::kMaxPendingReports);
        break;
      case 5:
        link.BeginClose();
        Check(link.Protocol().State() == ServerState::kEnded);
        break;
      case 6:
        disk.failCreate = (op & 0x10) != 0;
        disk.failAppend = (op & 0x20) != 0;
        disk.failClose = (op & 0x40) != 0;
        break;
      default:
        for (std::string m = link.TakeNextMessage(); !m.empty(); m = link.TakeNextMessage()) {
          CheckMessage(m);
        }
        break;
    }
    CheckSpoolName(link.Protocol().SpoolFileName());
    int state = static_cast<int>(link.Protocol().State());
    Check(state >= 0 && state <= 4);
  }
  return 0;
}
