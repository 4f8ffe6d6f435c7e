#include "app/tray_icon.h"

#include <cstring>

#include "app/icon_file.h"
#include "app/tray_codes.h"
#include "res/resource_ids.h"

namespace app {

namespace {
constexpr int kSmallIconSize = 16;
constexpr DWORD kIconFormatVersion = 0x00030000;
}  // namespace

HICON MakeSmallIcon(std::string_view iconFile) {
  const std::optional<IconImage> image = FindIconImage(iconFile, kSmallIconSize);
  if (!image) {
    return nullptr;
  }
  // CreateIconFromResourceEx reads the image in place; it takes a non-const pointer but does not write.
  auto* bytes = reinterpret_cast<PBYTE>(const_cast<char*>(image->bytes.data()));
  return CreateIconFromResourceEx(bytes, static_cast<DWORD>(image->bytes.size()), TRUE, kIconFormatVersion,
                                  kSmallIconSize, kSmallIconSize, LR_DEFAULTCOLOR);
}

std::string_view ApplicationIconFile() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found =
      FindResourceA(module, MAKEINTRESOURCEA(QUILLET_APP_ICON_FILE), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (found == nullptr) {
    return {};
  }
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data == nullptr) {
    return {};
  }
  return {static_cast<const char*>(data), SizeofResource(module, found)};
}

NOTIFYICONDATAA TrayIcon::Data(HICON icon) const {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon;
  std::memcpy(data.szTip, tip_.data(), tip_.size());  // at most 62 bytes; the rest stays zero
  return data;
}

void TrayIcon::SetTrayIcon(std::string_view iconFile, const std::string& tip) {
  IconHandle icon(iconFile.empty() ? nullptr : MakeSmallIcon(iconFile));
  tip_ = TrayTipText(tip);
  NOTIFYICONDATAA data = Data(icon.get());
  if (shown_) {
    Shell_NotifyIconA(icon ? NIM_MODIFY : NIM_DELETE, &data);
  } else if (icon) {
    Shell_NotifyIconA(NIM_ADD, &data);
  }
  shown_ = std::move(icon);  // destroys the previous handle, now that it is no longer shown
}

void TrayIcon::AddAgain() {
  if (!shown_) {
    return;
  }
  NOTIFYICONDATAA data = Data(shown_.get());
  if (!Shell_NotifyIconA(NIM_ADD, &data)) {
    Shell_NotifyIconA(NIM_MODIFY, &data);  // it was still there
  }
}

}  // namespace app
