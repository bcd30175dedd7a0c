#pragma once

#include <memory>

#include "text/text.h"

// How the shell acts on the desktop outside its window. Every operation
// returns whether it succeeded; callers may ignore it, and none shows a message.
namespace tesvarin {

class DesktopActions {
 public:
  virtual ~DesktopActions() = default;
  // Returns true when the program named by the first word of `command_line`
  // was started; with `wait_for_exit` false waits at most 1000 ms for it.
  virtual bool RunCommandLine(const Text& command_line, bool wait_for_exit) = 0;
  // Returns true when `text` replaced the clipboard's whole content.
  virtual bool SetClipboardText(const Text& text) = 0;
  // Returns true when `address` was handed to a program that opens it; false
  // for the empty address.
  virtual bool OpenHyperlinkTarget(const Text& address) = 0;
};

// Returns the implementation for the platform this was built for.
[[nodiscard]] std::unique_ptr<DesktopActions> MakeDesktopActions();

}  // namespace tesvarin
