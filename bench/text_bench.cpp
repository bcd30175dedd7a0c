// Throughput of the character-scanning text operations beside glibc memmem
// on the same 32 MiB page of mixed GBK and ASCII.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "text/text.h"

namespace {

constexpr std::size_t kPageBytes = 32u << 20;

// Markup with GBK captions, quotation marks and a player parameter every few
// kilobytes, like a long play page.
const std::string& Page() {
  static const std::string page = [] {
    const std::string gbk_line = "\xB2\xA5\xB7\xC5\xD2\xB3\xC3\xE6\xA3\xBA\xCF\xC2\xD4\xD8";
    std::mt19937 random(7);
    std::string text;
    text.reserve(kPageBytes + 4096);
    while (text.size() < kPageBytes) {
      text += "<div class=\"item\"><a href=\"/play/";
      text += std::to_string(random() % 100000);
      text += ".htm\">";
      for (unsigned i = random() % 6; i > 0; --i) text += gbk_line;
      text += "</a></div>\n";
      if (random() % 32 == 0) text += "<param name=\"movie\" value=\"x.php?id=7\">\n";
    }
    text.resize(kPageBytes);
    return text;
  }();
  return page;
}

void SetThroughput(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(Page().size()));
}

// Every occurrence of `needle`, as a scan that goes on after each match.
std::size_t MemmemCount(std::string_view text, std::string_view needle) {
  std::size_t count = 0;
  const char* at = text.data();
  const char* end = text.data() + text.size();
  while (const void* hit =
             memmem(at, static_cast<std::size_t>(end - at), needle.data(), needle.size())) {
    ++count;
    at = static_cast<const char*>(hit) + needle.size();
  }
  return count;
}

void BM_MemmemAbsent(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MemmemCount(Page(), "djrrr"));
  SetThroughput(state);
}
void BM_LocateAbsent(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tesvarin::Locate(Page(), "djrrr"));
  SetThroughput(state);
}
void BM_MemmemParam(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MemmemCount(Page(), "<param name="));
  SetThroughput(state);
}
void BM_CutAtParam(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tesvarin::CutAt(Page(), "<param name="));
  SetThroughput(state);
}
void BM_MemmemQuote(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MemmemCount(Page(), "\""));
  SetThroughput(state);
}
void BM_RemoveAllQuote(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tesvarin::RemoveAll(Page(), "\""));
  SetThroughput(state);
}

BENCHMARK(BM_MemmemAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemmemParam)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutAtParam)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemmemQuote)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveAllQuote)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // CutAt and RemoveAll build up to 32 MiB of new text per run. By default
  // glibc maps such memory fresh (or trims it back) every iteration, so the
  // figures would mostly time the kernel's first-touch page faults, which
  // memmem never pays. Keeping freed memory in the heap measures the scan and
  // the copying; pass --cold to measure with the default allocator instead.
  bool cold = false;
  for (int i = 1; i < argc; ++i) cold |= std::string_view(argv[i]) == "--cold";
  if (!cold) {
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
