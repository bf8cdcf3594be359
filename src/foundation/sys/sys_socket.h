#pragma once

#include <netinet/in.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/sys/sys_error.h"

namespace trqx {

class CSysEvent;

// What a non-blocking socket call did.
enum class SocketIo {
  kDone,        // the call did its work (some bytes, an accepted socket, a connection)
  kWouldBlock,  // EWOULDBLOCK/EAGAIN (EINPROGRESS for connect): not an error, wait and retry
  kClosed,      // receive only: the peer has closed the connection in order
  kFailed,      // error holds the errno and the call's text
};

// One TCP socket handle (-1 when none). Sockets are non-blocking and never raise SIGPIPE.
// The destructor closes a socket still open without reporting. Moving hands the handle
// over and leaves the source without one (the accepted socket passing to a session).
// Not thread-safe: one thread uses a socket at a time.
class CSysSocket {
 public:
  CSysSocket() = default;
  explicit CSysSocket(int handle) : m_fd(handle) {}
  ~CSysSocket();
  CSysSocket(CSysSocket&& other) noexcept;
  CSysSocket& operator=(CSysSocket&& other) noexcept;
  CSysSocket(const CSysSocket&) = delete;
  CSysSocket& operator=(const CSysSocket&) = delete;

  // socket(AF_INET, SOCK_STREAM, 0), non-blocking; a socket still open is closed first.
  bool Create(CSysErrorInfo& error);
  // Closes the handle; closing no socket succeeds. "int closesocket(SOCKET)" on failure,
  // after which the socket holds no handle either.
  bool Close(CSysErrorInfo& error);
  // SO_REUSEADDR, so a server can listen again at once on the port it just closed (a
  // port another socket listens on stays refused). A failure counts as the bind's.
  bool AllowAddressReuse(CSysErrorInfo& error);
  bool Bind(const sockaddr_in& address, CSysErrorInfo& error);
  bool Listen(int backlog, CSysErrorInfo& error);
  // kDone: accepted holds the new (non-blocking) socket and peer its address. A
  // connection the peer reset before it was accepted is passed over, not an error.
  SocketIo Accept(CSysSocket& accepted, sockaddr_in& peer, CSysErrorInfo& error);
  // kDone: connected at once; kWouldBlock: under way, wait for the connect event.
  SocketIo Connect(const sockaddr_in& address, CSysErrorInfo& error);
  // kDone with received > 0; kClosed when the peer has closed.
  SocketIo Receive(char* buffer, std::size_t size, std::size_t& received, CSysErrorInfo& error);
  // kDone with sent > 0 (possibly fewer than size).
  SocketIo Send(const char* data, std::size_t size, std::size_t& sent, CSysErrorInfo& error);
  // The socket's pending error (SO_ERROR), which reading clears; fails with
  // "int WSAEnumNetworkEvents(...)", the call it stands in for.
  bool TakePendingError(int& code, CSysErrorInfo& error);
  // The local address (the port a socket bound to port 0 was given).
  bool LocalAddress(sockaddr_in& address) const;

  bool IsValid() const { return m_fd >= 0; }
  int Handle() const { return m_fd; }
  // Gives the handle up without closing it; the socket then holds none.
  int Release();

 private:
  int m_fd = -1;
};

// The socket library needs no start or end on this system: both succeed without work.
// version receives 2.0 in the Windows form (major in the low byte), the only one the server
// accepts.
inline constexpr std::uint16_t kSocketVersion = 0x0002;
bool SocketLibraryStart(std::uint16_t& version, CSysErrorInfo& error);
bool SocketLibraryEnd(CSysErrorInfo& error);

// The client's server address from dotted IPv4 text only (no name is looked up); false
// when the text is no dotted address.
bool MakeClientAddress(std::string_view dottedText, std::uint16_t port, sockaddr_in& address);
// The address in dotted text ("127.0.0.1").
std::string DottedAddress(const sockaddr_in& address);

// The network events of the Windows event selector, with their bit values, so the masks
// keep their numbers.
enum NetworkEvent : unsigned {
  kFdRead = 1,
  kFdWrite = 2,
  kFdAccept = 8,
  kFdConnect = 16,
  kFdClose = 32,
};
inline constexpr unsigned kMaskListen = kFdAccept | kFdClose;                        // 40
inline constexpr unsigned kMaskSession = kFdRead | kFdWrite | kFdClose;              // 35
inline constexpr unsigned kMaskClient = kFdRead | kFdWrite | kFdConnect | kFdClose;  // 51

// The event names the log shows for event errors.
namespace sys_event_name {
inline constexpr std::string_view kRead = "FD_READ";
inline constexpr std::string_view kWrite = "FD_WRITE";
inline constexpr std::string_view kConnect = "FD_CONNECT";
inline constexpr std::string_view kClose = "FD_CLOSE";
inline constexpr std::string_view kAccept = "Accept(...)";
}  // namespace sys_event_name

// The events of one wait: which occurred, and each one's error code (0 for none).
struct CNetworkEvents {
  bool Has(NetworkEvent event) const { return (m_occurred & event) != 0; }
  int Error(NetworkEvent event) const { return m_errors[Slot(event)]; }
  void Add(NetworkEvent event, int errorCode = 0) {
    m_occurred |= event;
    m_errors[Slot(event)] = errorCode;
  }

  unsigned m_occurred = 0;

 private:
  static std::size_t Slot(NetworkEvent event) {
    return std::countr_zero(static_cast<unsigned>(event));
  }
  std::array<int, 6> m_errors{};
};

// The stand-in for WSAEventSelect and WSAEnumNetworkEvents over poll(): it waits on a
// socket and, optionally, a wake event, and derives the Windows events from what poll,
// recv and SO_ERROR report:
// - FD_READ / FD_ACCEPT: the socket polls readable;
// - FD_CONNECT: while a connect is under way, writable (error: SO_ERROR);
// - FD_WRITE: writable, asked for only while a send is blocked (poll reports a socket
//   writable all the time, where Windows reports FD_WRITE once after a blocked send);
// - FD_CLOSE: the peer's orderly close that a receive saw (NotePeerClosed), no error; or a
//   broken connection (POLLERR/POLLHUP with SO_ERROR), with its error.
// Used by the one thread that runs the socket.
class CSocketEvents {
 public:
  // Records the events of interest and makes the socket non-blocking; fails with
  // "BOOL WSAEventSelect(SOCKET, WSAEVENT, LONG)".
  bool Select(CSysSocket& socket, unsigned mask, CSysErrorInfo& error);
  // A connect is under way (FD_CONNECT is awaited) or has finished.
  void SetConnecting(bool connecting) { m_connecting = connecting; }
  // A send would block: wait for writability until the next send goes through.
  void SetWriteBlocked(bool blocked) { m_writeBlocked = blocked; }
  // A receive saw the peer's close: the next Enumerate reports FD_CLOSE without error, and
  // readability is no longer waited for (it would hold for ever).
  void NotePeerClosed() { m_peerClosed = true; }
  bool PeerClosed() const { return m_peerClosed; }

  // Waits up to timeoutMs (-1: no limit) for the wake event (may be null: not waited for)
  // or the socket. woken tells whether the wake event is set. Fails with callText, the
  // text of the waiting call of the caller's loop.
  bool Wait(const CSysEvent* wake, int timeoutMs, std::string_view callText, bool& woken,
            CSysErrorInfo& error);
  // The events of the last wait (and a noted peer close). Fails with
  // "int WSAEnumNetworkEvents(...)".
  bool Enumerate(CNetworkEvents& events, CSysErrorInfo& error);

 private:
  CSysSocket* m_socket = nullptr;
  unsigned m_mask = 0;
  bool m_connecting = false;
  bool m_writeBlocked = false;
  bool m_peerClosed = false;
  short m_revents = 0;
};

}  // namespace trqx
