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

  // Bytes of the frame being collected (0 .. 511).
  std::size_t Count() const { return m_count; }
  void Reset() { m_count = 0; }

  template <typename Outcome>
  struct FeedResult {
    Outcome outcome;
    std::size_t consumed;
  };

  // Takes the bytes data[at..count), at < count, up to the next decision, a run at a time rather
  // than byte by byte: kFrame, frame the complete frame (ETX included); kError, the frame collected
  // so far is dropped; kMore, the input is used up and a partial frame is kept. at moves past the
  // deciding byte. A frame that lies whole in data is handed out in place, valid as long as data
  // is; only a frame split across reads is copied, and then stays valid until the next call.
  Step Next(const char* data, std::size_t count, std::size_t& at, std::string_view& frame);

  // Takes bytes until a frame has been handled with an outcome other than Outcome{} or a
  // framing error occurred (outcome framingError), or until the input is used up
  // (Outcome{}). consumed counts the bytes taken, the deciding byte included; the caller
  // feeds the rest again. handle(std::string_view frame) returns an Outcome; the frame may
  // point into data.
  template <typename Outcome, typename Handle>
  FeedResult<Outcome> Feed(const char* data, std::size_t count, Outcome framingError,
                           Handle&& handle) {
    for (std::size_t at = 0; at < count;) {
      std::string_view frame;
      const Step step = Next(data, count, at, frame);
      if (step == Step::kError) {
        return {framingError, at};
      }
      if (step == Step::kFrame) {
        Outcome outcome = handle(frame);
        if (outcome != Outcome{}) {
          return {outcome, at};
        }
      }
    }
    return {Outcome{}, count};
  }

 private:
  std::array<char, wire::kMaxFrameLength> m_buffer{};  // a frame split across reads
  std::size_t m_count = 0;
};

}  // namespace trqx
