#include "pipeline/swap_buffer.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "scripted_host.h"

// Huge requests must come back as null, not abort the sanitizer build.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace orvane {
namespace {

bool IsMapped(void* address) {
  const long page = sysconf(_SC_PAGESIZE);
  auto base = reinterpret_cast<uintptr_t>(address) & ~static_cast<uintptr_t>(page - 1);
  unsigned char vec = 0;
  return mincore(reinterpret_cast<void*>(base), 1, &vec) == 0 || errno != ENOMEM;
}

TEST(SwapBuffer, SameSizeKeepsMemoryAndContents) {
  for (int64_t threshold : {int64_t{1} << 30, int64_t{16}}) {  // heap, then mapping
    test::ScriptedHost host;
    SwapBuffer buffer(&host);
    buffer.setThreshold(threshold);
    ASSERT_TRUE(buffer.allocate(4000));
    uint8_t* first = buffer.data();
    std::memset(first, 0xA5, 4000);
    ASSERT_TRUE(buffer.allocate(4000));
    EXPECT_EQ(buffer.data(), first);
    EXPECT_EQ(buffer.data()[3999], 0xA5);
    EXPECT_TRUE(host.log.messages.empty());
  }
}

TEST(SwapBuffer, ZeroOnEmptyBufferSucceedsWithoutMemory) {
  test::ScriptedHost host;
  SwapBuffer buffer(&host);
  EXPECT_TRUE(buffer.allocate(0));
  EXPECT_EQ(buffer.data(), nullptr);
  ASSERT_TRUE(buffer.allocate(64));
  EXPECT_TRUE(buffer.allocate(0));
  EXPECT_EQ(buffer.data(), nullptr);
  EXPECT_EQ(buffer.size(), 0);
  EXPECT_TRUE(host.log.messages.empty());
}

TEST(SwapBuffer, ThresholdChoosesHeapOrMappingWithSlack) {
  SwapBuffer buffer;
  EXPECT_EQ(buffer.threshold(), 6750000);
  buffer.setThreshold(100);
  ASSERT_TRUE(buffer.allocate(100));
  EXPECT_FALSE(buffer.isMapped());
  EXPECT_EQ(buffer.size(), 100);
  ASSERT_TRUE(buffer.allocate(101));
  EXPECT_TRUE(buffer.isMapped());
  EXPECT_EQ(buffer.mappedBytes(), 6101u);
  EXPECT_EQ(buffer.size(), 101);
  // The slack is usable memory of the mapping.
  buffer.data()[6100] = 7;
  EXPECT_EQ(buffer.data()[6100], 7);
}

TEST(SwapBuffer, NewSizeOrReleaseUnmapsTheMapping) {
  SwapBuffer buffer;
  buffer.setThreshold(100);
  ASSERT_TRUE(buffer.allocate(1 << 20));
  void* mapped = buffer.data();
  ASSERT_TRUE(IsMapped(mapped));
  ASSERT_TRUE(buffer.allocate(50));
  EXPECT_FALSE(buffer.isMapped());
  EXPECT_FALSE(IsMapped(mapped));

  ASSERT_TRUE(buffer.allocate(1 << 20));
  mapped = buffer.data();
  buffer.release();
  EXPECT_EQ(buffer.data(), nullptr);
  EXPECT_EQ(buffer.size(), 0);
  EXPECT_FALSE(IsMapped(mapped));
  {
    SwapBuffer scoped;
    scoped.setThreshold(0);
    ASSERT_TRUE(scoped.allocate(1 << 20));
    mapped = scoped.data();
  }
  EXPECT_FALSE(IsMapped(mapped));
}

TEST(SwapBuffer, ImpossibleRequestShowsOutOfMemory) {
  for (int64_t threshold : {int64_t{100}, INT64_MAX}) {  // mapping then heap, heap only
    test::ScriptedHost host;
    SwapBuffer buffer(&host);
    buffer.setThreshold(threshold);
    ASSERT_TRUE(buffer.allocate(64));
    EXPECT_FALSE(buffer.allocate(int64_t{1} << 62));
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), 0);
    ASSERT_EQ(host.log.messages.size(), 1u);
    EXPECT_EQ(host.log.messages[0], "Out of memory");
  }
}

}  // namespace
}  // namespace orvane
