#include "foundation/protocol/message_framer.h"

namespace trqx {

CMessageFramer::Step CMessageFramer::Push(char byte) {
  if (m_count == m_buffer.size()) {
    m_count = 0;
    return Step::kError;
  }
  m_buffer[m_count++] = byte;
  if (byte == wire::kStx && m_count > 1) {
    m_count = 0;
    return Step::kError;
  }
  if (byte == wire::kEtx) {
    m_frameLength = m_count;
    m_count = 0;
    return Step::kFrame;
  }
  return Step::kMore;
}

}  // namespace trqx
