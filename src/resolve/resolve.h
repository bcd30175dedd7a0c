#pragma once

#include "text/text.h"
#include "web/fetcher.h"
#include "web/pause.h"

namespace tesvarin {

// What the resolve command tells the user.
enum class Notice {
  kEmptyUrl,         // the address box is empty
  kSiteMismatch,     // the page lacks the selected site's marker
  kAddressNotFound,  // a rule met a missing piece
};

// The window's controls as the resolve command sees them. Texts are GBK.
class ResolveControls {
 public:
  virtual ~ResolveControls() = default;
  // Returns the content of `Url` now.
  virtual Text ReadUrl() = 0;
  // Returns the selection of `mode` now: 0..3, or -1 for none.
  virtual int ReadMode() = 0;
  // Replaces the content of `Download`.
  virtual void WriteDownload(const Text& address) = 0;
  // Shows a modal error box with `message` and `caption` until dismissed.
  virtual void ShowNotice(Notice notice, const Text& message, const Text& caption) = 0;
  // Returns true once the window has been closed; the command then stops at
  // its next step.
  virtual bool IsClosed() { return false; }
};

// Returns the GBK message and caption for `notice`.
[[nodiscard]] Text NoticeMessage(Notice notice);
[[nodiscard]] Text NoticeCaption(Notice notice);

// The handler of "开始解析": validates `Url`, runs the four site tests in order
// and writes each matching rule's result into `Download`.
void ResolveCommand(ResolveControls& controls, Fetcher& fetcher, Pauser& pauser);

}  // namespace tesvarin
