#include "tools/gbk_text.h"

#include <iconv.h>

#include <utility>


bool Utf8ToGbk(const std::string& utf8, std::string* gbk) {
  gbk->clear();
  if (utf8.empty()) return true;
  iconv_t converter = iconv_open("GBK", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string out(utf8.size() * 2 + 4, '\0');  // GBK never needs more than this
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* at = out.data();
  size_t outLeft = out.size();
  size_t result = iconv(converter, &in, &inLeft, &at, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || inLeft != 0) return false;
  out.resize(out.size() - outLeft);
  *gbk = std::move(out);
  return true;
}
