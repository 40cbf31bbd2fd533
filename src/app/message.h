// A message to the operator, in UTF-8. The window's controls and the file
// hold their texts as 8-bit VNI codes, which read as nonsense anywhere but
// in the controls, so a message is put together only from literals,
// numbers, texts known to be UTF-8 (paths, the system's and the database's
// own words) and Shown() of a control's or the file's text, which decodes
// it. A plain std::string does not convert: a VNI text cannot slip into a
// message undecoded.
#pragma once

#include <string>
#include <utility>

namespace zl {

class Message {
 public:
  // Implicit, so that literals read naturally in a message.
  Message(const char* literal) : text_(literal) {}  // NOLINT(google-explicit-constructor)
  Message(const std::string&) = delete;

  // A control's or the file's text, decoded and in quotes.
  static Message Shown(const std::string& vni);
  static Message Number(long long n) { return Utf8(std::to_string(n)); }
  static Message Utf8(std::string text) {
    Message m("");
    m.text_ = std::move(text);
    return m;
  }

  friend Message operator+(Message a, const Message& b) {
    a.text_ += b.text_;
    return a;
  }

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace zl
