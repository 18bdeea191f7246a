// The Memory Settings dialog without the dialog: its texts and the reading of its four boxes.
#pragma once

#include <array>
#include <string>

namespace orvane {

inline constexpr const char* kMemorySettingsTitle = "Memory Settings";
inline constexpr const char* kMemoryBlockGroup = "Largest image Block to process at once";
inline constexpr const char* kMemoryNote =
    "If you have Out of Memory on larger files: Decrease these values and try again.";
inline constexpr const char* kMemorySwapGroup =
    "Image size when to start swapping to disc (Page File)";
inline constexpr const char* kNotAnInteger = "Please enter an integer.";

// Reads one box as the dialog does: an optional sign and digits, blanks around them, within
// the range of int. False for anything else.
bool ReadIntegerBox(const std::string& text, int& value);

// The four boxes (block width, block height, swap width, swap height) on OK. False when a box
// does not hold one: values is then unchanged, and the dialog says kNotAnInteger and stays open.
bool ReadMemorySettingsBoxes(const std::array<std::string, 4>& boxes, std::array<int, 4>& values);

}  // namespace orvane
