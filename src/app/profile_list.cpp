#include "app/profile_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <system_error>
#include <utility>

#include "base/text.h"
#include "colour/profile_file.h"

namespace orvane {

namespace {

bool HasProfileExtension(const std::filesystem::path& path) {
  return Lower(path.extension().string()) == ".cpf";
}

// Shown names without regard to case, then the full path, so that two folders interleave.
bool ListOrder(const std::string& a, const std::string& b) {
  const std::string na = Lower(ShownProfileName(a));
  const std::string nb = Lower(ShownProfileName(b));
  if (na != nb) return na < nb;
  return a < b;
}

void AddFolder(const std::filesystem::path& folder, std::vector<std::string>& out) {
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error) return;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) break;
    const auto& entry = *it;
    std::error_code statError;
    if (!entry.is_regular_file(statError)) continue;
    const auto& path = entry.path();
    if (path.filename().empty() || !HasProfileExtension(path)) continue;
    out.push_back(path.string());
  }
}

Result ProfileResult(int code, std::string subject = {}) {
  return Result{ResultKind::kProfile, code, std::move(subject)};
}

void PutIntoSlot(ProfileData& data, const std::string& path, ReferenceSlot& slot) {
  if (data.width > 0 && data.height > 0 && slot.image.Create(data.width, data.height, 24) == kOk) {
    std::copy(data.pixels.begin(), data.pixels.end(), slot.image.Pixels());
  } else {
    slot.image.Release();
  }
  slot.distributions = data.distributions;
  slot.path = path;
}

}  // namespace

std::filesystem::path UserDataFolder(const char* xdgDataHome, const char* home) {
  std::filesystem::path base;
  if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
    base = xdgDataHome;
  } else if (home != nullptr && home[0] == '/') {
    base = std::filesystem::path(home) / ".local" / "share";
  } else {
    return {};
  }
  return base / "Quillmark" / "Orvane NR";
}

std::string ShownProfileName(const std::string& path) {
  const std::string name = NameAfterLastSlash(path);
  return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}

bool ValidProfileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find('/') != std::string::npos) return false;
  if (name.find('\0') != std::string::npos) return false;
  return name.size() + 4 <= 255;
}

void ProfileList::Fill(const ProfileFolders& folders) {
  entries_.clear();
  selection_ = -1;
  AddFolder(folders.program, entries_);
  std::error_code error;
  const bool sameFolder = !folders.program.empty() && !folders.user.empty() &&
                          std::filesystem::equivalent(folders.program, folders.user, error);
  if (!sameFolder) AddFolder(folders.user, entries_);
  std::sort(entries_.begin(), entries_.end(), ListOrder);
  if (!entries_.empty()) selection_ = 0;
}

void ProfileList::Add(const std::string& path) {
  const auto at = std::upper_bound(entries_.begin(), entries_.end(), path, ListOrder);
  const int index = static_cast<int>(at - entries_.begin());
  entries_.insert(at, path);
  if (selection_ >= index) ++selection_;  // the selected profile stays selected
}

void ProfileList::Select(int index) {
  selection_ = (index >= 0 && index < Count()) ? index : -1;
}

std::string ProfileList::SelectedPath() const {
  return selection_ >= 0 ? entries_[static_cast<size_t>(selection_)] : std::string();
}

Result ReadSelectedProfile(const ProfileList& list, ReferenceSlot& profileSlot) {
  const std::string path = list.SelectedPath();
  if (path.empty()) return ProfileResult(kProfileOk);
  ProfileData data;
  const int rc = ReadProfileFile(path, data);
  if (rc == kProfileCannotOpen) return ProfileResult(kProfileOk);
  if (rc != kProfileOk) return ProfileResult(rc, path);
  PutIntoSlot(data, path, profileSlot);
  return ProfileResult(kProfileOk);
}

Result FillProfileList(ProfileList& list, const ProfileFolders& folders, ReferenceSlot& profileSlot) {
  list.Fill(folders);
  return ReadSelectedProfile(list, profileSlot);
}

Result CanSaveProfile(const ReferenceSlot& reference) {
  return ProfileResult(reference.HoldsImage() ? kProfileOk : kProfileNoReference);
}

Result SaveProfile(ProfileList& list, const ReferenceSlot& reference, const ProfileFolders& folders,
                   const std::string& name) {
  if (Result can = CanSaveProfile(reference); !can.succeeded()) return can;
  if (!ValidProfileName(name)) {
    return ProfileResult(name.empty() ? kProfileNoName : kProfileBadName, name);
  }
  std::error_code error;
  std::filesystem::create_directories(folders.user, error);
  const std::filesystem::path path = folders.user / (name + ".cpf");
  const RasterImage& thumb = reference.image;
  int rc = kProfileInvalidArgument;
  if (thumb.BitsPerPixel() == 24) {
    rc = WriteProfileFile(path, thumb.Width(), thumb.Height(), thumb.Pixels(),
                          reference.distributions);
  }
  // However the write failed, the pane says it could not write the file.
  if (rc != kProfileOk) return ProfileResult(kProfileWriteError, path.string());
  list.Add(path.string());
  return ProfileResult(kProfileOk);
}

Result DeleteSelectedProfile(ProfileList& list, const ProfileFolders& folders,
                             ReferenceSlot& profileSlot) {
  const int index = list.Selection();
  const std::string path = list.SelectedPath();
  if (path.empty()) return ProfileResult(kProfileOk);
  std::error_code error;
  if (!std::filesystem::remove(path, error) || error) return ProfileResult(kProfileNotDeleted, path);
  const Result filled = FillProfileList(list, folders, profileSlot);
  list.Select(index < list.Count() ? index : list.Count() - 1);
  return filled;
}

const RasterImage* ProfileThumbnailCache::Find(const std::string& path) const {
  for (const Entry& e : entries_) {
    if (e.path == path) return &e.image;
  }
  return nullptr;
}

const RasterImage* ProfileThumbnailCache::Get(const std::string& path) {
  if (const RasterImage* hit = Find(path)) return hit;
  ProfileData data;
  if (ReadProfileFile(path, data) != kProfileOk) return nullptr;
  if (data.width / 2 <= 0 || data.height / 2 <= 0) return nullptr;
  RasterImage full;
  if (full.Create(data.width, data.height, 24) != kOk) return nullptr;
  std::copy(data.pixels.begin(), data.pixels.end(), full.Pixels());
  entries_.emplace_front();
  Entry& entry = entries_.front();
  entry.path = path;
  if (entry.image.Resample(full, data.width / 2, data.height / 2, 2) != kOk) {
    entries_.pop_front();
    return nullptr;
  }
  if (entries_.size() > kCapacity) entries_.pop_back();
  return &entries_.front().image;
}

std::string FindProfile(const ProfileFolders& folders, const std::string& name) {
  std::error_code ec;
  if (name.empty()) return {};
  if (std::filesystem::is_regular_file(name, ec)) return name;
  ProfileList list;
  list.Fill(folders);
  for (const std::string& entry : list.Entries()) {
    const std::string file = std::filesystem::path(entry).filename().string();
    if (file == name || file == name + ".cpf" || ShownProfileName(entry) == name) return entry;
  }
  return {};
}

}  // namespace orvane
