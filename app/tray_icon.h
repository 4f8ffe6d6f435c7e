// The program's icon in the notification area: added, changed and removed by SetTrayIcon.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <string_view>

#include "app/win32_handles.h"

namespace app {

class TrayIcon {
 public:
  explicit TrayIcon(HWND owner) : owner_(owner) {}

  // `iconFile` is the data of an icon file (.ico), or empty. With an icon made from it (its 16x16
  // image) the tray icon is added or changed; without one a shown icon is removed. The previously
  // shown icon handle is destroyed afterwards. The tip is cut to 62 bytes.
  void SetTrayIcon(std::string_view iconFile, const std::string& tip);

  // Adds the shown icon again: after the notification area has been re-created ("TaskbarCreated"),
  // the icons that were in it are gone.
  void AddAgain();

  HICON ShownIcon() const { return shown_.get(); }

 private:
  NOTIFYICONDATAA Data(HICON icon) const;

  HWND owner_;
  IconHandle shown_;
  std::string tip_;
};

// The 16x16 icon from the data of an icon file; null when none can be made from it.
HICON MakeSmallIcon(std::string_view iconFile);

// The program's own application icon as icon file data (a resource of the executable).
std::string_view ApplicationIconFile();

}  // namespace app
