#pragma once

// The main window's outer rectangle, frame and title bar included.
namespace tesvarin {

inline constexpr int kWindowOuterWidth = 480;
inline constexpr int kWindowOuterHeight = 192;

struct WindowOrigin {
  int left;
  int top;
  friend bool operator==(const WindowOrigin&, const WindowOrigin&) = default;
};

// Returns the outer top-left corner that centres the window on a screen of
// the given size; each half is truncated toward zero, as integer division is.
[[nodiscard]] constexpr WindowOrigin CentredOrigin(int screen_width, int screen_height) {
  return {(screen_width - kWindowOuterWidth) / 2, (screen_height - kWindowOuterHeight) / 2};
}

}  // namespace tesvarin
