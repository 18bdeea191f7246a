// The table of formats. Its order is the order in which signatures are tried.
#include "imagefile/codec/codec.h"

namespace orvane {

namespace {

using T = ImageFileType;

constexpr ImageFormat kFormats[] = {
    // name, base type, types read, signature, refine, extensions, read, write, anyDepth
    {"Windows bitmap", T::BmpRgb,
     TypeBit(T::BmpRgb) | TypeBit(T::BmpIndexed) | TypeBit(T::BmpBilevel), IsBmpSignature,
     RefineBmp, ".bmp", ReadBmp, WriteBmp, false},
    {"JPEG", T::JpegRgb, TypeBit(T::JpegRgb) | TypeBit(T::JpegGrey), IsJpegSignature, RefineJpeg,
     ".jpg .jpeg", ReadJpeg, WriteJpeg, false},
    {"PCX", T::PcxRgb, TypeBit(T::PcxRgb) | TypeBit(T::PcxIndexed), IsPcxSignature, RefinePcx,
     ".pcx", ReadPcx, WritePcx, false},
    {"TIFF", T::TiffRgb,
     TypeBit(T::TiffRgb) | TypeBit(T::TiffIndexed) | TypeBit(T::TiffBilevel), IsTiffSignature,
     RefineTiff, ".tif .tiff", ReadTiff, WriteTiff, false},
    {"PNG", T::PngRgb, TypeBit(T::PngRgb) | TypeBit(T::PngIndexed) | TypeBit(T::PngBilevel),
     IsPngSignature, RefinePng, ".png", ReadPng, WritePng, false},
    {"Windows metafile", T::WindowsMetafile, TypeBit(T::WindowsMetafile), IsWmfSignature,
     nullptr, ".wmf", ReadWmf, WriteWmf, false},
    {"Enhanced metafile", T::EnhancedMetafile, TypeBit(T::EnhancedMetafile), IsEmfSignature,
     nullptr, ".emf", ReadEmf, WriteEmf, false},
    {"Photoshop", T::PsdRgb, TypeBit(T::PsdRgb) | TypeBit(T::PsdIndexed), IsPsdSignature,
     RefinePsd, ".psd", ReadPsd, WritePsd, false},
    // 00 00 is a weak signature: detect.cpp gives Targa its chance before settling on it.
    {"Wireless bitmap", T::Wbmp, TypeBit(T::Wbmp), IsWbmpSignature, nullptr, ".wbmp .wbm",
     ReadWbmp, WriteWbmp, true},
    {"Targa", T::TgaRgb, TypeBit(T::TgaRgb) | TypeBit(T::TgaIndexed), nullptr, RefineTga, ".tga",
     ReadTga, WriteTga, false},
    {"Kodak PhotoCD", T::PhotoCd, TypeBit(T::PhotoCd), nullptr, nullptr, "", ReadPhotoCd,
     nullptr, false},
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
