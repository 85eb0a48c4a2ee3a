#pragma once
// UTF-16 <-> UTF-8 at the edges (exception texts, hashing input, fuzzing, files). The bottom of
// the layers: it includes nothing of the program.
#include <string>

namespace lumivane {

// Lone surrogates and invalid UTF-8 become U+FFFD.
std::string ToUtf8(const std::u16string& s);
std::u16string FromUtf8(const std::string& s);

} // namespace lumivane
