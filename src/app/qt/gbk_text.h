#pragma once

#include <QString>

#include "text/codepage.h"
#include "text/text.h"

// Qt holds Unicode; the system's texts are GBK bytes. These convert at the edge.
namespace tesvarin {

[[nodiscard]] inline QString FromGbk(const Text& text) {
  return QString::fromStdString(GbkToUtf8(text));
}

[[nodiscard]] inline Text ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

}  // namespace tesvarin
