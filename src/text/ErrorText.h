#pragma once
// Exceptions as text for the log, in one place for every layer.
#include <exception>
#include <stdexcept>
#include <string>

namespace lumivane {

// An error whose message is UTF-16 text; what() gives it in UTF-8.
class TextError : public std::runtime_error {
 public:
  explicit TextError(const std::u16string& text);
  const std::u16string& Text() const { return text_; }

 private:
  std::u16string text_;
};

// The text of e: a TextError's own text, otherwise what() read as UTF-8.
std::u16string ExceptionText(const std::exception& e);
// The text of the exception being handled, or unknown for one that is no std::exception (and
// outside a handler).
std::u16string CurrentExceptionText(const std::u16string& unknown) noexcept;

} // namespace lumivane
