// The head of the final response of one HTTP exchange, gathered line by line from the header
// lines that arrive. Several responses may arrive in one exchange (interim 1xx ones before the
// final one); each status line starts afresh and interim responses leave nothing behind.
//
// Lines are bytes from the wire, taken as code page 936 unchanged; a line ends at a zero byte.
//
// Example:
//   ResponseHead head;
//   for (auto line : {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 200 OK\r\n",
//                     "Set-Cookie:a=1\r\n", "\r\n"}) head.AddLine(line);
//   head.status() == 200;  head.Headers() == "Set-Cookie: a=1"
#pragma once

#include <string_view>
#include <vector>

#include "text/text_primitives.h"

namespace korvelin {

class ResponseHead {
 public:
  // One header line with or without its CR LF: a status line ("HTTP/..."), a header line, a
  // continuation (starting with a space or tab) or the empty line that ends a head.
  void AddLine(std::string_view line);

  // The status of the last status line that is not interim; 0 before one has arrived.
  [[nodiscard]] int status() const { return status_; }

  // True once the empty line that ends the head of that response has arrived. A connection
  // that closes before then has delivered no response, whatever came of its head.
  [[nodiscard]] bool complete() const { return complete_; }

  // The header lines of that response as "Name: value" (name and value trimmed, continuation
  // lines joined to their header), joined by CR LF. Lines without ":" are left out.
  [[nodiscard]] Text Headers() const;

 private:
  int status_ = 0;
  bool started_ = false;  // a status line has arrived
  bool interim_ = false;
  bool complete_ = false;
  TextArray lines_;
};

}  // namespace korvelin
