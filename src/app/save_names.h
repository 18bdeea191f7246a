// What the Save dialog starts with: the proposed name, the default pattern, the file-type list,
// the start folder, and whether the JPEG options come first.
#pragma once

#include <string>

namespace orvane {

class SettingsStore;

struct SaveProposal {
  std::string name;           // without folder; "_NR" added when the name had an extension
  std::string keptExtension;  // ".png" (lowercase, with the dot), or empty
};

// From the document's path, or when it is empty from its title (cut at the first of
// " #%;/\" with ".jpg" appended): IMG_0412.JPG -> IMG_0412_NR and ".jpg".
SaveProposal SaveStartName(const std::string& documentPath, const std::string& title);

// "*" + the kept extension when it names a type we know, else "*.jpg".
std::string SaveDefaultPattern(const std::string& keptExtension);

// The file name the dialog offers when the user just presses Save: the proposed name with the
// default pattern's extension. IMG_0412.JPG -> IMG_0412_NR.jpg, shot.cr2 -> shot_NR.jpg,
// photo -> photo.jpg.
std::string ProposedSaveName(const std::string& documentPath, const std::string& title = "");

// Whether path is one of this program's results: its name before the extension ends in "_NR"
// and a file of the same name without it (any extension) lies in the same folder. A batch
// skips such files so that running it twice does not make NAME_NR_NR.
bool IsOwnOutput(const std::string& path);

// The dialog's filter list for a default pattern, each entry "description|pattern|", the whole
// list closed by one more "|".
std::string SaveFilterList(const std::string& pattern);

// The default output folder of the File Properties pane: "Recently Used" (mode 0) or the
// folder (mode 1). The settings store is its one owner: the pane writes it when the choice
// changes, the save sequence reads it, so a new choice holds from the next save on.
struct OutputFolderChoice {
  int mode = 0;
  std::string folder;
};
OutputFolderChoice ReadOutputFolder(const SettingsStore& settings);
void StoreOutputFolder(SettingsStore& settings, const OutputFolderChoice& choice);

// The folder the dialog starts in. isDefaultFolder tells whether it is the default output
// folder of the File Properties pane (which is then not remembered).
std::string SaveStartFolder(const SettingsStore& settings, bool& isDefaultFolder);
// After OK: remembers the chosen file's folder under "Document"/"outPath" unless the dialog
// started in the default output folder.
void RememberSaveFolder(SettingsStore& settings, const std::string& chosenPath,
                        bool startedInDefaultFolder);

// A chosen name whose last three characters are "jpg" (any case) gets the JPEG options first.
bool NeedsJpegOptions(const std::string& chosenPath);

}  // namespace orvane
