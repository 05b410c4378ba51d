#pragma once
// Message boxes of the runtime: an information message, a warning, a yes/no question and an
// error box. The Application opens them modally (Application::showMessage and friends); the
// script driver prints them as the events message, warning, question and error and answers them
// with ok / yes / no; the Qt view shows a dialog and answers through answer().

#include <cstdint>
#include <string>

namespace forms {

class MessageBox final {
 public:
  enum class Kind { Message, Warning, Question, Error };
  enum class Answer { None, Ok, Yes, No };

  MessageBox(Kind kind, std::string text, std::string title = {});
  static MessageBox error(int32_t number, std::string description, std::string source);

  Kind kind() const { return kind_; }
  // The text shown (for an error box: its description).
  const std::string& text() const { return text_; }
  const std::string& title() const { return title_; }
  // Error boxes only.
  int32_t number() const { return number_; }
  const std::string& description() const { return text_; }
  const std::string& source() const { return source_; }

  bool isQuestion() const { return kind_ == Kind::Question; }
  bool isOpen() const { return answer_ == Answer::None; }
  Answer answer() const { return answer_; }
  // Ok closes a message, warning or error box; Yes or No closes a question. Returns false (and
  // changes nothing) for an answer that does not fit the box or a box already answered.
  bool answer(Answer a);

 private:
  Kind kind_;
  std::string text_;
  std::string title_;
  int32_t number_ = 0;
  std::string source_;
  Answer answer_ = Answer::None;
};

// "message", "warning", "question", "error".
const char* kindName(MessageBox::Kind kind);

}  // namespace forms
