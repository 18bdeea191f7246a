#include "app/save_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "document_fixtures.h"
#include "app/document.h"
#include "scripted_host.h"

namespace orvane {
namespace {

// Dialogs that answer from the test and remember what they were shown.
struct ScriptedDialogs : SaveDialogs {
  std::string answerPath;
  bool answerOk = true;
  int answerQuality = 80;
  int answerSampling = 0;
  std::vector<SaveDialogRequest> saveRequests;
  std::vector<JpegOptionsRequest> jpegRequests;
  std::string askSavePath(const SaveDialogRequest& request) override {
    saveRequests.push_back(request);
    return answerPath;
  }
  bool askJpegOptions(JpegOptionsRequest& request) override {
    jpegRequests.push_back(request);
    request.quality = answerQuality;
    request.enhancedSampling = answerSampling;
    return answerOk;
  }
};

class SaveCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RasterImage pic;
    test::FillPhoto(pic, 120, 90);
    pic.exifBlock = test::ExifWithOrientation(1);
    input = dir.path("IMG_0412.JPG");
    ASSERT_EQ(pic.Save(input), kOk);
    ASSERT_EQ(doc.openFile(input), kOk);
  }
  test::TempFolder dir;
  test::ScriptedHost host;
  MemorySettingsStore store;
  CHushwickDoc doc{host, store};
  ScriptedDialogs dialogs;
  std::string input;
};

TEST_F(SaveCommandTest, JpegGoesThroughTheOptionsAndRemembersThem) {
  store.setString("Document", "outPath", "/somewhere");
  dialogs.answerPath = dir.path("out.jpg");
  EXPECT_EQ(RunSaveCommand(doc, store, dialogs), (Result{ResultKind::kImage, kOk}));
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  const SaveDialogRequest& r = dialogs.saveRequests[0];
  EXPECT_EQ(r.title, "Save image");
  EXPECT_EQ(r.startName, "IMG_0412_NR");
  EXPECT_EQ(r.defaultExtension, "jpg");
  EXPECT_EQ(r.filterList.rfind("JPEG File (*.JPG)|*.jpg|", 0), 0u);
  EXPECT_EQ(r.startFolder, "/somewhere");
  ASSERT_EQ(dialogs.jpegRequests.size(), 1u);
  const JpegOptionsRequest& j = dialogs.jpegRequests[0];
  EXPECT_EQ(j.quality, 92);
  EXPECT_EQ(j.enhancedSampling, 1);
  EXPECT_EQ(j.width, 120);
  EXPECT_EQ(j.targetSize, static_cast<int64_t>(std::filesystem::file_size(input)) -
                              static_cast<int64_t>(doc.exifCopy.size()) - 4);
  EXPECT_EQ(store.getInt("Settings", "JPGq", 0), 80);
  EXPECT_EQ(store.getInt("Settings", "JPGES", 1), 0);
  EXPECT_EQ(store.getString("Document", "outPath", ""), dir.root());
  EXPECT_TRUE(std::filesystem::exists(dir.path("out.jpg")));
  EXPECT_EQ(doc.path, input);  // saving does not change the document's file
  EXPECT_FALSE(host.waitCursor);
}

TEST_F(SaveCommandTest, CancelsAndTheOtherWays) {
  dialogs.answerPath = "";
  EXPECT_EQ(RunSaveCommand(doc, store, dialogs), (Result{ResultKind::kSave, kSaveDialogCancelled}));
  EXPECT_TRUE(host.log.messages.empty());

  dialogs.answerPath = dir.path("no.jpg");
  dialogs.answerOk = false;
  const Result refused = RunSaveCommand(doc, store, dialogs);
  EXPECT_EQ(refused, (Result{ResultKind::kSave, kSaveOptionsCancelled}));
  EXPECT_EQ(ResultWords(refused), "Nothing was saved!");
  EXPECT_EQ(host.log.messages, std::vector<std::string>{"Nothing was saved!"});
  EXPECT_FALSE(std::filesystem::exists(dir.path("no.jpg")));
  EXPECT_EQ(store.getInt("Settings", "JPGq", 0), 0);

  // ".jpeg" is written as JPEG without the options; the default folder is not remembered.
  store.setInt("Settings", "SaveType", 1);
  store.setString("Settings", "SavePath", "/defaults");
  store.setString("Document", "outPath", "/kept");
  dialogs.jpegRequests.clear();
  dialogs.answerPath = dir.path("out.jpeg");
  EXPECT_EQ(RunSaveCommand(doc, store, dialogs), (Result{ResultKind::kImage, kOk}));
  EXPECT_TRUE(dialogs.jpegRequests.empty());
  EXPECT_EQ(dialogs.saveRequests.back().startFolder, "/defaults");
  EXPECT_EQ(store.getString("Document", "outPath", ""), "/kept");
  RasterImage back;
  ASSERT_EQ(back.Load(dir.path("out.jpeg")), kOk);
  EXPECT_EQ(back.fileType, ImageFileType::JpegRgb);

  // Unknown extension: nothing written, nothing said.
  host.log.messages.clear();
  dialogs.answerPath = dir.path("out.xyz");
  EXPECT_FALSE(RunSaveCommand(doc, store, dialogs).succeeded());
  EXPECT_TRUE(host.log.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.path("out.xyz")));

  // Disabled while busy.
  doc.busy = 1;
  dialogs.saveRequests.clear();
  EXPECT_EQ(RunSaveCommand(doc, store, dialogs), (Result{ResultKind::kSave, kSaveDisabled}));
  EXPECT_TRUE(dialogs.saveRequests.empty());
}

}  // namespace
}  // namespace orvane
