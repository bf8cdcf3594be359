#pragma once

#include <string>
#include <vector>

#include "upload/profile_editor.h"

namespace trqx {

// Answers the editor's questions with a set answer and keeps everything it was shown.
class RecordingPrompts : public EditorPrompts {
 public:
  bool AskOkCancel(const std::string& caption, const std::string& text) override {
    m_questions.push_back(caption + "|" + text);
    return m_answer;
  }
  void ShowMessage(const std::string& text) override { m_messages.push_back(text); }

  bool m_answer = true;
  std::vector<std::string> m_questions;  // "caption|text"
  std::vector<std::string> m_messages;
};

}  // namespace trqx
