// Names of the product that several parts show.
#pragma once

namespace tw {

// The application's title: the caption of its standard message boxes.
constexpr char16_t kAppTitle[] = u"Tarnwick Pro";

}  // namespace tw
