// The core's filter lists ("description|patterns|...||") as Qt file-dialog filters.
#pragma once

#include <QString>
#include <string>

namespace orvane {

// Each pattern is offered in capitals too: the dialog matches names with their letter case.
QString QtFileFilter(const std::string& list);

}  // namespace orvane
