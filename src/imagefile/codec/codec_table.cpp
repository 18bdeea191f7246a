// The table of formats. Its order is the order in which signatures are tried.
#include "imagefile/codec/codec.h"

namespace orvane {

namespace {

using T = ImageFileType;

constexpr ImageFormat kFormats[] = {
    // name, base type, types read, signature, refine, extensions, decode, write, anyDepth,
    // listing: extension, save text, rank, leads; reference text, rank; drop, folder, --type
    {"Windows bitmap", T::BmpRgb,
     TypeBit(T::BmpRgb) | TypeBit(T::BmpIndexed) | TypeBit(T::BmpBilevel), IsBmpSignature,
     RefineBmp, ".bmp", DecodeBmp, WriteBmp, false,
     {".bmp", "Windows Bitmap (*.BMP)", 1, true, "Windows Bitmap (*.BMP)", 1, 3, 2, 4}},
    {"JPEG", T::JpegRgb, TypeBit(T::JpegRgb) | TypeBit(T::JpegGrey), IsJpegSignature, RefineJpeg,
     ".jpg .jpeg", DecodeJpeg, WriteJpeg, false,
     {".jpg", "JPEG File (*.JPG)", 2, true, "JPEG Files (*.JPG)", 2, 1, 1, 1}},
    {"PCX", T::PcxRgb, TypeBit(T::PcxRgb) | TypeBit(T::PcxIndexed), IsPcxSignature, RefinePcx,
     ".pcx", DecodePcx, WritePcx, false, {".pcx", nullptr, 0, false, "ZSoft (*.PCX)", 4, 6, 7, 6}},
    {"TIFF", T::TiffRgb,
     TypeBit(T::TiffRgb) | TypeBit(T::TiffIndexed) | TypeBit(T::TiffBilevel), IsTiffSignature,
     RefineTiff, ".tif .tiff", DecodeTiff, WriteTiff, false,
     {".tif", "TIFF File (*.TIF)", 6, false, "TIFF Files (*.TIF)", 8, 4, 6, 3}},
    {"PNG", T::PngRgb, TypeBit(T::PngRgb) | TypeBit(T::PngIndexed) | TypeBit(T::PngBilevel),
     IsPngSignature, RefinePng, ".png", DecodePng, WritePng, false,
     {".png", "Portable Graphics (*.PNG)", 3, true, "Portable Graphics (*.PNG)", 5, 2, 3, 2}},
    {"Windows metafile", T::WindowsMetafile, TypeBit(T::WindowsMetafile), IsWmfSignature,
     nullptr, ".wmf", DecodeWmf, WriteWmf, false,
     {".wmf", nullptr, 0, false, "Windows Metafile (*.WMF)", 9, 0, 0, 0}},
    {"Enhanced metafile", T::EnhancedMetafile, TypeBit(T::EnhancedMetafile), IsEmfSignature,
     nullptr, ".emf", DecodeEmf, WriteEmf, false,
     {".emf", nullptr, 0, false, "Enhanced Metafile (*.EMF)", 10, 0, 0, 0}},
    {"Photoshop", T::PsdRgb, TypeBit(T::PsdRgb) | TypeBit(T::PsdIndexed), IsPsdSignature,
     RefinePsd, ".psd", DecodePsd, WritePsd, false,
     {".psd", "Adobe Photoshop (*.PSD)", 4, true, "Adobe Photoshop (*.PSD)", 6, 0, 8, 7}},
    // 00 00 is a weak signature: detect.cpp gives Targa its chance before settling on it.
    {"Wireless bitmap", T::Wbmp, TypeBit(T::Wbmp), IsWbmpSignature, nullptr, ".wbmp .wbm",
     DecodeWbmp, WriteWbmp, true, {}},
    {"Targa", T::TgaRgb, TypeBit(T::TgaRgb) | TypeBit(T::TgaIndexed), nullptr, RefineTga, ".tga",
     DecodeTga, WriteTga, false, {".tga", "Targa (*.TGA)", 5, false, "Targa (*.TGA)", 7, 5, 5, 5}},
    // Recognised by its contents (detect.cpp); the lists still offer ".pcd".
    {"Kodak PhotoCD", T::PhotoCd, TypeBit(T::PhotoCd), nullptr, nullptr, "", DecodePhotoCd,
     nullptr, false, {".pcd", nullptr, 0, false, "Kodak PhotoCD (*.PCD)", 3, 0, 4, 0}},
};

}  // namespace

std::span<const ImageFormat> ImageFormats() { return kFormats; }

const ImageFormat* FormatForType(ImageFileType type) {
  if (type == T::UnknownType) return nullptr;
  for (const ImageFormat& f : kFormats) {
    if (f.types & TypeBit(type)) return &f;
  }
  return nullptr;
}

}  // namespace orvane
