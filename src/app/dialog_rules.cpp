#include "app/dialog_rules.h"

#include <algorithm>

namespace orvane {

std::string ProgressPercentText(int pos, int min, int max) {
  // A window given an empty range would divide by zero; it simply reads 0 %.
  if (max == min) return "0%";
  const long long p = (static_cast<long long>(pos) - min) * 100 / (static_cast<long long>(max) - min);
  return std::to_string(p == 100 ? p : p % 100) + "%";
}

bool ProgressPacer::due(int position, int maximum, double nowMs) {
  if (drawnAny_ && position == drawn_) return false;
  if (drawnAny_ && position < maximum && nowMs - drawnAt_ < kProgressRedrawMs) return false;
  drawnAny_ = true;
  drawn_ = position;
  drawnAt_ = nowMs;
  return true;
}

PreviewSize PreviewFit(int width, int height, int areaWidth, int areaHeight) {
  if (width <= 0 || height <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
  if (width <= areaWidth && height <= areaHeight) return {width, height};
  const double m = std::max(static_cast<double>(width) / areaWidth,
                            static_cast<double>(height) / areaHeight);
  return {std::max(1, static_cast<int>(width / m)), std::max(1, static_cast<int>(height / m))};
}

std::string PreviewSizeText(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height) + "\nPixels";
}

DialogSize FileDialogSize(int screenWidth, int screenHeight) {
  // 1100 x 691 on 1920 x 1080, 956 x 491 on 1366 x 768.
  const int width = std::clamp(screenWidth * 70 / 100, 760, 1100);
  const int height = std::clamp(screenHeight * 64 / 100, 480, 720);
  return {std::max(1, std::min(width, screenWidth * 95 / 100)),
          std::max(1, std::min(height, screenHeight * 95 / 100))};
}

int TitledBoxMinimumWidth(int titleTextWidth) {
  return std::max(kMessageBoxMinWidth, titleTextWidth + kTitleBarAllowance);
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace orvane
