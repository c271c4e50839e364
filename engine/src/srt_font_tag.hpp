// Reading the font tags of DJI subtitles: the DJI FPV drone is known by its font size.
#pragma once

#include <string_view>

namespace trakvia::engine {

// The value of a font tag's size attribute: "28" for <font size="28">, < font size='28' > or
// <font size=28>; "" for any other tag. `tag` runs from '<' to before '>'.
std::string_view font_size_of(std::string_view tag);

}  // namespace trakvia::engine
