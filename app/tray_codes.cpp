#include "app/tray_codes.h"

namespace app {

namespace {
constexpr unsigned kLeftButtonUp = 0x0202;      // WM_LBUTTONUP
constexpr unsigned kLeftButtonDouble = 0x0203;  // WM_LBUTTONDBLCLK
constexpr unsigned kRightButtonUp = 0x0205;     // WM_RBUTTONUP
constexpr unsigned kContextMenu = 0x007B;       // WM_CONTEXTMENU
constexpr std::size_t kTipBytes = 62;
}  // namespace

std::optional<TrayEventCode> TrayEventCodeFor(unsigned mouseMessage) {
  switch (mouseMessage) {
    case kLeftButtonUp:
      return kTrayLeftClick;
    case kLeftButtonDouble:
      return kTrayDoubleClick;
    case kRightButtonUp:
    case kContextMenu:
      return kTrayMenuRequest;
    default:
      return std::nullopt;
  }
}

std::string TrayTipText(const std::string& tip) {
  std::string text = tip.substr(0, tip.find('\0'));
  if (text.size() > kTipBytes) {
    text.resize(kTipBytes);
  }
  return text;
}

}  // namespace app
