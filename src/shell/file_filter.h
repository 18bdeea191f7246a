// The program's file dialogs: the core's filter lists ("description|patterns|...||") as Qt
// file-dialog filters, and the dialogs' first size.
#pragma once

#include <QString>
#include <string>

class QFileDialog;

namespace orvane {

// Each pattern is offered in capitals too: the dialog matches names with their letter case.
QString QtFileFilter(const std::string& list);

// Gives an open or save dialog its first size for the screen it opens on (Qt's own would cut
// the list's size and date columns).
void SizeFileDialog(QFileDialog& dialog);

}  // namespace orvane
