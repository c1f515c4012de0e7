// The page's binding check, under plain Node: it must agree with what the launcher stores.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  bindingProblem, gamepadAxisBindingFor, gamepadButtonBindingFor, isValidBinding, keyboardBindingFor, withCapturedInput,
} from '../../launcher-ui/sections/binding_grammar.js';

const defaults = [
  'SDL-0/DPadUp', 'SDL-0/DPadRight', 'SDL-0/DPadDown', 'SDL-0/DPadLeft',
  'Keyboard/Up;SDL-0/FaceNorth', 'Keyboard/Right;SDL-0/FaceEast', 'Keyboard/Down;SDL-0/FaceSouth',
  'Keyboard/Left;SDL-0/FaceWest', 'Keyboard/Tab;SDL-0/Back', 'Keyboard/Return;SDL-0/Start',
  'Keyboard/Q;SDL-0/LeftShoulder', 'Keyboard/1;SDL-0/+LeftTrigger', 'Keyboard/E;SDL-0/RightShoulder',
  'Keyboard/3;SDL-0/+RightTrigger', 'Keyboard/F;SDL-0/LeftStick', 'Keyboard/G;SDL-0/RightStick',
  'Keyboard/W;SDL-0/-LeftY', 'Keyboard/D;SDL-0/+LeftX', 'Keyboard/S;SDL-0/+LeftY', 'Keyboard/A;SDL-0/-LeftX',
  'SDL-0/-RightY', 'SDL-0/+RightX', 'SDL-0/+RightY', 'SDL-0/-RightX',
];

// [text, accepted]
const cases = [
  ['', true],
  [' \t\r', true],
  ['KEYBOARD/SPACE ; sdl-1/+LeftTrigger', true],
  ['Keyboard/Space;', false],
  [';Keyboard/Space', false],
  ['Keyboard/Space;;SDL-0/Start', false],
  ['Keyboard/Space; \t;SDL-0/Start', false],
  ['SDL-0/facesouth', false],
  ['SDL-8/FaceSouth', false],
  ['SDL-0/+Start', false],
  ['SDL-0/+', false],
  ['SDL-0/LeftX', true],
  ['SDL-0/-RightTrigger', true],
  ['SDL-0/+-LeftX', false],
  ['SDL-00/Start', false],
  ['Keyboard/F12', true],
  ['keyboard/f1', true],
  ['Keyboard/F13', false],
  ['Keyboard/F0', false],
  ['Keyboard/F01', false],
  ['Keyboard/Keypad+5', true],
  ['keyboard/keypad+enter', true],
  ['Keyboard/Keypad+a', false],
  ['Keyboard/,', false],
  ['Keyboard/Comma', true],
  ['Keyboard/', false],
  ['Keyboard', false],
  ['Keyboard /Space', false],
  ['Keyboard/ Space', false],
  ['Mouse/Left', false],
  ['Pointer-0/LeftButton', true],
  ['Pointer-7/+X-1', true],
  [`Pointer-0/${'A'.repeat(24)}`, true],
  [`Pointer-0/${'A'.repeat(25)}`, false],
  ['Pointer-0/Left_Button', false],
  ['Keyboard/LeftControl & Keyboard/C', true],
  ['Keyboard/LeftControl&', false],
  ['&Keyboard/C', false],
  ['Keyboard/A&&Keyboard/B', false],
  ['Keyboard/A\nKeyboard/B', false],
];

test('binding texts are accepted and refused as the launcher does', () => {
  for (const [text, accepted] of [...cases, ...defaults.map((d) => [d, true])]) {
    assert.equal(isValidBinding(text), accepted, JSON.stringify(text));
    assert.equal(bindingProblem(text) === '', accepted, JSON.stringify(text));
  }
});

test('the length limit counts UTF-8 bytes, 512 at most', () => {
  // Blanks at the ends are trimmed, but they count towards the limit.
  const exactly512 = 'Keyboard/A'.padEnd(512, ' ');
  assert.equal(isValidBinding(exactly512), true);
  assert.equal(isValidBinding(`${exactly512} `), false);
  assert.match(bindingProblem(`${exactly512} `), /at most 512 bytes/);
  // Two bytes per 'é': 270 characters, 530 bytes, so the player is told about the length.
  assert.match(bindingProblem(`Pointer-0/${'é'.repeat(260)}`), /at most 512 bytes/);
  assert.match(bindingProblem('Keyboard/Space;'), /Device\/Control/);
});

test('captured keys and pad inputs become bindings the grammar accepts', () => {
  const keys = [
    ['KeyA', 'Keyboard/A'], ['Digit7', 'Keyboard/7'], ['F11', 'Keyboard/F11'], ['Numpad4', 'Keyboard/Keypad+4'],
    ['NumpadEnter', 'Keyboard/Keypad+Enter'], ['Enter', 'Keyboard/Return'], ['Space', 'Keyboard/Space'],
    ['Quote', 'Keyboard/Apostrophe'], ['ShiftRight', 'Keyboard/RightShift'], ['ArrowUp', 'Keyboard/Up'],
    ['F13', ''], ['IntlBackslash', ''], ['NumpadAdd', ''],
  ];
  for (const [code, binding] of keys) {
    assert.equal(keyboardBindingFor(code), binding, code);
    if (binding) assert.ok(isValidBinding(binding), binding);
  }
  for (let button = 0; button <= 16; button++) assert.ok(isValidBinding(gamepadButtonBindingFor(0, button)), `button ${button}`);
  assert.equal(gamepadButtonBindingFor(2, 0), 'SDL-2/FaceSouth');
  assert.equal(gamepadButtonBindingFor(0, 17), '');
  assert.equal(gamepadButtonBindingFor(8, 0), '');
  assert.equal(gamepadAxisBindingFor(1, 1, -0.9), 'SDL-1/-LeftY');
  assert.equal(gamepadAxisBindingFor(0, 2, 0.8), 'SDL-0/+RightX');
  assert.equal(gamepadAxisBindingFor(0, 4, 1), '');
});

test('a captured input replaces the alternatives of its own device only', () => {
  const cases = [
    ['Keyboard/Up;SDL-0/FaceNorth', 'Keyboard/K', 'Keyboard/K;SDL-0/FaceNorth'],
    ['Keyboard/Up;SDL-0/FaceNorth', 'SDL-0/FaceSouth', 'Keyboard/Up;SDL-0/FaceSouth'],
    ['Keyboard/Up;SDL-0/FaceNorth', 'SDL-1/Start', 'Keyboard/Up;SDL-0/FaceNorth;SDL-1/Start'],
    ['SDL-0/DPadUp', 'Keyboard/I', 'Keyboard/I;SDL-0/DPadUp'],
    ['', 'Keyboard/Space', 'Keyboard/Space'],
    [' keyboard/a ; Keyboard/B ', 'Keyboard/C', 'Keyboard/C'],
    ['Keyboard/LeftControl&Keyboard/C;Pointer-0/Left', 'Keyboard/X', 'Keyboard/X;Pointer-0/Left'],
    ['Keyboard/LeftShift&SDL-0/Start', 'Keyboard/X', 'Keyboard/X;Keyboard/LeftShift&SDL-0/Start'],
  ];
  for (const [binding, captured, expected] of cases) {
    assert.equal(withCapturedInput(binding, captured), expected, `${binding} + ${captured}`);
    assert.ok(isValidBinding(expected));
  }
});
