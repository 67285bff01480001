#include "text/text_helpers.h"

#include "text/codepage.h"

namespace korvelin {

Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
  const Text l = ReplaceText(left, kQuotePlaceholder, "\"", true);
  const Text r = ReplaceText(right, kQuotePlaceholder, "\"", true);
  const int p = FindText(text, l, start, ignoreCase);
  if (p == -1) return {};
  // Past INT_MAX the sum would overflow; FindText treats such a start as past the end anyway.
  const long long after = static_cast<long long>(p) + TextLength(l);
  if (after > TextLength(text)) return {};
  const int q0 = static_cast<int>(after);
  const int q = FindText(text, r, q0, ignoreCase);
  if (q == -1) return {};
  return TextMid(text, q0, q - q0);
}

Text TextBefore(std::string_view text, std::string_view delimiter, int start, bool ignoreCase) {
  const int p = FindText(text, delimiter, start < 1 ? 1 : start, ignoreCase);
  if (p == -1) return {};
  return TextLeft(text, p - 1);
}

Text Utf8ToGbk(std::string_view bytes) {
  // Converting stops being useful at the first zero byte: UTF-8 encodes nothing else as 00.
  return Utf8ToGbkBytes(bytes.substr(0, bytes.find('\0')));
}

}  // namespace korvelin
