#pragma once
// The runtime's UTF-8 module under the automation layer's name.

#include "text/utf8.h"

namespace automation {
namespace utf8 = text::utf8;
}  // namespace automation
