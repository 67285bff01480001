#include "bench/sample_page.h"

#include <random>

#include "text/codepage.h"

namespace korvelin::bench {

// ---- internal ------------------------------------------------------------------------------
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  out += static_cast<char>(0xE0 | (c >> 12));
  out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (c & 0x3F));
}

std::string ChineseRun(std::mt19937& random, int characters) {
  std::string out;
  for (int i = 0; i < characters; ++i) AppendUtf8(out, 0x4E00 + random() % 6000);
  return out;
}

SamplePage MakePage() {
  std::mt19937 random(936);
  std::string utf8 = "<html><head><meta charset=\"utf-8\"></head><body>\r\n";
  while (utf8.size() < (1u << 20) - 4096) {
    utf8 += "<div class=\"result\"><h3><a href=\"http://example.test/" + std::to_string(random()) +
            "\">" + ChineseRun(random, 12) + "</a></h3><p>" + ChineseRun(random, 60) +
            "</p></div>\r\n";
  }
  utf8 +=
      "<div>相关搜索</div><table "
      "cellpadding=\"0\"><tr><th>";
  for (int i = 0; i < 10; ++i) {
    utf8 +=
        "<a href=\"/s?wd=" + std::to_string(i) + "\">" + ChineseRun(random, 4) + "</a></th><th>";
  }
  utf8 += "</th></tr></table><div id=\"page\" >1 2 3</div></body></html>\r\n";
  return {utf8, Utf8ToGbkBytes(utf8)};
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

const SamplePage& OneMebibytePage() {
  static const SamplePage page = MakePage();
  return page;
}

std::string RelatedLeftMarker() {
  return Utf8ToGbkBytes("相关搜索</div><table cellpadding=\"0\"><tr><th>");
}

std::string RelatedRightMarker() { return "<div id=\"page\" >"; }

}  // namespace korvelin::bench
