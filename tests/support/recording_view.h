#pragma once

// Header-only: users link the download layer they test.

#include <string>
#include <vector>

#include "download/download_view.h"

namespace trqx {

// Records what the converter's logic shows.
class RecordingView : public DownLoadView {
 public:
  void SetPathText(const std::string& path) override { m_path = path; }
  void SetPercentText(const std::string& text) override { m_percentTexts.push_back(text); }
  void SetProgressRange(int lower, int upper, int step) override { m_range = {lower, upper, step}; }
  void StepProgress() override { ++m_steps; }
  void ShowMessageBox(const std::string& text) override { m_messages.push_back(text); }
  void PostToSelf(unsigned message) override { m_posted.push_back(message); }
  void EndProgram() override { m_ended = true; }

  std::string m_path;
  std::vector<std::string> m_percentTexts;
  std::vector<int> m_range;
  int m_steps = 0;
  std::vector<std::string> m_messages;
  std::vector<unsigned> m_posted;
  bool m_ended = false;
};

// The percent texts of a whole run: from 0 in steps of 10 to 100, then the completion text.
inline std::vector<std::string> FullProgressTexts() {
  std::vector<std::string> texts{"Percent Downloaded:  %0"};
  for (int percent = 10; percent <= 100; percent += 10) {
    texts.push_back("Percent Downloaded: %" + std::to_string(percent));
  }
  texts.push_back("- DownLoading Complete -");
  return texts;
}

}  // namespace trqx
