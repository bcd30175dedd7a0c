#include <iconv.h>

#include <cerrno>
#include <memory>
#include <string>
#include <type_traits>

#include "text/codepage.h"

namespace tesvarin {
namespace {

struct IconvCloser {
  void operator()(iconv_t handle) const { iconv_close(handle); }
};
using Iconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

Iconv OpenIconv(const char* to, const char* from) {
  iconv_t handle = iconv_open(to, from);
  return Iconv(handle == reinterpret_cast<iconv_t>(-1) ? nullptr : handle);
}

// Returns how many bytes the UTF-8 sequence led by `lead` claims (1 for a
// byte that cannot lead one).
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// Converts `input`, calling `on_bad(rest)` for a sequence iconv refuses; it
// appends a stand-in and returns how many input bytes to skip.
template <typename OnBad>
std::string Convert(const char* to, const char* from, std::string_view input, OnBad on_bad) {
  std::string output;
  Iconv cd = OpenIconv(to, from);
  if (!cd) return output;
  output.reserve(input.size() * 2);
  char buffer[4096];
  std::size_t done = 0;
  while (done < input.size()) {
    char* in = const_cast<char*>(input.data() + done);
    std::size_t in_left = input.size() - done;
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    const std::size_t rc = iconv(cd.get(), &in, &in_left, &out, &out_left);
    const int error = errno;
    output.append(buffer, static_cast<std::size_t>(out - buffer));
    done = input.size() - in_left;
    if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    done += on_bad(input.substr(done), output);  // EILSEQ or EINVAL
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return output;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert("CP936", "UTF-8", utf8, [](std::string_view rest, std::string& output) {
    output.push_back('?');
    const std::size_t claimed = Utf8SequenceLength(static_cast<unsigned char>(rest[0]));
    std::size_t skip = 1;
    while (skip < claimed && skip < rest.size() &&
           (static_cast<unsigned char>(rest[skip]) & 0xC0) == 0x80) {
      ++skip;
    }
    return skip;
  });
}

std::string GbkToUtf8(std::string_view gbk) {
  return Convert("UTF-8", "CP936", gbk, [](std::string_view, std::string& output) {
    output.append("\xEF\xBF\xBD");
    return std::size_t{1};
  });
}

}  // namespace tesvarin
