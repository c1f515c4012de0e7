#include "settings/display_info_win.h"

#include <vector>

namespace myr::settings {

DisplayInfo queryDisplayInfo(HWND window) {
  const HMONITOR monitor = window != nullptr ? MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                                             : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFOEXW monitorInfo{};
  monitorInfo.cbSize = sizeof monitorInfo;
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &monitorInfo)) {
    return {};
  }
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(monitorInfo.szDevice, ENUM_CURRENT_SETTINGS, &mode) || mode.dmPelsWidth == 0 ||
      mode.dmPelsHeight == 0) {
    return {};
  }
  DisplayInfo display;
  display.ok = true;
  display.width = static_cast<std::int32_t>(mode.dmPelsWidth);
  display.height = static_cast<std::int32_t>(mode.dmPelsHeight);
  display.refreshHz = displayPathRefreshHz(monitorInfo.szDevice, fallbackRefreshHz(mode.dmDisplayFrequency));
  return display;
}

double displayPathRefreshHz(std::wstring_view deviceName, double fallback) {
  UINT32 pathCount = 0;
  UINT32 modeCount = 0;
  if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS || pathCount == 0) {
    return fallback;
  }
  std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
  std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
  if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(), nullptr) !=
      ERROR_SUCCESS) {
    return fallback;
  }
  paths.resize(pathCount);
  for (const DISPLAYCONFIG_PATH_INFO& path : paths) {
    DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
    source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
    source.header.size = sizeof source;
    source.header.adapterId = path.sourceInfo.adapterId;
    source.header.id = path.sourceInfo.id;
    if (DisplayConfigGetDeviceInfo(&source.header) != ERROR_SUCCESS) {
      return fallback;
    }
    if (deviceName == source.viewGdiDeviceName) {
      const DISPLAYCONFIG_RATIONAL& rate = path.targetInfo.refreshRate;
      return exactRefreshHz(rate.Numerator, rate.Denominator, fallback);
    }
  }
  return fallback;
}

}  // namespace myr::settings
