// Controls: what drives each button of the game's first controller, typed or captured from a key
// or a gamepad, checked here before the launcher is asked to store it.
import {
  PAD_BUTTONS, bindingProblem, gamepadAxisBindingFor, gamepadButtonBindingFor, keyboardBindingFor,
  withCapturedInput,
} from './binding_grammar.js';
import { editForm } from './edit_form.js';

// [title, what the buttons are called outside their group, [button key, label]]
const GROUPS = [
  ['Directional buttons', 'D-pad', [['Up', 'Up'], ['Right', 'Right'], ['Down', 'Down'], ['Left', 'Left']]],
  ['Face buttons', '', [['Triangle', 'Triangle △'], ['Circle', 'Circle ○'], ['Cross', 'Cross ×'], ['Square', 'Square □']]],
  ['Shoulders and menus', '', [['L1', 'L1'], ['L2', 'L2'], ['R1', 'R1'], ['R2', 'R2'], ['Select', 'Select'], ['Start', 'Start']]],
  ['Left stick', 'Left stick', [['LUp', 'Up'], ['LRight', 'Right'], ['LDown', 'Down'], ['LLeft', 'Left'], ['L3', 'Press (L3)']]],
  ['Right stick', 'Right stick', [['RUp', 'Up'], ['RRight', 'Right'], ['RDown', 'Down'], ['RLeft', 'Left'], ['R3', 'Press (R3)']]],
];

const CAPTURE_SECONDS = 10;
const AXIS_THRESHOLD = 0.6;

// Waits for one new input on any connected pad; resolves with a binding, or '' on time-out or cancel.
function captureGamepad(signal) {
  const pads = () => [...(navigator.getGamepads?.() ?? [])].filter(Boolean);
  // Buttons already held (the one that started the capture) count only once released and pressed again.
  const held = new Set(pads().flatMap((pad) => pad.buttons.map((b, i) => (b.pressed ? `${pad.index}:${i}` : null))));
  return new Promise((resolve) => {
    function poll() {
      if (signal.aborted) { resolve(''); return; }
      for (const pad of pads()) {
        for (const [i, button] of pad.buttons.entries()) {
          const key = `${pad.index}:${i}`;
          if (!button.pressed) { held.delete(key); continue; }
          if (held.has(key)) continue;
          const binding = gamepadButtonBindingFor(pad.index, i);
          if (binding) { resolve(binding); return; }
        }
        for (const [i, value] of pad.axes.entries()) {
          const binding = Math.abs(value) > AXIS_THRESHOLD ? gamepadAxisBindingFor(pad.index, i, value) : '';
          if (binding) { resolve(binding); return; }
        }
      }
      requestAnimationFrame(poll);
    }
    poll();
  });
}

export function mount(root, app) {
  const { ui } = app;
  let init = app.init;
  const rows = new Map(); // button → { input, note, row, captureButton }
  let capture = null; // { button, controller }

  const form = editForm(root, app, {
    name: 'controls', resetLabel: 'Reset to defaults', changedCount,
    draw: (next) => { init = next; fill(); }, reset: resetToDefaults, save,
  });
  const notices = ui.el('div', { class: 'stack section-notes' });
  const prompt = ui.el('div', { class: 'card capture-prompt', role: 'status', 'aria-live': 'assertive',
    'data-test': 'controls-capture-prompt', hidden: true });

  root.append(
    ui.el('header', { class: 'section-head' },
      ui.el('h2', {}, 'Controls'),
      ui.el('p', { class: 'muted' },
        'What drives each button of the first controller. Choose “Set” and press a key or a gamepad button, or type a binding: ',
        ui.el('code', {}, 'Keyboard/Space'), ', ', ui.el('code', {}, 'SDL-0/FaceSouth'),
        '; alternatives are separated by ', ui.el('code', {}, ';'), '.')),
    notices, prompt,
    ui.el('div', { class: 'controls-grid' }, GROUPS.map(([title, prefix, buttons]) => buildGroup(title, prefix, buttons))),
    form.bar);

  function buildGroup(title, prefix, buttons) {
    return ui.el('fieldset', { class: 'card controls-group' },
      ui.el('legend', {}, title),
      buttons.map(([button, label]) => buildRow(button, label, prefix ? `${prefix} ${label.toLowerCase()}` : label)));
  }

  function buildRow(button, label, fullName) {
    const id = `binding-${button}`;
    const note = ui.el('p', { class: 'field-note', id: `${id}-note` });
    const input = ui.el('input', { type: 'text', id, class: 'binding', spellcheck: 'false', autocomplete: 'off', placeholder: 'Not bound',
      'data-test': id, 'aria-describedby': `${id}-note`, 'on:input': () => { check(button); form.updateStatus(); } });
    const captureButton = ui.el('button', { class: 'button small', 'data-test': `capture-${button}`,
      'aria-label': `Set ${fullName} by pressing a key or a pad button`, 'on:click': () => startCapture(button) }, 'Set');
    const row = ui.el('div', { class: 'field binding-row', 'data-test': `binding-row-${button}` },
      ui.el('label', { for: id, class: 'label' }, label),
      ui.el('div', { class: 'row binding-edit' }, input, captureButton),
      note);
    rows.set(button, { input, note, row, captureButton, fullName });
    return row;
  }

  function locked() {
    return (init.overrides ?? []).includes('ZEVR_PAD1');
  }

  function rejectedLines() {
    return (init.rejected ?? []).filter((line) => line.startsWith('Pad1.'));
  }

  function fill() {
    stopCapture();
    for (const [button, { input, captureButton }] of rows) {
      input.value = init.pad?.[button] ?? '';
      input.disabled = locked();
      captureButton.disabled = locked();
      check(button);
    }
    notices.replaceChildren();
    if (locked()) {
      notices.append(ui.el('div', { class: 'card notice', 'data-test': 'controls-locked' },
        ui.el('span', { class: 'badge' }, 'Set by ZEVR_PAD1'),
        ui.el('p', {}, 'The environment variable ZEVR_PAD1 is set, and the game takes its controls from it instead of these. Remove the variable to use the bindings below.')));
    }
    const lines = rejectedLines();
    if (lines.length > 0) {
      notices.append(ui.el('div', { class: 'card notice warning-card', 'data-test': 'controls-rejected' },
        ui.el('strong', {}, 'myr.ini holds controller values the game cannot use:'),
        ui.el('ul', {}, lines.map((line) => ui.el('li', {}, ui.el('code', {}, line)))),
        ui.el('p', { class: 'muted' }, 'Those buttons are shown unbound. Set them and save to replace the values.')));
    }
    form.saveButton.disabled = locked();
    form.resetButton.disabled = locked();
  }

  function check(button) {
    const { input, note, row } = rows.get(button);
    const problem = bindingProblem(input.value);
    row.classList.toggle('invalid', problem !== '');
    input.setAttribute('aria-invalid', problem ? 'true' : 'false');
    note.textContent = problem;
    return problem === '';
  }

  function currentPad() {
    return Object.fromEntries(PAD_BUTTONS.map((button) => [button, rows.get(button).input.value]));
  }

  function changedCount() {
    return PAD_BUTTONS.filter((button) => rows.get(button).input.value !== (init.pad?.[button] ?? '')).length;
  }

  function resetToDefaults() {
    stopCapture();
    for (const [button, { input }] of rows) {
      input.value = init.padDefaults?.[button] ?? '';
      check(button);
    }
  }

  function showPrompt(text) {
    prompt.hidden = false;
    prompt.replaceChildren(ui.el('p', {}, text),
      ui.el('button', { class: 'button', 'data-test': 'controls-capture-cancel',
        'on:click': () => { stopCapture(); prompt.hidden = true; } }, capture ? 'Cancel' : 'Dismiss'));
  }

  // Keys go to the binding, not to the page: the shell's tab keys must not move while capturing.
  function onCaptureKey(event) {
    event.preventDefault();
    event.stopImmediatePropagation();
    if (event.code === 'Escape') { stopCapture(); return; }
    const binding = keyboardBindingFor(event.code);
    if (binding) finishCapture(binding);
    else showPrompt('That key has no name the game knows. Press another key, or choose Cancel.');
  }

  function startCapture(button) {
    stopCapture();
    const controller = new AbortController();
    capture = { button, controller };
    const { row, captureButton, fullName } = rows.get(button);
    row.classList.add('capturing');
    captureButton.setAttribute('aria-pressed', 'true');
    showPrompt(`Press a key or a gamepad button for ${fullName}. Escape cancels; it stops by itself after ${CAPTURE_SECONDS} seconds.`);
    window.addEventListener('keydown', onCaptureKey, { capture: true, signal: controller.signal });
    app.gamepadCapture?.(true);
    const timer = setTimeout(() => stopCapture('Nothing was pressed. Choose “Set” to try again.'), CAPTURE_SECONDS * 1000);
    controller.signal.addEventListener('abort', () => clearTimeout(timer));
    captureGamepad(controller.signal).then((binding) => { if (binding) finishCapture(binding); });
  }

  function finishCapture(binding) {
    const { button } = capture;
    const { input } = rows.get(button);
    input.value = withCapturedInput(input.value, binding);
    stopCapture();
    check(button);
    form.updateStatus();
    input.focus();
  }

  function stopCapture(message) {
    if (!capture) return;
    const { button, controller } = capture;
    capture = null;
    controller.abort();
    app.gamepadCapture?.(false);
    const { row, captureButton } = rows.get(button);
    row.classList.remove('capturing');
    captureButton.removeAttribute('aria-pressed');
    if (message) showPrompt(message);
    else prompt.hidden = true;
  }

  async function save() {
    stopCapture();
    const invalid = PAD_BUTTONS.filter((button) => !check(button));
    if (invalid.length > 0) {
      rows.get(invalid[0]).input.focus();
      throw new Error(`Not saved: fix the marked ${invalid.length === 1 ? 'binding' : 'bindings'} first (${invalid.join(', ')}).`);
    }
    try {
      await app.request('savePad', { pad: currentPad() });
    } catch (error) {
      throw new Error(`${error.message.replace(/\.$/, '')}. Nothing was changed; correct it and save again.`);
    }
    return 'Saved the controls to myr.ini.';
  }

  form.redraw();
  return form.hooks;
}
