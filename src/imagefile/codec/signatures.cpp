// Signature checks of every format, in one place so that detection is complete even for
// formats whose reader lives elsewhere. Each looks only at the bytes it is given.
#include <cstring>

#include "imagefile/codec/codec.h"

namespace orvane {

namespace {

bool StartsWith(std::span<const uint8_t> data, size_t offset, const char* bytes, size_t n) {
  return data.size() >= offset + n && std::memcmp(data.data() + offset, bytes, n) == 0;
}

}  // namespace

bool IsBmpSignature(std::span<const uint8_t> head) { return StartsWith(head, 0, "BM", 2); }

bool IsJpegSignature(std::span<const uint8_t> head) {
  return StartsWith(head, 0, "\xFF\xD8\xFF", 3);
}

// The third byte is the encoding, 0 or 1 in every PCX: a Targa whose image ID is ten bytes long
// also starts 0A 00, with its image type (2, 3, 10, 11) there.
bool IsPcxSignature(std::span<const uint8_t> head) {
  return head.size() >= 2 && head[0] == 0x0A &&
         (head[1] == 0 || head[1] == 2 || head[1] == 3 || head[1] == 5) &&
         (head.size() < 3 || head[2] <= 1);
}

bool IsTiffSignature(std::span<const uint8_t> head) {
  return StartsWith(head, 0, "II", 2) || StartsWith(head, 0, "MM", 2);
}

bool IsPngSignature(std::span<const uint8_t> head) {
  return StartsWith(head, 0, "\x89PNG\r\n\x1A\n", 8);
}

bool IsWmfSignature(std::span<const uint8_t> head) {
  // A plain metafile header, or the placeable header's key.
  return StartsWith(head, 0, "\x01\x00\x09\x00\x00", 5) ||
         StartsWith(head, 0, "\xD7\xCD\xC6\x9A", 4);
}

bool IsEmfSignature(std::span<const uint8_t> head) { return StartsWith(head, 40, " EMF", 4); }

bool IsPsdSignature(std::span<const uint8_t> head) { return StartsWith(head, 0, "8BPS", 4); }

bool IsWbmpSignature(std::span<const uint8_t> head) {
  return StartsWith(head, 0, "\x00\x00", 2);
}

bool HasTargaFooter(std::span<const uint8_t> file) {
  return file.size() >= 18 && StartsWith(file, file.size() - 18, "TRUEVISION-XFILE.", 17);
}

bool IsPhotoCd(std::span<const uint8_t> file) { return StartsWith(file, 2048, "PCD", 3); }

}  // namespace orvane
