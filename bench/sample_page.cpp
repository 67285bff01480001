#include "bench/sample_page.h"

#include <random>
#include <string_view>

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

std::string PercentEscaped(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  }
  return out;
}

std::string Token(std::mt19937& random, size_t length) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string out;
  for (size_t i = 0; i < length; ++i) out += kAlphabet[random() % (sizeof(kAlphabet) - 1)];
  return out;
}

// Ten links of 1 KiB each, most of it the link's tracking parameters, as a result page has
// them; the keyword stands escaped in the link, as its title and as the link text.
std::string MakeRelatedBlock() {
  std::mt19937 random(10);
  std::string gbk;
  for (int i = 0; i < 10; ++i) {
    const std::string keyword = ChineseRun(random, 4 + i % 4);
    const std::string escaped = PercentEscaped(keyword);
    std::string link = "<a href=\"/s?wd=" + escaped + "&rsp=" + std::to_string(i) +
                       "&f=1&oq=" + escaped + "&ie=utf-8&rsv_idx=1&rsv_pq=" + Token(random, 16) +
                       "&rsv_t=" + Token(random, 60) +
                       "&rqlang=cn&rsv_dl=0_bottom_related&rs_src=0\" data-click=\"";
    std::string tail = "\" title=\"" + keyword + "\">" + keyword + "</a></th>" +
                       (i % 2 == 1 ? "</tr><tr><th>" : "<th>");
    const size_t used = Utf8ToGbkBytes(link + tail).size();
    if (used < 1024) link += Token(random, 1024 - used);
    gbk += Utf8ToGbkBytes(link + tail);
  }
  return gbk;
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

const SamplePage& OneMebibytePage() {
  static const SamplePage page = MakePage();
  return page;
}

const std::string& RelatedSearchesBlock() {
  static const std::string block = MakeRelatedBlock();
  return block;
}

std::string RelatedLeftMarker() {
  return Utf8ToGbkBytes("相关搜索</div><table cellpadding=\"0\"><tr><th>");
}

std::string RelatedRightMarker() { return "<div id=\"page\" >"; }

}  // namespace korvelin::bench
