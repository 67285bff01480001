// The stand-in for the search service as a program, for the end-to-end tests.
//
//   search_standin [--delay-ms N]   serves until its standard input ends; first prints
//                                   "proxy 127.0.0.1:<port>", then one JSON line per request
//   search_standin --graph          prints the keyword graph as JSON
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "tests/support/search_standin.h"

int main(int argc, char** argv) {
  using korvelin::testing::SearchStandIn;
  long delayMs = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--graph") == 0) {
      std::puts(korvelin::testing::StandInGraphJson().c_str());
      return 0;
    }
    if (std::strcmp(argv[i], "--delay-ms") == 0 && i + 1 < argc) {
      delayMs = std::strtol(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: search_standin [--delay-ms N] | --graph\n");
      return 2;
    }
  }
  SearchStandIn service{std::chrono::milliseconds(delayMs)};
  service.OnRequest([](const korvelin::testing::StandInRequest& request) {
    std::fputs((StandInRequestJson(request) + "\n").c_str(), stdout);
    std::fflush(stdout);
  });
  std::printf("proxy %s\n", service.ProxyAddress().c_str());
  std::fflush(stdout);
  std::string ignored;
  while (std::getline(std::cin, ignored)) {
  }
  return 0;
}
