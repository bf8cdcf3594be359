#pragma once

#include <ostream>

#include "foundation/log_file.h"

namespace trqx {

// The owner's log operation of a program without an event-log window: writes every entry to
// the log file and, when an error stream is given, the text of each ERROR entry (without its
// padding) as one flushed line to it, where a console user sees why a run failed. The file
// and the stream are not owned and must outlive the sink.
class LogFileSink : public LogSink {
 public:
  explicit LogFileSink(CLogFile& file, std::ostream* errors = nullptr)
      : m_file(file), m_errors(errors) {}
  void Log(const CLogEntry& entry) override;

 private:
  CLogFile& m_file;
  std::ostream* m_errors;
};

}  // namespace trqx
