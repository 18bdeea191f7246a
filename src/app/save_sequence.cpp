#include "app/save_sequence.h"

#include "app/document.h"
#include "app/save_names.h"

namespace orvane {

bool CanSave(const CHushwickDoc& doc) { return !doc.busy && !doc.sourceImage.IsEmpty(); }

Result RunSaveCommand(CHushwickDoc& doc, SettingsStore& settings, SaveDialogs& dialogs) {
  if (!CanSave(doc)) return Result{ResultKind::kSave, kSaveDisabled};
  const std::string title = doc.path.substr(doc.path.rfind('/') + 1);
  const SaveProposal proposal = SaveStartName(doc.path, title);
  const std::string pattern = SaveDefaultPattern(proposal.keptExtension);
  SaveDialogRequest request;
  request.startName = proposal.name;
  request.defaultExtension = pattern.substr(2);  // after "*."
  request.filterList = SaveFilterList(pattern);
  bool startedInDefaultFolder = false;
  request.startFolder = SaveStartFolder(settings, startedInDefaultFolder);

  const std::string chosen = dialogs.askSavePath(request);
  if (chosen.empty()) return Result{ResultKind::kSave, kSaveDialogCancelled};
  RememberSaveFolder(settings, chosen, startedInDefaultFolder);

  if (NeedsJpegOptions(chosen)) {
    JpegOptionsRequest options;
    options.quality = doc.jpegOptions().quality;
    options.enhancedSampling = doc.jpegOptions().enhancedSampling;
    options.pixels = doc.sourceImage.Pixels();
    options.width = doc.sourceImage.Width();
    options.height = doc.sourceImage.Height();
    options.targetSize = doc.jpegTargetSize();
    if (!dialogs.askJpegOptions(options)) {
      const Result why{ResultKind::kSave, kSaveOptionsCancelled};
      doc.host().showMessage(ResultWords(why));
      return why;
    }
    doc.storeJpegOptions(options.quality, options.enhancedSampling);
  }
  doc.host().setWaitCursor(true);
  const Result written = doc.writeResult(chosen);
  doc.host().setWaitCursor(false);
  return written;
}

}  // namespace orvane
