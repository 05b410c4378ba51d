#pragma once
// An operator for headless tests: answers every message box (Ok, or Yes to a question) and notes
// each box's text as it opens.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/message_box.h"
#include "forms/observer.h"

namespace forms::test {

class Operator final : public ModalLoop, public Observer {
 public:
  explicit Operator(Application& app) : app_(app) {
    app_.setModalLoop(this);
    app_.addObserver(this);
  }
  ~Operator() override {
    app_.removeObserver(this);
    app_.setModalLoop(nullptr);
  }
  void runModalLoop(const std::function<bool()>& finished) override {
    while (!finished()) {
      MessageBox* box = app_.activeMessageBox();
      if (box == nullptr) {
        ADD_FAILURE() << "a modal window is waiting for the operator";
        return;
      }
      app_.answerMessageBox(box->isQuestion() ? MessageBox::Answer::Yes : MessageBox::Answer::Ok);
    }
  }
  void messageBoxOpened(MessageBox& box) override { boxes.push_back(box.text()); }

  std::vector<std::string> boxes;

 private:
  Application& app_;
};

}  // namespace forms::test
