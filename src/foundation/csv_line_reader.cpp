#include "foundation/csv_line_reader.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trqx {

namespace {

// Builds the token list of the record being read.
struct TokenEmitter {
  TokenList& tokens;

  void NewToken() { tokens.emplace_back(); }
  void Append(const char* bytes, std::size_t count) { tokens.back().append(bytes, count); }
};

// Builds cells as views into the line being split.
struct LineEmitter {
  std::vector<std::string_view>& cells;

  void NewToken() { cells.emplace_back(); }
  void Append(char* bytes, std::size_t count) {
    std::string_view& cell = cells.back();
    if (cell.empty()) {
      cell = std::string_view(bytes, count);
      return;
    }
    // The bytes between the cell's end and these were dropped (quotes, carriage returns)
    // and belong to no other cell, so they can be overwritten.
    char* cellEnd = const_cast<char*>(cell.data()) + cell.size();
    if (cellEnd != bytes) {
      std::memmove(cellEnd, bytes, count);
    }
    cell = std::string_view(cell.data(), cell.size() + count);
  }
};

// The first byte of [p, end) that is the separator, a quote or a carriage return; end when
// there is none.
char* NextSpecial(char* p, char* end, char separator, const csv_detail::ByteClasses& classes) {
#if defined(__SSE2__)
  const __m128i separators = _mm_set1_epi8(separator);
  const __m128i quotes = _mm_set1_epi8('"');
  const __m128i returns = _mm_set1_epi8('\r');
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, separators), _mm_cmpeq_epi8(bytes, quotes)),
                     _mm_cmpeq_epi8(bytes, returns));
    if (const int mask = _mm_movemask_epi8(hits); mask != 0) {
      return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
  }
#else
  (void)separator;
#endif
  while (p != end && classes[static_cast<unsigned char>(*p)] == csv_detail::kOther) {
    ++p;
  }
  return p;
}

}  // namespace

CsvLineReader::CsvLineReader(char separator) : m_classes(csv_detail::MakeByteClasses(separator)) {}

CsvStatus CsvLineReader::Feed(std::string_view data, std::size_t& used) {
  used = 0;
  if (m_state == CsvState::kComplete) {
    return CsvStatus::kRecord;
  }
  if (m_state == CsvState::kError) {
    return CsvStatus::kBadRecord;
  }
  TokenEmitter emitter{m_tokens};
  const char* end =
      csv_detail::Run(m_state, m_classes, data.data(), data.data() + data.size(), emitter);
  used = static_cast<std::size_t>(end - data.data());
  if (m_state == CsvState::kComplete) {
    return CsvStatus::kRecord;
  }
  return m_state == CsvState::kError ? CsvStatus::kBadRecord : CsvStatus::kPending;
}

CsvStatus CsvLineReader::Finish() {
  if (m_state == CsvState::kComplete) {
    return CsvStatus::kPending;  // handed over already
  }
  const csv_detail::EndStep last = csv_detail::EndOfInput(m_state);
  if (last.newToken) {
    m_tokens.emplace_back();
  }
  if (last.status == CsvStatus::kRecord) {
    m_state = CsvState::kComplete;
  } else if (last.status == CsvStatus::kBadRecord) {
    m_state = CsvState::kError;
  }
  return last.status;
}

void CsvLineReader::Reset() {
  m_tokens.clear();
  m_state = CsvState::kStart;
}

CsvRecordSplitter::CsvRecordSplitter(char separator)
    : m_separator(separator), m_classes(csv_detail::MakeByteClasses(separator)) {}

CsvLineStatus CsvRecordSplitter::Split(char* begin, char* end, bool terminated) {
  using csv_detail::kTable;
  m_cells.clear();
  LineEmitter emitter{m_cells};
  CsvState state = CsvState::kStart;
  const auto step = [&](csv_detail::ByteClass byte) -> const csv_detail::Step& {
    return kTable.steps[static_cast<int>(state) * csv_detail::kClassCount + byte];
  };
  for (char* p = begin; p != end;) {
    char* const special = NextSpecial(p, end, m_separator, m_classes);
    if (special != p) {
      // A run of ordinary bytes: the first may start a token, all of them are appended.
      const csv_detail::Step& first = step(csv_detail::kOther);
      if (first.newToken) {
        emitter.NewToken();
      }
      emitter.Append(p, static_cast<std::size_t>(special - p));
      state = first.next;
    }
    if (special == end) {
      break;
    }
    const csv_detail::Step& next =
        step(static_cast<csv_detail::ByteClass>(m_classes[static_cast<unsigned char>(*special)]));
    if (next.newToken) {
      emitter.NewToken();
    }
    if (next.append) {
      emitter.Append(special, 1);
    }
    state = next.next;
    p = special + 1;
  }
  if (terminated) {
    const csv_detail::Step& lineFeed = step(csv_detail::kLineFeed);
    if (lineFeed.next == CsvState::kError) {
      return CsvLineStatus::kBadRecord;
    }
    if (lineFeed.newToken) {
      emitter.NewToken();
    }
    return CsvLineStatus::kRecord;
  }
  const csv_detail::EndStep last = csv_detail::EndOfInput(state);
  if (last.newToken) {
    emitter.NewToken();
  }
  switch (last.status) {
    case CsvStatus::kRecord:
      return CsvLineStatus::kRecord;
    case CsvStatus::kBadRecord:
      return CsvLineStatus::kBadRecord;
    default:
      return CsvLineStatus::kNoRecord;
  }
}

}  // namespace trqx
