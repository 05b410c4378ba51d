#include "forms/message_box.h"

namespace forms {

MessageBox::MessageBox(Kind kind, std::string text, std::string title)
    : kind_(kind), text_(std::move(text)), title_(std::move(title)) {}

MessageBox MessageBox::error(int32_t number, std::string description, std::string source) {
  MessageBox box(Kind::Error, std::move(description));
  box.number_ = number;
  box.source_ = std::move(source);
  return box;
}

bool MessageBox::answer(Answer a) {
  if (!isOpen()) return false;
  const bool fits = isQuestion() ? (a == Answer::Yes || a == Answer::No) : a == Answer::Ok;
  if (!fits) return false;
  answer_ = a;
  return true;
}

const char* kindName(MessageBox::Kind kind) {
  switch (kind) {
    case MessageBox::Kind::Message: return "message";
    case MessageBox::Kind::Warning: return "warning";
    case MessageBox::Kind::Question: return "question";
    case MessageBox::Kind::Error: return "error";
  }
  return "message";
}

}  // namespace forms
