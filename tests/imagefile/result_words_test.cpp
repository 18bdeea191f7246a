#include "imagefile/result_words.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fixtures.h"

#include "engine/noise_reduce.h"
#include "imagefile/raster_image.h"

namespace orvane {
namespace {

// The same number means different things in different lists; each keeps its own words.
TEST(ResultWords, EachListKeepsItsWords) {
  struct Case { Result result; const char* words; bool succeeded; };
  const Case cases[] = {
      {{ResultKind::kEngine, NR_OK}, "", true},
      {{ResultKind::kEngine, NR_CANCELLED}, "Operation cancelled", false},
      {{ResultKind::kEngine, NR_OUT_OF_MEMORY}, "Operation failed", false},
      {{ResultKind::kEngine, NR_INVALID_PARAMETER}, "Invalid parameter given", false},
      {{ResultKind::kEngine, 7}, "Unknown Noise Reduce error", false},
      {{ResultKind::kImage, kOk}, "", true},
      {{ResultKind::kImage, kOutOfMemory}, "not enough memory (or the picture is too large)", false},
      {{ResultKind::kImage, kNoFile}, "no such file, or it cannot be accessed", false},
      {{ResultKind::kImage, kBadFile}, "the file is damaged or truncated", false},
      {{ResultKind::kImage, kSavedWithoutExif}, "camera data or colour profile not kept (too large or damaged)", true},
      {{ResultKind::kImage, 77}, "error 77", false},
      {{ResultKind::kProfile, kProfileTruncated, "/p/a.cpf"},
       "An attempt was made to access /p/a.cpf past its end.", false},
      {{ResultKind::kProfile, kProfileDamaged, "b.cpf"},
       "The colour profile b.cpf is damaged and was not read.", false},
      {{ResultKind::kProfile, kProfileNoMemory, "c.cpf"},
       "Not enough memory to read the colour profile c.cpf.", false},
      {{ResultKind::kRun, kRunNoWorkBuffer}, "Out of memeory #2", false},
      {{ResultKind::kRun, kRunNoCopyBuffer}, "Memory Error (out of memeory)", false},
      {{ResultKind::kSave, kSaveOptionsCancelled}, "Nothing was saved!", false},
      {{ResultKind::kSave, kSaveReadOnly},
       "The existing file is read only and it can't be overwritten.", false},
      {{ResultKind::kSave, kSaveWriteFailed}, "Can't save...", false},
      {{ResultKind::kSave, kSaveDialogCancelled}, "", false},  // a cancelled dialog says nothing
      {{ResultKind::kRun, kRunNoMemory}, "Out of memory", false},
      {{ResultKind::kFolder, kStepDone}, "", true},
      {{ResultKind::kFolder, kStepAtLast}, "This is already the last file in the directory", false},
      {{ResultKind::kFolder, kStepAtFirst}, "This is already the first file in the directory", false},
      {{ResultKind::kFolder, kStepNotListed}, "", false},  // a file the folder lacks: quietly nothing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResultWords(c.result), c.words) << c.words;
    EXPECT_EQ(c.result.succeeded(), c.succeeded) << c.words;
  }
  // Every failure has words of its own, apart from the cancelled dialog and the quiet step.
  for (ResultKind kind : {ResultKind::kImage, ResultKind::kEngine, ResultKind::kProfile,
                          ResultKind::kRun, ResultKind::kSave, ResultKind::kFolder})
    for (int code = 1; code < 120; ++code)
      if (!(kind == ResultKind::kSave && code == kSaveDialogCancelled) &&
          !(kind == ResultKind::kFolder && code == kStepNotListed)) {
        EXPECT_FALSE(ResultWords(Result{kind, code, "f"}).empty())
            << static_cast<int>(kind) << " " << code;
      }
}

// A path that is no picture file says what it is, in the same words wherever it is shown.
TEST(ResultWords, PathsThatAreNoPictureFiles) {
  test::TempDir dir;
  const std::string fifo = dir.File("pipe.jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string photo = dir.File("photo.jpg");
  test::WriteBytes(photo, {0xFF, 0xD8, 0xFF});
  EXPECT_EQ(LoadFailureWords(dir.path().string(), kOpenFailed), "is a folder, not a picture");
  EXPECT_EQ(LoadFailureWords(fifo, kOpenFailed), "not a regular file");
  EXPECT_EQ(LoadFailureWords(photo, kBadFile), "the file is damaged or truncated");
  EXPECT_EQ(LoadFailureWords(dir.File("gone.jpg"), kNoFile), "no such file, or it cannot be accessed");
  EXPECT_EQ(NotAPictureFileWords(photo), "");
  EXPECT_EQ(NotAPictureFileWords(fifo), "not a regular file");
}

}  // namespace
}  // namespace orvane
