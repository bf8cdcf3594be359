#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "foundation/protocol/protocol_message.h"

namespace trqx {

// Collects received bytes into frames of at most 511 bytes, across any splits and joins of
// the reads. The first byte of a frame is not examined; an STX later in a frame, or a 512th
// byte, drops the frame as a framing error.
class CMessageFramer {
 public:
  enum class Step { kMore, kFrame, kError };

  // Takes one byte. kFrame: Frame() holds the complete frame, ETX included, until the next
  // Push. kError: the frame collected so far is dropped.
  Step Push(char byte);
  std::string_view Frame() const { return {m_buffer.data(), m_frameLength}; }
  // Bytes of the frame being collected (0 .. 511).
  std::size_t Count() const { return m_count; }
  void Reset() { m_count = 0; }

  template <typename Outcome>
  struct FeedResult {
    Outcome outcome;
    std::size_t consumed;
  };

  // Pushes bytes until a frame has been handled with an outcome other than Outcome{} or a
  // framing error occurred (outcome framingError), or until the input is used up
  // (Outcome{}). consumed counts the bytes taken, the deciding byte included; the caller
  // feeds the rest again. handle(std::string_view frame) returns an Outcome.
  template <typename Outcome, typename Handle>
  FeedResult<Outcome> Feed(const char* data, std::size_t count, Outcome framingError,
                           Handle&& handle) {
    for (std::size_t i = 0; i < count;) {
      Step step = Push(data[i++]);
      if (step == Step::kError) {
        return {framingError, i};
      }
      if (step == Step::kFrame) {
        Outcome outcome = handle(Frame());
        if (outcome != Outcome{}) {
          return {outcome, i};
        }
      }
    }
    return {Outcome{}, count};
  }

 private:
  std::array<char, wire::kMaxFrameLength> m_buffer{};
  std::size_t m_count = 0;
  std::size_t m_frameLength = 0;
};

}  // namespace trqx
