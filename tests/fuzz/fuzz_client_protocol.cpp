// The client's framer and dispatch under hostile input, in every connection state. The
// first byte picks how far a well-behaved server got (nothing, greeted, logged in, a file
// being sent, the file sent, closing); the rest is a script of operations: received chunks
// of any bytes, the clock moving on, the loop taking messages, the owner's requests.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/protocol/client_link.h"
#include "support/fuzz_target.h"
#include "support/protocol_fakes.h"

namespace {

using trqx::CClientEvent;
using trqx::CClientLink;
using trqx::CFileError;
using trqx::ClientState;
namespace wire = trqx::wire;

using trqx::fuzz::Check;

void CheckFrame(std::string_view frame) {
  Check(frame.size() >= wire::kMinFrameLength && frame.size() <= wire::kMaxFrameLength);
  Check(frame.front() == wire::kStx && frame.back() == wire::kEtx);
  Check(frame.find_first_of(std::string_view("\x02\x03", 2), 1) == frame.size() - 1);
  if (frame[1] == wire::kFileData) {
    Check(frame.size() == wire::kFileDataLength);
    int length = wire::ParseDecimal(frame.substr(2, 8));
    Check(length >= 1 && length <= 500);
  }
}

// A taken message is one frame, or a run of file pieces: whole frames one after another,
// at most kPiecesPerTake of them with a FileEnd after the last.
void CheckMessage(const std::string& message) {
  Check(!message.empty());
  std::size_t frames = 0;
  for (std::size_t at = 0; at < message.size(); ++frames) {
    std::size_t end = message.find(wire::kEtx, at);
    Check(end != std::string::npos);
    CheckFrame(std::string_view(message).substr(at, end + 1 - at));
    at = end + 1;
  }
  Check(frames <= CClientLink::kPiecesPerTake + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  trqx::test::FakeUploadDisk disk;
  disk.files["/up/a.inc"] = std::string(1234, 'a');
  disk.files["/up/empty.inc"] = "";
  disk.files["/up/bad.inc"] = std::string("ab\x02", 3);
  CClientLink link(std::make_unique<trqx::test::FakeUploadSource>(disk));
  std::time_t now = 100000;
  link.Start("alice", "secret", now);
  std::vector<CClientEvent> events;
  CFileError error;
  std::string message;
  auto take = [&] {
    CClientLink::Take taken = link.TakeNextMessage(now, message, error);
    if (taken == CClientLink::Take::kMessage) {
      CheckMessage(message);
    } else {
      Check(message.empty() || taken == CClientLink::Take::kFileError);
    }
    return taken;
  };

  const int stage = data[0] % 6;
  if (stage >= 1) {
    link.Receive(wire::MakeGreeting(), events);
  }
  if (stage >= 2) {
    take();
    link.Receive(wire::MakeGreeting(), events);
  }
  if (stage >= 3 && stage <= 4) {
    link.SendFile("a.inc", "/up/a.inc", 5, error);
    if (stage == 4) {
      while (link.Protocol().State() == ClientState::kSendingFile &&
             take() == CClientLink::Take::kMessage) {
      }
    }
  }
  if (stage == 5) {
    link.BeginClose();
  }

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
        break;
      }
      case 3:
        now += op / 8;  // the timer ticks
        break;
      case 4:
        take();
        break;
      case 5: {
        static const char* const kPaths[] = {"/up/a.inc", "/up/empty.inc", "/up/bad.inc",
                                             "/up/none.inc"};
        const char* path = kPaths[(op / 8) % 4];
        ClientState before = link.Protocol().State();
        bool sent = link.SendFile(path, path, op, error);
        Check(!sent || before == ClientState::kLoggedIn);
        break;
      }
      case 6:
        if (op & 0x08) {
          link.AbortTransfer();
        } else if (op & 0x10) {
          link.Cancel();
        } else if (op & 0x20) {
          link.BeginClose();
        } else {
          disk.failRead = !disk.failRead;
        }
        break;
      default:
        for (int i = 0; i < 8 && take() == CClientLink::Take::kMessage; ++i) {
        }
        break;
    }
    ClientState state = link.Protocol().State();
    if (link.IdleDeadline()) {
      Check(state == ClientState::kLoggedIn);
    }
    Check(link.ExpectsData() ==
          (state == ClientState::kAwaitingGreeting || state == ClientState::kLoginSent ||
           state == ClientState::kLoggedIn || state == ClientState::kFileSent));
  }
  return 0;
}
