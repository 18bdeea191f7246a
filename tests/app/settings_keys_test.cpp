// The table of settings keys: each key once, with an owner; the store takes no other key (and
// every test runs strict, so code that uses one fails its tests).
#include "app/settings_keys.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <set>
#include <string>

#include "app/host.h"

namespace orvane {
namespace {

TEST(SettingKeys, EveryKeyOnceWithAnOwner) {
  std::set<std::string> seen;
  for (const SettingKey* k : SettingKeys()) {
    const std::string full = std::string(k->section) + "/" + std::string(k->name);
    EXPECT_TRUE(seen.insert(full).second) << full;
    EXPECT_FALSE(k->owner.empty()) << full;
    EXPECT_EQ(FindSettingKey(k->section, k->name), k) << full;
  }
  EXPECT_EQ(FindSettingKey("Settings", "JPGq")->defaultInt, 92);
  EXPECT_EQ(FindSettingKey("Recent File List", "File4"), &key::kRecentFiles[3]);
  EXPECT_EQ(FindSettingKey("Settings", "NoSuchKey"), nullptr);
}

TEST(SettingKeys, TheStoreTakesOnlyTheTablesKeysAsTheirType) {
  MemorySettingsStore store;
  store.setInt(key::kSaveType, 1);
  store.setString(key::kSavePath, "/out");
  EXPECT_EQ(store.getInt(key::kSaveType), 1);
  EXPECT_EQ(store.getString("Settings", "SavePath", ""), "/out");
  EXPECT_EQ(store.getInt(key::kCropAspect), key::kCropAspect.defaultInt);  // missing: the table's default

  ::setenv("ORVANE_STRICT_SETTINGS", "0", 1);
  store.setInt("Settings", "NoSuchKey", 3);
  EXPECT_FALSE(store.contains("Settings", "NoSuchKey"));
  EXPECT_EQ(store.getInt("Settings", "NoSuchKey", 7), 7);
  store.setString("Settings", "JPGq", "high");  // a number key written as text
  EXPECT_FALSE(store.contains("Settings", "JPGq"));
  ::setenv("ORVANE_STRICT_SETTINGS", "1", 1);
  EXPECT_DEATH(store.setInt("Settings", "NoSuchKey", 3), "not in the table of keys");
}

}  // namespace
}  // namespace orvane
