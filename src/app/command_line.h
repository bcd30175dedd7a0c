#pragma once

#include <string>
#include <string_view>
#include <vector>

// Command-line and desktop-entry text, without touching processes.
namespace tesvarin {

// Returns the words of `line`: blanks (space, tab) separate words, a double
// quote starts or ends a quoted stretch whose blanks belong to the word, and
// the quotes themselves are dropped; "" gives an empty word. Empty or blank
// input gives no words.
[[nodiscard]] std::vector<std::string> SplitCommandLine(std::string_view line);

// Returns the path to run for `program`: as given when it holds a '/',
// otherwise the first executable file of that name in `working_dir`, then in
// each directory of the colon-separated `search_path`; empty when there is none.
[[nodiscard]] std::string FindProgram(std::string_view program, std::string_view working_dir,
                                      std::string_view search_path);

// Returns `exec` cut before its first field code (%u, %U, %f or %F), and before
// the double quote that opens it when the code is quoted; `exec` whole when it
// has none.
[[nodiscard]] std::string CutBeforeFieldCode(std::string_view exec);

// Returns the desktop-entry ids a mimeapps.list text names as defaults for
// `mime_type`, in order; none when its [Default Applications] group lacks it.
[[nodiscard]] std::vector<std::string> DefaultApplications(std::string_view mimeapps,
                                                           std::string_view mime_type);

// Returns the Exec value of the [Desktop Entry] group of a desktop-entry text,
// or empty when it has none.
[[nodiscard]] std::string DesktopEntryExec(std::string_view entry);

}  // namespace tesvarin
