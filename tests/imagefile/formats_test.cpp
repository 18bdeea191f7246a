#include <gtest/gtest.h>

#include "format_test_util.h"
#include "imagefile/codec/bmp.h"
#include "imagefile/codec/codec.h"

namespace orvane {
namespace {
TEST(Placeholder, Builds) { SUCCEED(); }
}  // namespace
}  // namespace orvane
