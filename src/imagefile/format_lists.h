// The program's lists of formats, each derived from the format table (codec_table.cpp), which
// carries every list's order and texts.
#pragma once

#include <string>
#include <vector>

#include "imagefile/codec/codec.h"

namespace orvane {

// The formats of one list in its order: &FormatListing::saveRank, dropRank, ...
std::vector<const ImageFormat*> FormatsListed(int FormatListing::*rank);

// Whether the last four characters of path (letter case ignored) are the list extension of a
// format in the list.
bool EndsWithListedExtension(const std::string& path, int FormatListing::*rank);

// The save dialog's filter entries "description|pattern|" in the list's order; the entry whose
// pattern is first (when it leads the list) comes first, otherwise "Last File Extension (...)"
// heads the list. Closed by one more "|".
std::string SaveDialogFilter(const std::string& firstPattern);

// The reference picture dialog's filter: every supported pattern, each entry, all files.
std::string ReferenceDialogFilter();

// The type's name as the enumeration spells it: "JpegRgb", "TiffBilevel", "UnknownType".
const char* ImageTypeName(ImageFileType type);

// File > Open's filter: the reference dialog's, with the camera raw patterns added to its first
// entry and an "All Supported Raw Files" entry after it.
std::string OpenDialogFilter();

// "jpg, png, tif, ..." for the command line's --type.
std::string TypeOptionList();

}  // namespace orvane
