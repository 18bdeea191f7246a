// The core's "description|patterns|...||" filter lists as Qt file-dialog filters.
#pragma once

#include <QString>
#include <string>

namespace orvane {

// Each entry "description (patterns)"; every pattern is also offered in capitals, since the
// file system tells letter case apart.
QString QtFilterList(const std::string& list);
// The patterns of one Qt filter entry: "JPEG File (*.JPG) (*.jpg *.JPG)" -> "jpg" for the first.
QString FirstExtensionOfFilter(const QString& filter);

}  // namespace orvane
