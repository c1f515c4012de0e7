#include "settings/bindings.h"

#include <gtest/gtest.h>

#include <string>

namespace myr::settings {
namespace {

struct TextCase {
  std::string text;
  bool accepted;
};

TEST(Bindings, EveryDefaultIsAllowed) {
  for (const PadDefault& d : PadDefaults) {
    EXPECT_TRUE(isAllowedPadSetting(d.key, d.value)) << d.key;
  }
  for (std::size_t i = 0; i < PadButtons.size(); ++i) {
    EXPECT_EQ(PadDefaults[i].key, PadButtons[i]);
  }
}

TEST(Bindings, Grammar) {
  const TextCase cases[] = {
      {"", true},
      {" \t\r", true},
      {"Keyboard/SPACE ; SDL-1/+LeftTrigger", true},
      {"keyboard/a&keyboard/b", true},
      {"Keyboard/F12", true},
      {"keyboard/f1", true},
      {"Keyboard/F13", false},
      {"Keyboard/F0", false},
      {"Keyboard/F01", false},
      {"Keyboard/Keypad+5", true},
      {"keyboard/keypad+enter", true},
      {"keyboard/keypad+a", false},
      {"keyboard/comma", true},
      {"keyboard/,", false},
      {"keyboard/7", true},
      {"SDL-0/LeftX", true},
      {"SDL-0/-RightTrigger", true},
      {"SDL-0/+", false},
      {"SDL-0/+Start", false},
      {"SDL-0/facesouth", false},
      {"sdl-7/FaceSouth", true},
      {"SDL-8/FaceSouth", false},
      {"SDL-/FaceSouth", false},
      {"Pointer-0/LeftButton", true},
      {"pointer-3/X+1", true},
      {"Pointer-0/" + std::string(24, 'a'), true},
      {"Pointer-0/" + std::string(25, 'a'), false},
      {"Pointer-0/Left_Button", false},
      {"Keyboard/A;", false},
      {";Keyboard/A", false},
      {"Keyboard/A;;Keyboard/B", false},
      {"Keyboard/A; ;Keyboard/B", false},
      {"Keyboard/A&", false},
      {"&Keyboard/A", false},
      {"Keyboard/A&&Keyboard/B", false},
      {"Keyboard /A", false},
      {"Keyboard/ A", false},
      {"Keyboard/", false},
      {"KeyboardA", false},
      {"Mouse/A", false},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(isValidBinding(c.text), c.accepted) << c.text;
  }
}

TEST(Bindings, LengthLimitComesFirst) {
  std::string text = "Keyboard/A";
  while (text.size() + 11 <= 512) {
    text += ";Keyboard/A";
  }
  text.append(512 - text.size(), ' ');
  ASSERT_EQ(text.size(), 512u);
  EXPECT_TRUE(isValidBinding(text));
  EXPECT_FALSE(isValidBinding(text + " "));
}

TEST(Bindings, Options) {
  struct Case {
    const char* key;
    std::string value;
    bool accepted;
  };
  const Case cases[] = {
      {"Type", "None", true},
      {"Type", "DualShock2", true},
      {"Type", "dualshock2", false},
      {"InvertL", "3", true},
      {"InvertR", "4", false},
      {"InvertL", "01", false},
      {"Deadzone", "0.25", true},
      {"Deadzone", "1", true},
      {"Deadzone", "1.01", false},
      {"AxisScale", "3", true},
      {"AxisScale", "2.99999", true},
      {"AxisScale", "3.000001", false},
      {"AxisScale", "1.2.3", false},
      {"AxisScale", "1.000000", true},
      {"AxisScale", "1.0000000", false},
      {"AxisScale", "1.", true},
      {"AxisScale", ".5", true},
      {"AxisScale", "002", true},
      {"AxisScale", ".", false},
      {"AxisScale", "-1", false},
      {"AxisScale", "", false},
      {"AxisScale", "1e0", false},
      {"ButtonDeadzone", "0.5", true},
      {"LargeMotorScale", "2", true},
      {"SmallMotorScale", "2.5", false},
      {"LargeMotor", "SDL-3/LargeMotor", true},
      {"LargeMotor", "", true},
      {"LargeMotor", "sdl-3/LargeMotor", false},
      {"LargeMotor", "SDL-0/SmallMotor", false},
      {"LargeMotor", "SDL-8/LargeMotor", false},
      {"SmallMotor", "SDL-7/SmallMotor", true},
      {"Cross", "Keyboard/X", true},
      {"Cross", "Keyboard/", false},
      {"Unknown", "1", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isAllowedPadSetting(c.key, c.value), c.accepted) << c.key << "=" << c.value;
  }
}

}  // namespace
}  // namespace myr::settings
