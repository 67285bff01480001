// Test double: a request object that records every call it gets, in order, and answers Send
// with a canned response.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "web/request_object.h"

namespace korvelin::testing {

class RecordingRequestObject : public RequestObject {
 public:
  // Every call as text, e.g. "SetTimeouts(3000, 3000, 3000, 3000)", "Open(GET, u, false)".
  std::vector<std::string> calls;
  // The SetRequestHeader calls alone.
  std::vector<std::pair<Text, Text>> headers;

  // What the reads give after a Send; before it they give nothing.
  Bytes cannedBody;
  Text cannedHeaders;
  int cannedStatus = 0;

  bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    calls.push_back("SetTimeouts(" + std::to_string(resolveMs) + ", " + std::to_string(connectMs) +
                    ", " + std::to_string(sendMs) + ", " + std::to_string(receiveMs) + ")");
    return true;
  }
  bool SetProxy(int setting, std::string_view proxy) override {
    calls.push_back("SetProxy(" + std::to_string(setting) + ", " + std::string(proxy) + ")");
    return true;
  }
  bool Open(std::string_view verb, std::string_view url, bool asynchronous) override {
    calls.push_back("Open(" + std::string(verb) + ", " + std::string(url) + ", " +
                    (asynchronous ? "true" : "false") + ")");
    sent_ = false;
    return true;
  }
  bool Option(int index, int value) override {
    calls.push_back("Option(" + std::to_string(index) + ", " + std::to_string(value) + ")");
    return true;
  }
  // Refuses an empty name, as the real object does.
  bool SetRequestHeader(std::string_view name, std::string_view value) override {
    calls.push_back("SetRequestHeader(" + std::string(name) + ", " + std::string(value) + ")");
    headers.emplace_back(Text(name), Text(value));
    return !name.empty();
  }
  bool Send(std::string_view text) override {
    calls.push_back("Send(" + std::string(text) + ")");
    sent_ = true;
    return true;
  }
  bool SendBytes(std::string_view bytes) override {
    calls.push_back("SendBytes(" + std::to_string(bytes.size()) + " bytes)");
    sent_ = true;
    return true;
  }
  Bytes ResponseBody() const override { return sent_ ? cannedBody : Bytes(); }
  Text GetAllResponseHeaders() const override { return sent_ ? cannedHeaders : Text(); }
  int Status() const override { return sent_ ? cannedStatus : 0; }

 private:
  bool sent_ = false;
};

}  // namespace korvelin::testing
