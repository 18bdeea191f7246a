// The colour profiles the user can match to: where they live, the sorted list with its
// selection, reading, saving and deleting, the shown names and the thumbnail cache.
#pragma once

#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "colour/reference_store.h"
#include "imagefile/result_words.h"

namespace orvane {

// Profiles are read from the program's folder and from the per-user data folder; new ones are
// written to the per-user folder, which is made when missing.
struct ProfileFolders {
  std::filesystem::path program;
  std::filesystem::path user;
};

// The per-user data folder: $XDG_DATA_HOME/Quillmark/Orvane NR when that is an absolute path,
// else $HOME/.local/share/Quillmark/Orvane NR. Empty when neither is usable.
std::filesystem::path UserDataFolder(const char* xdgDataHome, const char* home);

// The text the profile name dialog starts with.
inline constexpr const char* kDefaultProfileName = "Profile";

// The name shown for a profile path: after the last '/', without the last four characters.
std::string ShownProfileName(const std::string& path);

// A name the user typed can become a file name: not empty, no '/', no NUL, not "." or "..",
// and short enough for the file system together with ".cpf".
bool ValidProfileName(const std::string& name);

class ProfileList {
 public:
  // Rebuilds the entries from the folders (files ending in ".cpf", any case) and selects the
  // first entry, if any. Does not read anything.
  void Fill(const ProfileFolders& folders);

  // Inserts a path at its sorted place (a path already listed is listed again).
  void Add(const std::string& path);

  const std::vector<std::string>& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  int Selection() const { return selection_; }  // -1: none
  void Select(int index);                       // out of range: no selection
  std::string SelectedPath() const;             // empty when none

 private:
  std::vector<std::string> entries_;
  int selection_ = -1;
};

// The profile a name given by the user means: an existing file as it is; otherwise the profile
// of the folders whose file name is name, or name + ".cpf", or whose shown name is name
// ("Sunset Glow"). Empty when none is.
std::string FindProfile(const ProfileFolders& folders, const std::string& name);

// Each of these returns a profile result (ResultKind::kProfile) naming the file or the name it
// concerns; the pane shows its words when it did not succeed.

// Reads the list's selected profile into the slot. The slot changes only when the whole file
// was read. A list without a selection, or a file that cannot be opened (it was listed and has
// gone), does nothing and succeeds: only a file that was read and is unusable says so.
Result ReadSelectedProfile(const ProfileList& list, ReferenceSlot& profileSlot);

// Fill, then read the first profile into the slot (pane start-up).
Result FillProfileList(ProfileList& list, const ProfileFolders& folders, ReferenceSlot& profileSlot);

// "Save To Profile" before the name dialog: the reference slot must hold a picture
// (kProfileNoReference otherwise).
Result CanSaveProfile(const ReferenceSlot& reference);

// "Save To Profile" after the dialog: writes folders.user/name.cpf from the reference slot
// (overwriting a file of that name) and adds its path to the list; the selection stays.
// A name that cannot be a file name (kProfileNoName, kProfileBadName), or a file that cannot
// be written (kProfileWriteError), lists nothing.
Result SaveProfile(ProfileList& list, const ReferenceSlot& reference, const ProfileFolders& folders,
                   const std::string& name);

// "Delete Profile" after the user said Yes: deletes the selected file, fills the list again
// (reading the first profile), then selects the entry at the deleted one's index, or the last.
// The pane then runs its "Match Colors to Profile" handler. A file that cannot be deleted
// (kProfileNotDeleted) changes nothing.
Result DeleteSelectedProfile(ProfileList& list, const ProfileFolders& folders,
                             ReferenceSlot& profileSlot);

inline constexpr const char* kDeleteProfileQuestion = "Delete this profile?";

// How the list draws an entry: 55 pixels high; light blue (192, 192, 255) behind the selected
// entry, white otherwise; text 3 pixels from the left. Entries under 36 pixels show the name on
// one centred line without a thumbnail; otherwise the top moves down 2 pixels, the thumbnail
// sits at the top left, the word-wrapped name starts 4 pixels right of it, and a line runs
// along the bottom edge.
struct ProfileEntryLook {
  static constexpr int kHeight = 55;
  static constexpr int kSelectedRed = 192;
  static constexpr int kSelectedGreen = 192;
  static constexpr int kSelectedBlue = 255;
  static constexpr int kTextLeft = 3;
  static constexpr int kThumbnailFromHeight = 36;
  static constexpr int kTopOffset = 2;
  static constexpr int kNameGap = 4;
};

// Thumbnails for drawing the list: half the stored thumbnail, newest first, at most 20.
// Entries are never refreshed; an overwritten profile shows its old picture until it drops out.
class ProfileThumbnailCache {
 public:
  static constexpr size_t kCapacity = 20;

  // The thumbnail for path, read and inserted on a miss; null when the file cannot be read.
  const RasterImage* Get(const std::string& path);
  // Lookup without reading.
  const RasterImage* Find(const std::string& path) const;
  size_t Size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string path;
    RasterImage image;
  };
  std::list<Entry> entries_;
};

}  // namespace orvane
