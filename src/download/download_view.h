#pragma once

#include <string>

#include "download/message_box_view.h"

namespace trqx {

// What the download converter's window shows and does, as its logic drives it; the Qt window
// and the console implement it.
class DownLoadView : public MessageBoxView {
 public:
  // The order file's path (control 1001).
  virtual void SetPathText(const std::string& path) = 0;
  // The percent text (control 1006).
  virtual void SetPercentText(const std::string& text) = 0;
  // The progress bar's range and step size (control 1003).
  virtual void SetProgressRange(int lower, int upper, int step) = 0;
  // Advances the progress bar by one step.
  virtual void StepProgress() = 0;
  // Posts message to the window itself; the front-end hands it to OnMessage once the events
  // before it have been handled.
  virtual void PostToSelf(unsigned message) = 0;
  // The program ends during start-up: no further step of the window runs.
  virtual void EndProgram() = 0;
};

}  // namespace trqx
