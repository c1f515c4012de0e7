#include "webui/browser/chromium/key_names.h"

#include <cstddef>

namespace myr::browser::chromium {
namespace {

struct Named {
  unsigned code;
  std::string_view name;
};

// Virtual-key codes are the system's fixed values; this file includes no Windows header.
constexpr Named kNamedKeys[] = {
    {0x08, "Backspace"},
    {0x09, "Tab"},
    {0x0C, "Clear"},
    {0x0D, "Enter"},
    {0x10, "Shift"},
    {0x11, "Control"},
    {0x12, "Alt"},
    {0x13, "Pause"},
    {0x14, "CapsLock"},
    {0x1B, "Escape"},
    {0x21, "PageUp"},
    {0x22, "PageDown"},
    {0x23, "End"},
    {0x24, "Home"},
    {0x25, "ArrowLeft"},
    {0x26, "ArrowUp"},
    {0x27, "ArrowRight"},
    {0x28, "ArrowDown"},
    {0x2C, "PrintScreen"},
    {0x2D, "Insert"},
    {0x2E, "Delete"},
    {0x5B, "Meta"},
    {0x5C, "Meta"},
    {0x5D, "ContextMenu"},
    {0x70, "F1"},
    {0x71, "F2"},
    {0x72, "F3"},
    {0x73, "F4"},
    {0x74, "F5"},
    {0x75, "F6"},
    {0x76, "F7"},
    {0x77, "F8"},
    {0x78, "F9"},
    {0x79, "F10"},
    {0x7A, "F11"},
    {0x7B, "F12"},
    {0x90, "NumLock"},
    {0x91, "ScrollLock"},
    {0xA0, "Shift"},
    {0xA1, "Shift"},
    {0xA2, "Control"},
    {0xA3, "Control"},
    {0xA4, "Alt"},
    {0xA5, "Alt"},
    {0xAD, "AudioVolumeMute"},
    {0xB3, "MediaPlayPause"},
};

// Scan codes of set 1 for the main block; extended keys are listed with 0xE000 added.
constexpr Named kPhysicalKeys[] = {
    {0x01, "Escape"},
    {0x02, "Digit1"},
    {0x03, "Digit2"},
    {0x04, "Digit3"},
    {0x05, "Digit4"},
    {0x06, "Digit5"},
    {0x07, "Digit6"},
    {0x08, "Digit7"},
    {0x09, "Digit8"},
    {0x0A, "Digit9"},
    {0x0B, "Digit0"},
    {0x0C, "Minus"},
    {0x0D, "Equal"},
    {0x0E, "Backspace"},
    {0x0F, "Tab"},
    {0x10, "KeyQ"},
    {0x11, "KeyW"},
    {0x12, "KeyE"},
    {0x13, "KeyR"},
    {0x14, "KeyT"},
    {0x15, "KeyY"},
    {0x16, "KeyU"},
    {0x17, "KeyI"},
    {0x18, "KeyO"},
    {0x19, "KeyP"},
    {0x1A, "BracketLeft"},
    {0x1B, "BracketRight"},
    {0x1C, "Enter"},
    {0x1D, "ControlLeft"},
    {0x1E, "KeyA"},
    {0x1F, "KeyS"},
    {0x20, "KeyD"},
    {0x21, "KeyF"},
    {0x22, "KeyG"},
    {0x23, "KeyH"},
    {0x24, "KeyJ"},
    {0x25, "KeyK"},
    {0x26, "KeyL"},
    {0x27, "Semicolon"},
    {0x28, "Quote"},
    {0x29, "Backquote"},
    {0x2A, "ShiftLeft"},
    {0x2B, "Backslash"},
    {0x2C, "KeyZ"},
    {0x2D, "KeyX"},
    {0x2E, "KeyC"},
    {0x2F, "KeyV"},
    {0x30, "KeyB"},
    {0x31, "KeyN"},
    {0x32, "KeyM"},
    {0x33, "Comma"},
    {0x34, "Period"},
    {0x35, "Slash"},
    {0x36, "ShiftRight"},
    {0x37, "NumpadMultiply"},
    {0x38, "AltLeft"},
    {0x39, "Space"},
    {0x3A, "CapsLock"},
    {0x3B, "F1"},
    {0x3C, "F2"},
    {0x3D, "F3"},
    {0x3E, "F4"},
    {0x3F, "F5"},
    {0x40, "F6"},
    {0x41, "F7"},
    {0x42, "F8"},
    {0x43, "F9"},
    {0x44, "F10"},
    {0x45, "NumLock"},
    {0x46, "ScrollLock"},
    {0x47, "Numpad7"},
    {0x48, "Numpad8"},
    {0x49, "Numpad9"},
    {0x4A, "NumpadSubtract"},
    {0x4B, "Numpad4"},
    {0x4C, "Numpad5"},
    {0x4D, "Numpad6"},
    {0x4E, "NumpadAdd"},
    {0x4F, "Numpad1"},
    {0x50, "Numpad2"},
    {0x51, "Numpad3"},
    {0x52, "Numpad0"},
    {0x53, "NumpadDecimal"},
    {0x57, "F11"},
    {0x58, "F12"},
    {0xE01C, "NumpadEnter"},
    {0xE01D, "ControlRight"},
    {0xE035, "NumpadDivide"},
    {0xE038, "AltRight"},
    {0xE047, "Home"},
    {0xE048, "ArrowUp"},
    {0xE049, "PageUp"},
    {0xE04B, "ArrowLeft"},
    {0xE04D, "ArrowRight"},
    {0xE04F, "End"},
    {0xE050, "ArrowDown"},
    {0xE051, "PageDown"},
    {0xE052, "Insert"},
    {0xE053, "Delete"},
    {0xE05B, "MetaLeft"},
    {0xE05C, "MetaRight"},
    {0xE05D, "ContextMenu"},
};

template <std::size_t N>
std::string_view lookUp(const Named (&table)[N], unsigned code) {
  for (const Named& entry : table) {
    if (entry.code == code) {
      return entry.name;
    }
  }
  return {};
}

}  // namespace

std::string_view namedKey(unsigned virtualKey) { return lookUp(kNamedKeys, virtualKey); }

std::string_view physicalKeyCode(unsigned scanCode, bool extended) {
  return lookUp(kPhysicalKeys, extended ? 0xE000 | scanCode : scanCode);
}

}  // namespace myr::browser::chromium
