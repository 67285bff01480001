#include "web/response_head.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr std::string_view kWhitespace = " \t";

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(kWhitespace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhitespace) - first + 1);
}

// The line without its line break, ending at a zero byte.
std::string_view Bare(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// "HTTP/1.1 204 No Content" -> 204; 0 when no three-digit code follows the version.
int StatusOf(std::string_view statusLine) {
  const size_t space = statusLine.find(' ');
  if (space == std::string_view::npos) return 0;
  const std::string_view code = Trimmed(statusLine.substr(space + 1)).substr(0, 3);
  if (code.size() != 3) return 0;
  int status = 0;
  for (const char c : code) {
    if (c < '0' || c > '9') return 0;
    status = status * 10 + (c - '0');
  }
  return status;
}

}  // namespace

void ResponseHead::AddLine(std::string_view line) {
  if (line == "\r\n" || line == "\n") {
    complete_ = started_ && !interim_;
    return;
  }
  line = Bare(line);
  if (line.starts_with("HTTP/")) {
    const int status = StatusOf(line);
    started_ = true;
    complete_ = false;
    interim_ = status >= 100 && status < 200;
    if (!interim_) {
      status_ = status;
      lines_.clear();
    }
    return;
  }
  if (interim_ || line.empty()) return;
  if (line.find_first_of(kWhitespace) == 0) {
    if (!lines_.empty()) lines_.back().append(" ").append(Trimmed(line));
    return;
  }
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  lines_.push_back(Text(Trimmed(line.substr(0, colon))) + ": " +
                   Text(Trimmed(line.substr(colon + 1))));
}

Text ResponseHead::Headers() const {
  Text joined;
  for (const Text& line : lines_) {
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return joined;
}

}  // namespace korvelin
