#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resolve/resolve.h"

namespace tesvarin::testing {

// Serves canned documents by exact address and records every fetch in order;
// an unknown address gets empty bytes, like a failed download.
class FakeFetcher final : public Fetcher {
 public:
  std::map<std::string, std::string> documents;
  std::vector<std::string> fetched;

  DocumentBytes FetchDocument(std::string_view address) override {
    fetched.emplace_back(address);
    const auto it = documents.find(std::string(address));
    return it == documents.end() ? DocumentBytes() : it->second;
  }
};

// Runs `on_pause` in each pause, standing in for the events a pause processes.
class FakePauser final : public Pauser {
 public:
  std::function<void(int pause_number)> on_pause;
  int pauses = 0;

  void Pause(int ms) override {
    ++pauses;
    last_ms = ms;
    if (on_pause) on_pause(pauses);
  }
  int last_ms = 0;
};

struct ShownNotice {
  Notice notice;
  Text message;
  Text caption;
};

class FakeControls final : public ResolveControls {
 public:
  Text url;
  int mode = 0;
  std::vector<Text> writes;  // every write of Download, in order
  std::vector<ShownNotice> notices;
  int mode_reads = 0;
  bool closed = false;

  Text ReadUrl() override { return url; }
  int ReadMode() override {
    ++mode_reads;
    return mode;
  }
  void WriteDownload(const Text& address) override { writes.push_back(address); }
  void ShowNotice(Notice notice, const Text& message, const Text& caption) override {
    notices.push_back({notice, message, caption});
  }
  bool IsClosed() override { return closed; }
};

}  // namespace tesvarin::testing
