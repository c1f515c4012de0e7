// The shell: asks the launcher for everything it draws, builds the tabs, mounts the sections and
// handles what belongs to the whole window (theme, closing, notices, gamepad focus).
import { request, on } from './protocol.js';
import * as ui from './ui.js';
import * as play from './sections/play.js';
import * as settings from './sections/settings.js';
import * as controls from './sections/controls.js';
import * as saves from './sections/saves.js';
import * as maintenance from './sections/maintenance.js';
import { startGamepadNavigation } from './gamepad.js';

const { el } = ui;

const sections = [
  { name: 'play', label: 'Play', module: play },
  { name: 'settings', label: 'Settings', module: settings },
  { name: 'controls', label: 'Controls', module: controls },
  { name: 'saves', label: 'Saves', module: saves },
  { name: 'maintenance', label: 'Maintenance', module: maintenance },
];

const darkQuery = window.matchMedia('(prefers-color-scheme: dark)');
let themeSetting = 'system';
let testTheme = '';

function applyTheme() {
  const setting = testTheme || themeSetting;
  const dark = setting === 'dark' || (setting === 'system' && darkQuery.matches);
  document.documentElement.dataset.theme = dark ? 'dark' : 'light';
}
darkQuery.addEventListener('change', applyTheme);

function closeQuestion({ running, busy }) {
  if (running && busy) return 'The game is running and a file operation is not finished yet. Closing now cuts the file operation off; the game keeps running.';
  if (running) return 'The game is still running. It keeps running after the launcher closes, but you will not see its log or how it ended.';
  if (busy) return 'A file operation (saves or shader cache) is not finished yet. Closing now cuts it off halfway.';
  return 'Close the launcher?';
}

async function answerCloseRequest(data) {
  const quit = await ui.confirmAction({
    title: 'Close the launcher?',
    text: closeQuestion(data ?? {}),
    confirmLabel: 'Close anyway',
    cancelLabel: 'Keep open',
    danger: true,
  });
  await request(quit ? 'quit' : 'keepOpen').catch(() => {});
}

function buildNotices() {
  const area = el('div', { class: 'notices', 'aria-live': 'polite', 'data-test': 'notices' });
  on('notice', (data) => {
    const text = typeof data?.text === 'string' ? data.text : '';
    if (!text) return;
    const banner = el('div', { class: 'notice card row', role: 'status', 'data-test': 'notice' },
      el('p', { class: 'grow', text }));
    banner.append(el('button', { class: 'button', 'data-test': 'notice-dismiss', 'aria-label': 'Dismiss this notice',
      'on:click': () => banner.remove() }, 'Dismiss'));
    area.append(banner);
  });
  return area;
}

function buildShell(init) {
  const tabs = el('nav', { class: 'tabs', role: 'tablist', 'aria-label': 'Launcher sections', 'aria-orientation': 'vertical' });
  const panels = el('main', { class: 'panels' });
  const entries = sections.map((section) => {
    const tab = el('button', {
      class: 'tab', role: 'tab', id: `tab-${section.name}`, 'aria-controls': `section-${section.name}`,
      'aria-selected': 'false', tabindex: '-1', 'data-test': `tab-${section.name}`,
    }, section.label);
    const root = el('section', { id: `section-${section.name}`, class: 'panel', role: 'tabpanel',
      'aria-labelledby': `tab-${section.name}`, tabindex: '-1', hidden: true });
    tabs.append(tab);
    panels.append(root);
    return { ...section, tab, root, hooks: undefined };
  });
  const brand = el('header', { class: 'brand' },
    el('p', { class: 'title', text: 'Myrrowen' }),
    el('p', { class: 'muted small', text: `Launcher ${init.version ?? ''}` }));
  const layout = el('div', { class: 'layout' },
    el('aside', { class: 'sidebar' }, brand, tabs),
    el('div', { class: 'content' }, buildNotices(), panels));
  document.getElementById('app').replaceChildren(layout);
  return { tabs, entries };
}

function showSectionIn(entries, name, { focusTab = false } = {}) {
  const target = entries.find((e) => e.name === name) ?? entries[0];
  for (const entry of entries) {
    const selected = entry === target;
    entry.tab.setAttribute('aria-selected', String(selected));
    entry.tab.tabIndex = selected ? 0 : -1;
    entry.root.hidden = !selected;
  }
  if (focusTab) target.tab.focus();
  try {
    target.hooks?.shown?.();
  } catch (error) {
    console.error(error);
  }
}

// Arrow keys move between tabs and show the tab they land on; Home and End jump to the ends.
function wireTabKeys(tabs, entries, show) {
  tabs.addEventListener('keydown', (event) => {
    const index = entries.findIndex((e) => e.tab === document.activeElement);
    if (index < 0) return;
    const moves = { ArrowDown: index + 1, ArrowRight: index + 1, ArrowUp: index - 1, ArrowLeft: index - 1,
      Home: 0, End: entries.length - 1 };
    if (!(event.key in moves)) return;
    event.preventDefault();
    const next = (moves[event.key] + entries.length) % entries.length;
    show(entries[next].name, { focusTab: true });
  });
  for (const entry of entries) entry.tab.addEventListener('click', () => show(entry.name));
}

function showStartFailure(message) {
  const retry = el('button', { class: 'button primary', 'data-test': 'init-retry', 'on:click': () => location.reload() },
    'Try again');
  document.getElementById('app').replaceChildren(el('div', { class: 'start-failure card stack', role: 'alert' },
    el('h1', { text: 'The launcher did not answer' }),
    el('p', { text: message }),
    el('p', { class: 'muted', text: 'Try again; if it keeps failing, close the launcher and start it again.' }),
    el('div', { class: 'row' }, retry)));
}

async function boot() {
  let init;
  try {
    init = await request('init');
  } catch (error) {
    showStartFailure(error.message);
    return;
  }
  themeSetting = init.settings?.['Launcher.Theme'] ?? 'system';
  testTheme = typeof init.test?.theme === 'string' ? init.test.theme : '';
  applyTheme();

  const { tabs, entries } = buildShell(init);
  const show = (name, options) => showSectionIn(entries, name, options);
  const gamepad = startGamepadNavigation();
  const initListeners = new Set();
  const app = {
    init,
    request,
    on,
    ui,
    // Sections that draw from init hear of every fresh copy, whichever section asked for it.
    async refreshInit() {
      app.init = await request('init');
      for (const listener of [...initListeners]) {
        try {
          listener(app.init);
        } catch (error) {
          console.error(error);
        }
      }
      return app.init;
    },
    onInit(listener) {
      initListeners.add(listener);
      return () => initListeners.delete(listener);
    },
    setTheme(text) {
      themeSetting = text;
      applyTheme();
    },
    showSection: (name) => show(name, { focusTab: false }),
    gamepadCapture: (active) => gamepad.capture(active),
  };
  for (const entry of entries) {
    try {
      entry.hooks = entry.module.mount(entry.root, app) ?? undefined;
    } catch (error) {
      console.error(error);
      ui.showError(entry.root, `This page could not be drawn: ${error.message}`);
    }
  }
  wireTabKeys(tabs, entries, show);
  on('closeRequested', answerCloseRequest);

  const first = sections.some((s) => s.name === init.test?.page) ? init.test.page : 'play';
  show(first);
  if (init.test) document.documentElement.dataset.capture = 'true';
  await request('ready').catch(() => {});
  document.documentElement.dataset.state = 'ready';
}

boot();
