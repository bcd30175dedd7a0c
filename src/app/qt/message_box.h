#pragma once

#include <QWidget>

#include "text/text.h"

namespace tesvarin {

// Shows a modal error box over `parent` with `message`, `caption` (both GBK)
// and one OK button; returns when it has been dismissed.
void ShowErrorBox(QWidget* parent, const Text& message, const Text& caption);

}  // namespace tesvarin
