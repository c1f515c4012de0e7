// Settings: the game's and the launcher's settings in myr.ini, with what the environment forces and
// what the file held that the launcher could not use.
import { editForm } from './edit_form.js';

const onOff = { kind: 'toggle' };
const choice = (options) => ({ kind: 'choice', options });

// In the order and the sections the launcher reports them. `env` names the variable that overrides
// the setting inside the game.
const SETTINGS = [
  { id: 'Game.Iso', label: 'Disc image', kind: 'readonly', env: 'MYR_ISO',
    help: 'Chosen on the Play page.' },
  { id: 'Game.FastLoad', label: 'Fast loading', ...onOff, env: 'ZEVR_FAST_LOAD' },
  { id: 'Game.SkipIntro', label: 'Skip the intro', ...onOff, env: 'ZEVR_SKIP_INTRO' },
  { id: 'Game.SaveFormat', label: 'Save format', ...choice([['myrsave', 'Save files of the port'], ['card', 'Memory card images']]),
    help: 'Where the game writes new saves.' },
  { id: 'Display.Scale', label: 'Resolution scale', kind: 'scale', env: 'ZEVR_GS_SCALE',
    help: 'How many times the console’s resolution the game draws at.' },
  { id: 'Display.FrameRate', label: 'Frame rate', ...choice([['60', '60 fps'], ['120', '120 fps'], ['auto', 'Match the display']]),
    env: 'ZEVR_FRAME_RATE' },
  { id: 'Display.Aspect', label: 'Aspect ratio', ...choice([['4:3', '4:3, as on the console'], ['16:9', '16:9 widescreen'], ['stretch', 'Stretch to the window']]),
    env: 'ZEVR_ASPECT' },
  { id: 'Display.Vsync', label: 'Vertical sync', ...choice([['0', 'Off (0)'], ['1', 'On (1)'], ['2', 'Adaptive (2)']]),
    env: 'ZEVR_PCSX2_VSYNC' },
  { id: 'Display.FXAA', label: 'FXAA smoothing, emulated renderer', ...onOff, env: 'ZEVR_PCSX2_FXAA' },
  { id: 'Display.Anisotropy', label: 'Texture filtering, emulated renderer', ...choice(anisotropy()), env: 'ZEVR_PCSX2_ANISOTROPY' },
  { id: 'Display.NativeFXAA', label: 'FXAA smoothing, native renderer', ...onOff, env: 'ZEVR_NATIVE_FXAA' },
  { id: 'Display.NativeAnisotropy', label: 'Texture filtering, native renderer', ...choice(anisotropy()), env: 'ZEVR_NATIVE_ANISOTROPY' },
  { id: 'Display.NativePresentSharp', label: 'Sharp picture, native renderer', ...onOff },
  { id: 'Display.FpsCounter', label: 'Show the frame counter', ...onOff, env: 'ZEVR_SHOW_FPS' },
  { id: 'Display.Renderer', label: 'Renderer', ...choice([['native-vk', 'Native, Vulkan (native-vk)'], ['pcsx2', 'Emulated (pcsx2)'], ['builtin', 'Built-in (builtin)']]),
    env: 'ZEVR_GS_RENDERER' },
  { id: 'Display.Fullscreen', label: 'Start in full screen', ...onOff },
  { id: 'Display.Mode', label: 'Window mode', ...choice([['windowed', 'Window'], ['borderless', 'Borderless full screen'], ['exclusive', 'Exclusive full screen']]) },
  { id: 'Audio.Mute', label: 'Mute all sound', ...onOff, env: 'ZEVR_AUDIO_MUTE' },
  { id: 'Audio.Interp', label: 'Sound interpolation', ...choice([['sinc16', 'Sinc, 16 points'], ['sinc8', 'Sinc, 8 points'], ['sinc', 'Sinc'], ['hermite', 'Hermite'], ['gauss', 'Gaussian, as on the console']]),
    env: 'ZEVR_SPU2_INTERP' },
  { id: 'Audio.AdxResample', label: 'Music resampling', ...choice([['sinc', 'Sinc'], ['linear', 'Linear'], ['off', 'Off']]), env: 'ZEVR_ADX_RESAMPLE' },
  { id: 'Input.ButtonIcons', label: 'Button icons in the game', ...choice([['playstation', 'PlayStation'], ['auto', 'Match the controller'], ['xbox', 'Xbox'], ['keyboard', 'Keyboard']]),
    env: 'ZEVR_BUTTON_ICONS' },
  { id: 'Launcher.Theme', label: 'Launcher theme', ...choice([['system', 'Follow Windows'], ['light', 'Light'], ['dark', 'Dark']]),
    help: 'Changes the launcher at once.' },
  { id: 'Launcher.Resume', label: 'Resume from a quick-save state', ...onOff },
  { id: 'Launcher.State', label: 'Quick-save state to resume', kind: 'state',
    help: 'A file name in the states folder, ending in .state.' },
  { id: 'Launcher.FastLoadDefaultOn', label: 'Fast loading switched on once by the launcher', kind: 'readonly',
    options: [['0', 'Not yet'], ['1', 'Done']] },
];

const GROUPS = [
  ['Game', 'Game'], ['Display', 'Display'], ['Audio', 'Sound'], ['Input', 'Controls in the game'], ['Launcher', 'Launcher'],
];

function anisotropy() {
  return [['0', 'Off'], ['2', '2×'], ['4', '4×'], ['8', '8×'], ['16', '16×']];
}

// The launcher's rule for names of quick-save state files.
export function isStateFileName(name) {
  return name.length >= 7 && name.length <= 64 && !name.startsWith('.') && name.endsWith('.state')
    && /^[A-Za-z0-9 ._-]+$/.test(name);
}

function optionLabel(def, value) {
  if (def.kind === 'toggle') return value === '1' ? 'On' : 'Off';
  if (def.kind === 'scale') return value === 'auto' ? 'Match the display' : `${value}×`;
  const option = def.options?.find(([v]) => v === value);
  return option ? option[1] : value === '' ? 'none' : value;
}

// Each control: { node, input (the element that takes focus), get(), set(value) }.
function makeControl(ui, def, onChange) {
  const id = `setting-${def.id.replace('.', '-')}`;
  const testName = `setting-input-${def.id}`;
  if (def.kind === 'toggle') {
    const input = ui.el('input', { type: 'checkbox', id, role: 'switch', 'data-test': testName, 'on:change': onChange });
    return { node: ui.el('span', { class: 'switch' }, input), input, get: () => (input.checked ? '1' : '0'),
      set: (v) => { input.checked = v === '1'; } };
  }
  if (def.kind === 'choice') {
    const input = ui.el('select', { id, 'data-test': testName, 'on:change': onChange },
      def.options.map(([value, label]) => ui.el('option', { value }, label)));
    return { node: input, input, get: () => input.value, set: (v) => { input.value = v; } };
  }
  if (def.kind === 'scale') return makeScaleControl(ui, id, testName, onChange);
  if (def.kind === 'state') {
    const input = ui.el('input', { type: 'text', id, 'data-test': testName, spellcheck: 'false', autocomplete: 'off',
      list: `${id}-names`, 'on:input': onChange });
    const names = ui.el('datalist', { id: `${id}-names` });
    return { node: ui.el('span', {}, input, names), input, get: () => input.value,
      set: (v) => { input.value = v; }, names };
  }
  const output = ui.el('output', { id, class: 'readonly', 'data-test': testName });
  return { node: output, input: output, get: () => output.dataset.value ?? '',
    set: (v) => { output.dataset.value = v; output.textContent = v === '' ? 'not chosen yet' : optionLabel(def, v); } };
}

// A range from 1 to 8, or "auto" to follow the display.
function makeScaleControl(ui, id, testName, onChange) {
  const shown = ui.el('output', { for: id, class: 'range-value' });
  const range = ui.el('input', { type: 'range', id, min: 1, max: 8, step: 1, 'data-test': testName,
    'aria-valuetext': '', 'on:input': () => { sync(); onChange(); } });
  const auto = ui.el('input', { type: 'checkbox', id: `${id}-auto`, 'data-test': `${testName}-auto`,
    'on:change': () => { sync(); onChange(); } });
  function sync() {
    range.disabled = auto.checked || range.dataset.locked === 'true';
    shown.textContent = auto.checked ? 'auto' : `${range.value}×`;
    range.setAttribute('aria-valuetext', auto.checked ? 'match the display' : `${range.value} times`);
  }
  const node = ui.el('span', { class: 'scale-control' },
    ui.el('span', { class: 'range-limits' }, ui.el('span', { class: 'muted', 'aria-hidden': 'true' }, '1×'), range,
      ui.el('span', { class: 'muted', 'aria-hidden': 'true' }, '8×'), shown),
    ui.el('label', { class: 'inline' }, auto, ' Match the display'));
  return {
    node, input: range, auto,
    get: () => (auto.checked ? 'auto' : String(range.value)),
    set: (v) => { auto.checked = v === 'auto'; if (v !== 'auto') range.value = v; sync(); },
    lock: () => { range.dataset.locked = 'true'; auto.disabled = true; sync(); },
  };
}

function describeHz(hz) {
  if (!(hz > 0)) return 'an unknown refresh rate';
  // A whole-number rate is reported with half a hertz added; only the exact rate has a fraction.
  if (hz % 1 === 0.5) return `about ${Math.floor(hz)} Hz`;
  return `${Number(hz.toFixed(2))} Hz`;
}

function problemOfValue(def, value) {
  if (def.kind === 'state' && !isStateFileName(value)) {
    return 'Use 7 to 64 letters, digits, blanks, “-”, “_” or “.”, not starting with “.”, ending in .state.';
  }
  return '';
}

// What to do about a save that failed, in words.
function saveAdvice(message) {
  if (message.startsWith('myr.ini could not be saved')) {
    return `${message.replace(/\.$/, '')}. Check that myr.ini is not read-only or open in another program, then save again.`;
  }
  return message;
}

export function mount(root, app) {
  const { ui } = app;
  let init = app.init;
  const fields = new Map(); // id → { def, control, field, note }
  const form = editForm(root, app, {
    name: 'settings', resetLabel: 'Use defaults', changedCount: () => Object.keys(changedValues()).length,
    draw: (next) => { init = next; fill(); }, reset: useDefaults, save,
  });
  const notices = ui.el('div', { class: 'stack section-notes' });
  const displayCard = ui.el('div', { class: 'card display-info', 'data-test': 'settings-display' });

  root.append(
    ui.el('header', { class: 'section-head' },
      ui.el('h2', {}, 'Settings'),
      ui.el('p', { class: 'muted' }, 'Stored in myr.ini next to the game. The game reads them when it starts.')),
    notices, displayCard,
    ...GROUPS.map(([section, title]) => buildGroup(section, title)),
    form.bar);

  function buildGroup(section, title) {
    const defs = SETTINGS.filter((d) => d.id.startsWith(`${section}.`));
    return ui.el('fieldset', { class: 'card settings-group', 'data-test': `settings-group-${section}` },
      ui.el('legend', {}, title),
      defs.map((def) => buildField(def)));
  }

  function buildField(def) {
    const control = makeControl(ui, def, () => { checkField(def.id); form.updateStatus(); if (def.id === 'Launcher.Theme') app.setTheme(control.get()); });
    const note = ui.el('p', { class: 'field-note', id: `setting-note-${def.id.replace('.', '-')}` });
    const defaultText = ui.el('span', { class: 'muted default' });
    const field = ui.el('div', { class: 'field setting', 'data-test': `setting-${def.id}` },
      ui.el('div', { class: 'setting-label' },
        def.kind === 'readonly'
          ? ui.el('span', { class: 'label' }, def.label)
          : ui.el('label', { class: 'label', for: control.input.id }, def.label),
        def.help ? ui.el('span', { class: 'muted help' }, def.help) : null,
        defaultText),
      ui.el('div', { class: 'setting-control' }, control.node),
      note);
    control.input.setAttribute('aria-describedby', note.id);
    fields.set(def.id, { def, control, field, note, defaultText });
    return field;
  }

  // The lines of myr.ini the launcher refused, other than the controller's (Controls shows those).
  function rejectedLines() {
    return (init.rejected ?? []).filter((line) => !line.startsWith('Pad1.'));
  }

  function rejectedIds() {
    return new Set(rejectedLines().map((line) => line.slice(0, line.indexOf('='))));
  }

  function overridden(def) {
    return def.env && (init.overrides ?? []).includes(def.env);
  }

  function editable(def) {
    return def.kind !== 'readonly' && !overridden(def);
  }

  // Draws everything from the latest init: values, defaults, locks, refused lines, the display.
  function fill() {
    const refused = rejectedIds();
    // The range rests on the display's own scale while "auto" is chosen.
    if (init.display?.ok) fields.get('Display.Scale').control.input.value = String(init.display.scale);
    for (const { def, control, field, note, defaultText } of fields.values()) {
      control.set(init.settings?.[def.id] ?? init.defaults?.[def.id] ?? '');
      const fallback = init.defaults?.[def.id] ?? '';
      defaultText.textContent = def.kind === 'readonly' ? '' : `Default: ${optionLabel(def, fallback)}`;
      const locked = overridden(def);
      field.classList.toggle('locked', Boolean(locked));
      if (locked) {
        if (control.lock) control.lock(); else control.input.disabled = true;
      }
      field.querySelector('[data-test="setting-locked"]')?.remove();
      if (locked) {
        field.querySelector('.setting-label').append(ui.el('span', { class: 'badge', 'data-test': 'setting-locked',
          title: `The environment variable ${def.env} is set` }, `Set by ${def.env}`));
      }
      const line = rejectedLines().find((l) => l.startsWith(`${def.id}=`));
      field.classList.toggle('rejected', refused.has(def.id));
      field.dataset.rejected = refused.has(def.id) ? 'true' : 'false';
      note.replaceChildren();
      if (locked) {
        note.textContent = `${def.env} is set in the environment, and the game uses its value instead. Remove the variable to use this setting.`;
      } else if (line) {
        note.textContent = `myr.ini holds “${line.slice(line.indexOf('=') + 1)}”, which is not allowed here, so the default is used. Choose a value and save to fix the file.`;
      }
    }
    // Undoing a theme the player only tried out puts the saved one back.
    app.setTheme(fields.get('Launcher.Theme').control.get());
    const stateNames = fields.get('Launcher.State').control.names;
    stateNames.replaceChildren(...(init.states ?? []).map((s) => ui.el('option', { value: s.name })));
    fillNotices();
    fillDisplay();
    for (const id of fields.keys()) checkField(id);
  }

  function fillNotices() {
    notices.replaceChildren();
    if (init.iniError) {
      notices.append(ui.el('div', { class: 'card notice error-card', role: 'alert', 'data-test': 'settings-ini-error' },
        ui.el('strong', {}, 'myr.ini could not be read.'),
        ui.el('p', {}, init.iniError),
        ui.el('p', { class: 'muted' }, 'The defaults are shown. Saving will fail until the file is repaired or removed.')));
    }
    const lines = rejectedLines();
    if (lines.length > 0) {
      notices.append(ui.el('div', { class: 'card notice warning-card', 'data-test': 'settings-rejected' },
        ui.el('strong', {}, lines.length === 1 ? 'One value in myr.ini was not used:' : `${lines.length} values in myr.ini were not used:`),
        ui.el('ul', {}, lines.map((line) => ui.el('li', {}, ui.el('code', {}, line)))),
        ui.el('p', { class: 'muted' }, 'They are marked below with the default in their place. Save to replace them.')));
    }
    const others = (init.overrides ?? []).filter((name) => !SETTINGS.some((d) => d.env === name));
    if (others.length > 0) {
      notices.append(ui.el('p', { class: 'muted', 'data-test': 'settings-other-overrides' },
        `Also set in the environment: ${others.join(', ')}.`));
    }
  }

  function fillDisplay() {
    const display = init.display ?? {};
    if (!display.ok) {
      displayCard.replaceChildren(ui.el('p', { class: 'muted' }, 'The launcher could not read this display’s mode.'));
      return;
    }
    const scaleField = fields.get('Display.Scale');
    const suggest = ui.el('button', { class: 'button', 'data-test': 'settings-use-display-scale',
      disabled: !editable(scaleField.def) || undefined,
      'on:click': () => { scaleField.control.set(String(display.scale)); form.updateStatus(); } },
    `Use scale ${display.scale}×`);
    displayCard.replaceChildren(
      ui.el('div', {},
        ui.el('strong', {}, 'This display'),
        ui.el('p', {}, `${display.width} × ${display.height} pixels at ${describeHz(display.hz)}.`),
        ui.el('p', { class: 'muted' },
          `Suited to it: resolution scale ${display.scale}×, ${display.frameRate} frames per second. `
          + 'The frame rate setting follows the display when set to “Match the display”.')),
      suggest);
  }

  function checkField(id) {
    const { def, control, field, note } = fields.get(id);
    const problem = editable(def) ? problemOfValue(def, control.get()) : '';
    field.classList.toggle('invalid', problem !== '');
    control.input.setAttribute('aria-invalid', problem ? 'true' : 'false');
    if (problem) note.textContent = problem;
    else if (note.dataset.problem) note.textContent = '';
    note.dataset.problem = problem;
  }

  // The settings to send: the ones the player changed, and refused ones so that the file is fixed.
  function changedValues() {
    const refused = rejectedIds();
    const values = {};
    for (const { def, control } of fields.values()) {
      if (!editable(def)) continue;
      const value = control.get();
      if (value !== init.settings?.[def.id] || refused.has(def.id)) values[def.id] = value;
    }
    return values;
  }

  function invalidFields() {
    return [...fields.values()].filter(({ def, control }) => editable(def) && problemOfValue(def, control.get()));
  }

  function useDefaults() {
    for (const { def, control } of fields.values()) {
      if (editable(def)) control.set(init.defaults?.[def.id] ?? control.get());
    }
    for (const id of fields.keys()) checkField(id);
    app.setTheme(fields.get('Launcher.Theme').control.get());
  }

  async function save() {
    const invalid = invalidFields();
    if (invalid.length > 0) {
      invalid[0].control.input.focus();
      throw new Error(`${invalid[0].def.label}: ${problemOfValue(invalid[0].def, invalid[0].control.get())}`);
    }
    const values = changedValues();
    let result;
    try {
      result = await app.request('saveSettings', { values });
    } catch (error) {
      throw new Error(saveAdvice(error.message));
    }
    const saved = result?.saved ?? Object.keys(values).length;
    const text = saved === 0 ? 'Saved. Nothing had changed.' : `Saved ${saved === 1 ? '1 setting' : `${saved} settings`} to myr.ini.`;
    // On the first save the launcher switches fast loading on once when the file had it off.
    const switchedOn = init.settings?.['Launcher.FastLoadDefaultOn'] !== '1' && init.settings?.['Game.FastLoad'] === '0'
      && fields.get('Game.FastLoad').control.get() === '0';
    return switchedOn ? `${text} The launcher switches fast loading on once on the first save: switch it off again and save to keep it off.` : text;
  }

  form.redraw();
  return form.hooks;
}
