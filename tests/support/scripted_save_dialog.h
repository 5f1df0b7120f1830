#pragma once
// A save dialog that answers from its fields and remembers what it was shown.
#include "app/save_image.h"

namespace lumicomb::test {

class ScriptedSaveDialog : public SaveFileDialog {
public:
  std::optional<SaveChoice> answer; ///< nothing: the user cancels
  std::string shownName;
  std::string shownFilter;
  int shownFilterIndex = 0;
  int questions = 0;

  std::optional<SaveChoice> askForFile(const std::string &initialName, const std::string &filter,
                                       int initialFilterIndex) override {
    ++questions;
    shownName = initialName;
    shownFilter = filter;
    shownFilterIndex = initialFilterIndex;
    return answer;
  }
};

} // namespace lumicomb::test
