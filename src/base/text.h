// Text helpers: ASCII letter case, which is all that file names and extensions need here.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Only A-Z and a-z change, whatever the locale, so bytes of UTF-8 names pass through untouched.
std::string Lower(std::string_view text);
std::string Upper(std::string_view text);

}  // namespace orvane
