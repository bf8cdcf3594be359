#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trqx {

// The error record of every system wrapper: the system's error code and the fixed text of
// the failing call. Copied by value.
struct CSysErrorInfo {
  static constexpr std::size_t kMaxFunctionLength = 100;

  // Overwrites both fields; a text longer than 100 characters is stored cut at 100.
  void Set(std::uint32_t code, std::string_view function) {
    m_code = code;
    m_function.assign(function.substr(0, kMaxFunctionLength));
  }

  std::uint32_t m_code = 0;  // errno for socket and other calls, 0 for a failed thread start
  std::string m_function;
};

// The texts that name a failing call in the log. Users see them, so they keep the words
// the Windows programs logged, whatever call stands in for the named one here.
namespace sys_call {

inline constexpr std::string_view kCloseSocket = "int closesocket(SOCKET)";
// The socket library needs no start or end here; the texts stay with the library calls.
inline constexpr std::string_view kStartup = "int WSAStartup(WORD, LPWSADATA)";
inline constexpr std::string_view kCleanup = "int WSACleanup()";
inline constexpr std::string_view kRecv = "int recv(SOCKET, char *, int, int)";
inline constexpr std::string_view kSend = "int send(SOCKET, const char *, int, int)";
inline constexpr std::string_view kSocket = "int socket(AF_INET, SOCK_STREAM, 0)";
inline constexpr std::string_view kBind = "int bind(SOCKET, const struct sockaddress *, int)";
inline constexpr std::string_view kListen = "int listen(int)";
inline constexpr std::string_view kAccept = "SOCKET accept(SOCKET, struct sockaddr *, int *)";
inline constexpr std::string_view kConnect = "int connect(SOCKET, const struct sockaddr *, int)";
// poll() needs no event object per socket, so nothing here creates or closes one.
inline constexpr std::string_view kCreateSocketEvent = "WSAEVENT WSACreateEvent()";
inline constexpr std::string_view kCloseSocketEvent = "BOOL Done(CSysErrorInfo &)";
inline constexpr std::string_view kEventSelect = "BOOL WSAEventSelect(SOCKET, WSAEVENT, LONG)";
inline constexpr std::string_view kEnumNetworkEvents = "int WSAEnumNetworkEvents(...)";
inline constexpr std::string_view kBeginThread = "AfxBeginThread";
inline constexpr std::string_view kWaitThread = "WaitForSingleObject(...)";
inline constexpr std::string_view kWaitQueue = "WaitForSingleObject";
inline constexpr std::string_view kThreadExitCode = "GetThreadExitCode(...)";
inline constexpr std::string_view kCreateEvent = "CreateEvent(...)";
inline constexpr std::string_view kCloseEvent = "CloseEvent(...)";
inline constexpr std::string_view kCloseQueueEvent = "CloseHandle(...)";
inline constexpr std::string_view kSetEvent = "SetEvent(...)";
inline constexpr std::string_view kResetEvent = "ResetEvent(...)";
inline constexpr std::string_view kWaitSocketLoop = "WaitForMultipleObjects";
inline constexpr std::string_view kWaitAcceptLoop = "WaitForMultipleObjects(...)";

}  // namespace sys_call

}  // namespace trqx
