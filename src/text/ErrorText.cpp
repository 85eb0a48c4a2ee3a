#include "text/ErrorText.h"

#include "text/Utf.h"

namespace lumivane {

TextError::TextError(const std::u16string& text) : std::runtime_error(ToUtf8(text)), text_(text) {}

std::u16string ExceptionText(const std::exception& e) {
  if (const auto* text = dynamic_cast<const TextError*>(&e)) return text->Text();
  return FromUtf8(e.what());
}

std::u16string CurrentExceptionText(const std::u16string& unknown) noexcept {
  try {
    const std::exception_ptr error = std::current_exception();
    if (!error) return unknown;
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      return ExceptionText(e);
    } catch (...) {
      return unknown;
    }
  } catch (...) {
    return {}; // no memory even for the text
  }
}

} // namespace lumivane
