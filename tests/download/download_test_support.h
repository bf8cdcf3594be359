#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "download/download_view.h"
#include "foundation/field_format.h"

namespace trqx {

// Noon of 6 March 2026, local time: cache files of that day are named 03-06-26<basket>.cch.
inline std::time_t March6th2026() {
  std::tm local{};
  strptime("2026-03-06 12", "%Y-%m-%d %H", &local);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

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

inline OstraneField Field(std::string name, int type, int category = kCategoryDownload) {
  OstraneField field;
  field.m_name = std::move(name);
  field.m_type = type;
  field.m_category = category;
  return field;
}

}  // namespace trqx
