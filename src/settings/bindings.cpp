#include "settings/bindings.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "foundation/files/ascii_text.h"

namespace myr::settings {

const std::array<std::string_view, 24> PadButtons{
    "Up", "Right", "Down", "Left", "Triangle", "Circle", "Cross", "Square", "Select", "Start",  "L1",    "L2",
    "R1", "R2",    "L3",   "R3",   "LUp",      "LRight", "LDown", "LLeft",  "RUp",    "RRight", "RDown", "RLeft"};

const std::array<PadDefault, 34> PadDefaults{{
    {"Up", "SDL-0/DPadUp"},
    {"Right", "SDL-0/DPadRight"},
    {"Down", "SDL-0/DPadDown"},
    {"Left", "SDL-0/DPadLeft"},
    {"Triangle", "Keyboard/Up;SDL-0/FaceNorth"},
    {"Circle", "Keyboard/Right;SDL-0/FaceEast"},
    {"Cross", "Keyboard/Down;SDL-0/FaceSouth"},
    {"Square", "Keyboard/Left;SDL-0/FaceWest"},
    {"Select", "Keyboard/Tab;SDL-0/Back"},
    {"Start", "Keyboard/Return;SDL-0/Start"},
    {"L1", "Keyboard/Q;SDL-0/LeftShoulder"},
    {"L2", "Keyboard/1;SDL-0/+LeftTrigger"},
    {"R1", "Keyboard/E;SDL-0/RightShoulder"},
    {"R2", "Keyboard/3;SDL-0/+RightTrigger"},
    {"L3", "Keyboard/F;SDL-0/LeftStick"},
    {"R3", "Keyboard/G;SDL-0/RightStick"},
    {"LUp", "Keyboard/W;SDL-0/-LeftY"},
    {"LRight", "Keyboard/D;SDL-0/+LeftX"},
    {"LDown", "Keyboard/S;SDL-0/+LeftY"},
    {"LLeft", "Keyboard/A;SDL-0/-LeftX"},
    {"RUp", "SDL-0/-RightY"},
    {"RRight", "SDL-0/+RightX"},
    {"RDown", "SDL-0/+RightY"},
    {"RLeft", "SDL-0/-RightX"},
    {"Type", "DualShock2"},
    {"InvertL", "0"},
    {"InvertR", "0"},
    {"Deadzone", "0"},
    {"AxisScale", "1.33"},
    {"ButtonDeadzone", "0"},
    {"LargeMotorScale", "1"},
    {"SmallMotorScale", "1"},
    {"LargeMotor", "SDL-0/LargeMotor"},
    {"SmallMotor", "SDL-0/SmallMotor"},
}};

const std::array<std::string_view, 43> KeyboardKeyNames{
    "escape",    "tab",        "backspace",   "return",       "enter",     "insert",       "delete",     "pause",
    "home",      "end",        "left",        "up",           "right",     "down",         "pageup",     "pagedown",
    "shift",     "control",    "alt",         "capslock",     "space",     "comma",        "minus",      "period",
    "slash",     "semicolon",  "equal",       "bracketleft",  "backslash", "bracketright", "apostrophe", "quoteleft",
    "leftshift", "rightshift", "leftcontrol", "rightcontrol", "leftalt",   "rightalt",     "numlock",    "scrolllock",
    "print",     "menu",       "keypad+enter"};

namespace {

constexpr std::array<std::string_view, 21> kGamepadButtons{
    "Back",      "Guide",     "Start",    "Misc1",     "DPadUp",     "DPadDown",     "DPadLeft",
    "DPadRight", "Paddle1",   "Paddle2",  "Paddle3",   "Paddle4",    "FaceEast",     "FaceWest",
    "FaceSouth", "FaceNorth", "Touchpad", "LeftStick", "RightStick", "LeftShoulder", "RightShoulder"};

constexpr std::array<std::string_view, 6> kGamepadAxes{"LeftX",  "LeftY",       "RightX",
                                                       "RightY", "LeftTrigger", "RightTrigger"};

// The pieces between separators; empty pieces are kept so that callers can refuse them.
std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    pieces.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) {
      return pieces;
    }
    start = end + 1;
  }
}

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// "prefix" + one digit 0-7, compared in lower case.
bool isNumberedDevice(std::string_view lowerDevice, std::string_view prefix) {
  return lowerDevice.size() == prefix.size() + 1 && lowerDevice.starts_with(prefix) && lowerDevice.back() >= '0' &&
         lowerDevice.back() <= '7';
}

bool isFunctionKey(std::string_view lower) {
  if (lower.size() < 2 || lower.size() > 3 || lower[0] != 'f' || lower[1] == '0') {
    return false;
  }
  int number = 0;
  for (const char c : lower.substr(1)) {
    if (!isAsciiDigit(c)) {
      return false;
    }
    number = number * 10 + (c - '0');
  }
  return number >= 1 && number <= 12;
}

bool isKeyboardControl(std::string_view control) {
  const std::string lower = lowerAscii(control);
  if (lower.size() == 1) {
    return isAsciiLetter(lower[0]) || isAsciiDigit(lower[0]);
  }
  if (lower.size() == 8 && lower.starts_with("keypad+") && isAsciiDigit(lower.back())) {
    return true;
  }
  return isFunctionKey(lower) || contains(KeyboardKeyNames, lower);
}

bool isGamepadControl(std::string_view control) {
  if (contains(kGamepadButtons, control)) {
    return true;
  }
  if (!control.empty() && (control.front() == '+' || control.front() == '-')) {
    control.remove_prefix(1);
  }
  return contains(kGamepadAxes, control);
}

bool isPointerControl(std::string_view control) {
  if (control.empty() || control.size() > 24) {
    return false;
  }
  return std::all_of(control.begin(), control.end(),
                     [](char c) { return isAsciiLetter(c) || isAsciiDigit(c) || c == '+' || c == '-'; });
}

bool isValidPart(std::string_view part) {
  const std::size_t slash = part.find('/');
  if (slash == std::string_view::npos || slash + 1 == part.size()) {
    return false;
  }
  const std::string device = lowerAscii(part.substr(0, slash));
  const std::string_view control = part.substr(slash + 1);
  if (device == "keyboard") {
    return isKeyboardControl(control);
  }
  if (isNumberedDevice(device, "sdl-")) {
    return isGamepadControl(control);
  }
  if (isNumberedDevice(device, "pointer-")) {
    return isPointerControl(control);
  }
  return false;
}

bool isValidAlternative(std::string_view alternative) {
  for (const std::string_view part : split(trimBlanks(alternative), '&')) {
    if (trimBlanks(part).empty() || !isValidPart(trimBlanks(part))) {
      return false;
    }
  }
  return true;
}

// Empty, or "SDL-" + a digit 0-7 + "/" + the motor's name, case-sensitive.
bool isMotor(std::string_view value, std::string_view motor) {
  if (value.empty()) {
    return true;
  }
  return value.size() == 6 + motor.size() && value.starts_with("SDL-") && value[4] >= '0' && value[4] <= '7' &&
         value[5] == '/' && value.substr(6) == motor;
}

}  // namespace

bool isValidBinding(std::string_view text) {
  if (text.size() > kLongestBinding) {
    return false;
  }
  const std::string_view trimmed = trimBlanks(text);
  if (trimmed.empty()) {
    return true;
  }
  for (const std::string_view alternative : split(trimmed, ';')) {
    if (trimBlanks(alternative).empty() || !isValidAlternative(alternative)) {
      return false;
    }
  }
  return true;
}

bool isDecimalUpTo(std::string_view text, double maximum) {
  if (text.empty() || text.size() > 8 || std::count(text.begin(), text.end(), '.') > 1 || text == ".") {
    return false;
  }
  if (!std::all_of(text.begin(), text.end(), [](char c) { return isAsciiDigit(c) || c == '.'; })) {
    return false;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 0 && value <= maximum;
}

bool isPadKey(std::string_view key) {
  return std::any_of(PadDefaults.begin(), PadDefaults.end(), [&](const PadDefault& d) { return d.key == key; });
}

bool isAllowedPadSetting(std::string_view key, std::string_view value) {
  if (contains(PadButtons, key)) {
    return isValidBinding(value);
  }
  if (key == "Type") {
    return value == "None" || value == "DualShock2";
  }
  if (key == "InvertL" || key == "InvertR") {
    return value.size() == 1 && value[0] >= '0' && value[0] <= '3';
  }
  if (key == "Deadzone" || key == "ButtonDeadzone") {
    return isDecimalUpTo(value, 1);
  }
  if (key == "AxisScale") {
    return isDecimalUpTo(value, 3);
  }
  if (key == "LargeMotorScale" || key == "SmallMotorScale") {
    return isDecimalUpTo(value, 2);
  }
  if (key == "LargeMotor") {
    return isMotor(value, "LargeMotor");
  }
  if (key == "SmallMotor") {
    return isMotor(value, "SmallMotor");
  }
  return false;
}

}  // namespace myr::settings
