#pragma once

#include <ostream>

#include "foundation/log_file.h"

namespace trqx {

// The owner's log operation of a program without an event-log window: writes every entry to
// the log file and, when an error stream is given, the text of each ERROR entry (without its
// padding) as one flushed line to it, where a console user sees why a run failed. A display
// (the event-log window) gets every entry after the file. The file, the stream and the
// display are not owned and must outlive the sink (or, for the display, its detach).
class LogFileSink : public LogSink {
 public:
  explicit LogFileSink(CLogFile& file, std::ostream* errors = nullptr)
      : m_file(file), m_errors(errors) {}
  void Log(const CLogEntry& entry) override;
  // Shows later entries on display too; null detaches it.
  void SetDisplay(LogSink* display) { m_display = display; }

 private:
  CLogFile& m_file;
  std::ostream* m_errors;
  LogSink* m_display = nullptr;
};

}  // namespace trqx
