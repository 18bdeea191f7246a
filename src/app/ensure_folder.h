// The folder chooser's check of a typed folder: the folder-name rules, the question before a
// missing folder is made, and making every missing level.
#pragma once

#include <string>

namespace orvane {

class UiHost;

enum EnsureFolderResult { kFolderReady = 0, kFolderDeclined = -1, kFolderInvalid = 1, kFolderNotCreated = 2 };

// Whether path may name a folder: absolute, and every name after the root non-empty, neither
// starting nor ending with a blank, tab or dot, and free of " * : < > ? \ |. "/" itself is valid,
// a path ending in "/" is not.
bool IsValidFolderPath(const std::string& path);

// Makes sure path is an existing folder. With ask, a missing folder is only made after the user
// says Yes. Invalid paths and folders that cannot be made are reported to the user as warnings.
int EnsureFolder(const std::string& path, bool ask, UiHost& host);

}  // namespace orvane
