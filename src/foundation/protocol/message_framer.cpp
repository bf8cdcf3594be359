#include "foundation/protocol/message_framer.h"

#include <cstring>

namespace trqx {

CMessageFramer::Step CMessageFramer::Next(const char* data, std::size_t count, std::size_t& at,
                                          std::string_view& frame) {
  const std::size_t room = m_buffer.size() - m_count;
  if (room == 0) {  // the byte at data[at] would be the 512th
    m_count = 0;
    ++at;
    return Step::kError;
  }
  const char* run = data + at;
  const std::size_t available = count - at < room ? count - at : room;
  // The run ends at the first ETX; an STX before it breaks the frame, except as its
  // first byte, which is not examined.
  const auto* etx = static_cast<const char*>(std::memchr(run, wire::kEtx, available));
  const std::size_t length = etx != nullptr ? static_cast<std::size_t>(etx - run) + 1 : available;
  const std::size_t unexamined = m_count == 0 ? 1 : 0;
  const auto* stx =
      static_cast<const char*>(std::memchr(run + unexamined, wire::kStx, length - unexamined));
  if (stx != nullptr) {
    m_count = 0;
    at += static_cast<std::size_t>(stx - run) + 1;
    return Step::kError;
  }
  at += length;
  if (etx != nullptr && m_count == 0) {
    frame = {run, length};
    return Step::kFrame;
  }
  std::memcpy(m_buffer.data() + m_count, run, length);
  m_count += length;
  if (etx == nullptr) {
    return Step::kMore;
  }
  frame = {m_buffer.data(), m_count};
  m_count = 0;
  return Step::kFrame;
}

}  // namespace trqx
