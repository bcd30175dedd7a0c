#include "app/command_line.h"

#include <unistd.h>

#include <sys/stat.h>

namespace tesvarin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Calls `visit(key, value)` for each entry of group `group` in a key file.
template <typename Visit>
void ForEachEntry(std::string_view text, std::string_view group, Visit visit) {
  bool in_group = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      in_group = line.size() >= 2 && line.back() == ']' && line.substr(1, line.size() - 2) == group;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!in_group || equals == std::string_view::npos) continue;
    visit(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if (IsBlank(c) && !quoted) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word.push_back(c);
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

std::string FindProgram(std::string_view program, std::string_view working_dir,
                        std::string_view search_path) {
  if (program.empty()) return {};
  if (program.find('/') != std::string_view::npos) return std::string(program);
  const auto in = [&](std::string_view dir) {
    std::string path(dir.empty() ? "." : dir);
    if (path.back() != '/') path.push_back('/');
    path.append(program);
    return path;
  };
  if (const std::string here = in(working_dir); IsExecutableFile(here)) return here;
  while (!search_path.empty()) {
    const std::size_t colon = search_path.find(':');
    const std::string_view dir = search_path.substr(0, colon);
    search_path.remove_prefix(colon == std::string_view::npos ? search_path.size() : colon + 1);
    // An empty entry would mean the working directory, already tried.
    if (dir.empty()) continue;
    if (const std::string there = in(dir); IsExecutableFile(there)) return there;
  }
  return {};
}

std::string CutBeforeFieldCode(std::string_view exec) {
  for (std::size_t i = 0; i + 1 < exec.size(); ++i) {
    if (exec[i] != '%') continue;
    const char code = exec[i + 1];
    if (code == '%') {
      ++i;  // "%%" is a literal percent sign
      continue;
    }
    if (code != 'u' && code != 'U' && code != 'f' && code != 'F') continue;
    const bool quoted = i > 0 && exec[i - 1] == '"' && i + 2 < exec.size() && exec[i + 2] == '"';
    return std::string(exec.substr(0, quoted ? i - 1 : i));
  }
  return std::string(exec);
}

std::vector<std::string> DefaultApplications(std::string_view mimeapps,
                                             std::string_view mime_type) {
  std::vector<std::string> ids;
  ForEachEntry(mimeapps, "Default Applications", [&](std::string_view key, std::string_view value) {
    if (key != mime_type || !ids.empty()) return;
    while (!value.empty()) {
      const std::size_t semicolon = value.find(';');
      const std::string_view id = Trim(value.substr(0, semicolon));
      value.remove_prefix(semicolon == std::string_view::npos ? value.size() : semicolon + 1);
      if (!id.empty()) ids.emplace_back(id);
    }
  });
  return ids;
}

std::string DesktopEntryExec(std::string_view entry) {
  std::string exec;
  ForEachEntry(entry, "Desktop Entry", [&](std::string_view key, std::string_view value) {
    if (key == "Exec" && exec.empty()) exec = value;
  });
  return exec;
}

}  // namespace tesvarin
