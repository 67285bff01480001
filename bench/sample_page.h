// A result page of about 1 MiB for the text benchmarks: mostly double-byte text in ASCII
// markup, lines ending in "\r\n", with the related-searches block near its end, as a real page
// has it.
#pragma once

#include <string>

namespace korvelin::bench {

// The page as the service sends it (UTF-8) and as the harvest holds it (code page 936).
struct SamplePage {
  std::string utf8;
  std::string gbk;
};

const SamplePage& OneMebibytePage();

// A related-searches block as the markers cut it out of a page (code page 936): 10 KiB with
// ten links, each text followed by "</a></th>".
const std::string& RelatedSearchesBlock();

// The pattern that takes the link texts out of that block.
inline constexpr const char* kRelatedPattern = "\">(.*?)</a></th>";

// The markers that cut the related-searches block out of the page (code page 936).
std::string RelatedLeftMarker();
std::string RelatedRightMarker();

}  // namespace korvelin::bench
