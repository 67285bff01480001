// Test helper: writes code page 936 texts as readable UTF-8 literals.
#pragma once

#include <string>
#include <string_view>

#include "text/codepage.h"

namespace korvelin::testing {

// The code page 936 bytes of a UTF-8 literal, e.g. G("减肥") == "\xBC\xF5\xB7\xCA".
inline std::string G(std::string_view utf8) { return Utf8ToGbkBytes(utf8); }

}  // namespace korvelin::testing
