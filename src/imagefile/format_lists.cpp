#include "imagefile/format_lists.h"

#include <algorithm>

#include "base/text.h"

namespace orvane {
namespace {

std::string Pattern(const ImageFormat& f) { return std::string("*") + f.listing.extension; }

std::string Entry(const char* text, const ImageFormat& f) {
  return std::string(text) + "|" + Pattern(f) + "|";
}

}  // namespace

std::vector<const ImageFormat*> FormatsListed(int FormatListing::*rank) {
  std::vector<const ImageFormat*> list;
  for (const ImageFormat& f : ImageFormats())
    if (f.listing.*rank > 0) list.push_back(&f);
  std::sort(list.begin(), list.end(), [rank](const ImageFormat* a, const ImageFormat* b) {
    return a->listing.*rank < b->listing.*rank;
  });
  return list;
}

bool EndsWithListedExtension(const std::string& path, int FormatListing::*rank) {
  if (path.size() < 4) return false;
  const std::string ending = Lower(path.substr(path.size() - 4));
  for (const ImageFormat* f : FormatsListed(rank))
    if (ending == f->listing.extension) return true;
  return false;
}

std::string SaveDialogFilter(const std::string& firstPattern) {
  const std::vector<const ImageFormat*> formats = FormatsListed(&FormatListing::saveRank);
  const auto leader = std::find_if(formats.begin(), formats.end(), [&](const ImageFormat* f) {
    return f->listing.saveLeads && Pattern(*f) == firstPattern;
  });
  std::string list;
  if (leader != formats.end())
    list = Entry((*leader)->listing.saveText, **leader);
  else
    list = "Last File Extension (" + Upper(firstPattern) + ")|" + firstPattern + "|";
  for (auto it = formats.begin(); it != formats.end(); ++it)
    if (it != leader) list += Entry((*it)->listing.saveText, **it);
  return list + "|";
}

std::string ReferenceDialogFilter() {
  const std::vector<const ImageFormat*> formats = FormatsListed(&FormatListing::referenceRank);
  std::string all = "All Supported Image Files|";
  std::string entries;
  for (const ImageFormat* f : formats) {
    all += Pattern(*f) + ";";
    entries += Entry(f->listing.referenceText, *f);
  }
  return all + "|" + entries + "All files (*.*)|*.*||";
}

std::string OpenDialogFilter() {
  // The raw decoder's extensions, as the Open dialog lists them.
  static constexpr const char* kRawPatterns =
      "*.arw;*.bay;*.cr2;*.crw;*.dcr;*.dcs;*.dng;*.hdr;*.kdc;*.mef;*.mrw;*.nef;*.orf;*.pef;*.raf;"
      "*.raw;*.sr2;*.srf;*.x3f";
  const std::string reference = ReferenceDialogFilter();
  const size_t patterns = reference.find('|') + 1;
  const size_t entries = reference.find('|', patterns) + 1;
  return reference.substr(0, entries - 1) + kRawPatterns + "|All Supported Raw Files|" +
         kRawPatterns + "|" + reference.substr(entries);
}

const char* ImageTypeName(ImageFileType type) {
  static constexpr const char* kNames[] = {
      "JpegRgb",  "JpegGrey",   "BmpRgb",      "BmpIndexed",      "PcxRgb",   "PcxIndexed",
      "PngRgb",   "PngIndexed", "TiffRgb",     "TiffIndexed",     "TgaRgb",   "TgaIndexed",
      "WindowsMetafile", "EnhancedMetafile", "PsdRgb", "PsdIndexed", "Wbmp", "TiffBilevel",
      "PngBilevel", "BmpBilevel", "PhotoCd", "UnknownType"};
  const int i = static_cast<int>(type);
  return i >= 0 && i < static_cast<int>(std::size(kNames)) ? kNames[i] : "UnknownType";
}

std::string TypeOptionList() {
  std::string list;
  for (const ImageFormat* f : FormatsListed(&FormatListing::typeRank))
    list += (list.empty() ? "" : ", ") + std::string(f->listing.extension + 1);
  return list;
}

}  // namespace orvane
