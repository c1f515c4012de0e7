// The controller binding texts the launcher stores for the first pad, checked in the page so that
// the player sees a mistake before anything is sent. Pure functions: the tests run them under Node.

export const PAD_BUTTONS = [
  'Up', 'Right', 'Down', 'Left', 'Triangle', 'Circle', 'Cross', 'Square', 'Select', 'Start',
  'L1', 'L2', 'R1', 'R2', 'L3', 'R3', 'LUp', 'LRight', 'LDown', 'LLeft', 'RUp', 'RRight', 'RDown', 'RLeft',
];

export const MAX_BINDING_BYTES = 512;

const KEYBOARD_KEY_NAMES = new Set([
  'escape', 'tab', 'backspace', 'return', 'enter', 'insert', 'delete', 'pause', 'home', 'end',
  'left', 'up', 'right', 'down', 'pageup', 'pagedown', 'shift', 'control', 'alt', 'capslock',
  'space', 'comma', 'minus', 'period', 'slash', 'semicolon', 'equal', 'bracketleft', 'backslash',
  'bracketright', 'apostrophe', 'quoteleft', 'leftshift', 'rightshift', 'leftcontrol',
  'rightcontrol', 'leftalt', 'rightalt', 'numlock', 'scrolllock', 'print', 'menu', 'keypad+enter',
]);

export const GAMEPAD_BUTTONS = [
  'Back', 'Guide', 'Start', 'Misc1', 'DPadUp', 'DPadDown', 'DPadLeft', 'DPadRight', 'Paddle1',
  'Paddle2', 'Paddle3', 'Paddle4', 'FaceEast', 'FaceWest', 'FaceSouth', 'FaceNorth', 'Touchpad',
  'LeftStick', 'RightStick', 'LeftShoulder', 'RightShoulder',
];
const GAMEPAD_BUTTON_SET = new Set(GAMEPAD_BUTTONS);
const GAMEPAD_AXES = new Set(['LeftX', 'LeftY', 'RightX', 'RightY', 'LeftTrigger', 'RightTrigger']);

// Only space, tab and CR count as blanks here; a line feed makes the text invalid.
function trimBlanks(text) {
  return text.replace(/^[ \t\r]+|[ \t\r]+$/g, '');
}

// Lower-cases ASCII letters only, as the launcher compares devices and key names.
function asciiLower(text) {
  return text.replace(/[A-Z]/g, (c) => c.toLowerCase());
}

function utf8Length(text) {
  return new TextEncoder().encode(text).length;
}

function isKeyboardControl(control) {
  const name = asciiLower(control);
  if (/^[a-z0-9]$/.test(name)) return true;
  if (/^f([1-9]|1[0-2])$/.test(name)) return true;
  if (/^keypad\+[0-9]$/.test(name)) return true;
  return KEYBOARD_KEY_NAMES.has(name);
}

function isGamepadControl(control) {
  if (GAMEPAD_BUTTON_SET.has(control)) return true;
  const axis = control.startsWith('+') || control.startsWith('-') ? control.slice(1) : control;
  return GAMEPAD_AXES.has(axis);
}

function isPointerControl(control) {
  return /^[A-Za-z0-9+-]{1,24}$/.test(control);
}

function isValidPart(part) {
  const slash = part.indexOf('/');
  if (slash < 0) return false;
  const device = asciiLower(part.slice(0, slash));
  const control = part.slice(slash + 1);
  if (control === '') return false;
  if (device === 'keyboard') return isKeyboardControl(control);
  if (/^sdl-[0-7]$/.test(device)) return isGamepadControl(control);
  if (/^pointer-[0-7]$/.test(device)) return isPointerControl(control);
  return false;
}

function hasContent(text) {
  return trimBlanks(text) !== '';
}

// Whether the launcher will store `text` as a button binding (empty means unbound).
export function isValidBinding(text) {
  if (typeof text !== 'string' || utf8Length(text) > MAX_BINDING_BYTES) return false;
  const whole = trimBlanks(text);
  if (whole === '') return true;
  const alternatives = whole.split(';');
  if (!alternatives.every(hasContent)) return false;
  return alternatives.every((alternative) => {
    const parts = trimBlanks(alternative).split('&');
    return parts.every(hasContent) && parts.every((part) => isValidPart(trimBlanks(part)));
  });
}

// What is wrong with a binding, in words for the player; empty when it is fine.
export function bindingProblem(text) {
  if (isValidBinding(text)) return '';
  if (utf8Length(text) > MAX_BINDING_BYTES) return `Too long: a binding holds at most ${MAX_BINDING_BYTES} bytes.`;
  return 'Not a binding the game understands. Write Device/Control, for example Keyboard/Space or SDL-0/FaceSouth; join alternatives with ";".';
}

// The binding text for a key the browser reports (KeyboardEvent.code), or '' when the game has no
// name for that key.
export function keyboardBindingFor(code) {
  const name = KEY_CODE_NAMES[code] ?? keyCodeByPattern(code);
  return name ? `Keyboard/${name}` : '';
}

const KEY_CODE_NAMES = {
  Escape: 'Escape', Tab: 'Tab', Backspace: 'Backspace', Enter: 'Return', NumpadEnter: 'Keypad+Enter',
  Insert: 'Insert', Delete: 'Delete', Pause: 'Pause', Home: 'Home', End: 'End',
  ArrowLeft: 'Left', ArrowUp: 'Up', ArrowRight: 'Right', ArrowDown: 'Down',
  PageUp: 'PageUp', PageDown: 'PageDown', ShiftLeft: 'LeftShift', ShiftRight: 'RightShift',
  ControlLeft: 'LeftControl', ControlRight: 'RightControl', AltLeft: 'LeftAlt', AltRight: 'RightAlt',
  CapsLock: 'CapsLock', Space: 'Space', Comma: 'Comma', Minus: 'Minus', Period: 'Period',
  Slash: 'Slash', Semicolon: 'Semicolon', Equal: 'Equal', BracketLeft: 'BracketLeft',
  Backslash: 'Backslash', BracketRight: 'BracketRight', Quote: 'Apostrophe', Backquote: 'QuoteLeft',
  NumLock: 'NumLock', ScrollLock: 'ScrollLock', PrintScreen: 'Print', ContextMenu: 'Menu',
};

function keyCodeByPattern(code) {
  let match = /^Key([A-Z])$/.exec(code) ?? /^Digit([0-9])$/.exec(code) ?? /^(F(?:[1-9]|1[0-2]))$/.exec(code);
  if (match) return match[1];
  match = /^Numpad([0-9])$/.exec(code);
  return match ? `Keypad+${match[1]}` : '';
}

// The standard mapping of the browser's Gamepad API, button index → the game's control name.
const STANDARD_GAMEPAD_BUTTONS = [
  'FaceSouth', 'FaceEast', 'FaceWest', 'FaceNorth', 'LeftShoulder', 'RightShoulder',
  '+LeftTrigger', '+RightTrigger', 'Back', 'Start', 'LeftStick', 'RightStick',
  'DPadUp', 'DPadDown', 'DPadLeft', 'DPadRight', 'Guide',
];

// The binding for a pressed button of the pad at `padIndex`, or '' when it has no name.
export function gamepadButtonBindingFor(padIndex, buttonIndex) {
  const control = STANDARD_GAMEPAD_BUTTONS[buttonIndex];
  if (!control || padIndex < 0 || padIndex > 7) return '';
  return `SDL-${padIndex}/${control}`;
}

// The binding for a stick pushed past its dead zone: axis index of the standard mapping, value -1..1.
export function gamepadAxisBindingFor(padIndex, axisIndex, value) {
  const axis = ['LeftX', 'LeftY', 'RightX', 'RightY'][axisIndex];
  if (!axis || padIndex < 0 || padIndex > 7) return '';
  return `SDL-${padIndex}/${value < 0 ? '-' : '+'}${axis}`;
}

// The device family of one alternative: 'keyboard', 'sdl-N' or 'pointer-N' (lower case), or '' when
// it joins inputs of several devices or names none.
function deviceOf(alternative) {
  const devices = new Set(alternative.split('&').map((part) => asciiLower(trimBlanks(part).split('/')[0])));
  return devices.size === 1 ? [...devices][0] : '';
}

// A captured input takes the place of the binding's alternatives on the same device and keeps the
// others, so that capturing a key leaves the pad's button bound, and the other way round.
export function withCapturedInput(binding, captured) {
  const device = deviceOf(captured);
  const kept = trimBlanks(binding) === ''
    ? []
    : trimBlanks(binding).split(';').map(trimBlanks).filter((alternative) => deviceOf(alternative) !== device);
  return [...kept, captured].sort((a, b) => (deviceOf(a) === 'keyboard' ? 0 : 1) - (deviceOf(b) === 'keyboard' ? 0 : 1)).join(';');
}
