// Maintenance: the shader cache, the game's folders and the desktop shortcuts.

const FOLDERS = [
  { what: 'game', label: 'Game folder' },
  { what: 'logs', label: 'Logs' },
  { what: 'log', label: 'Last game log' },
  { what: 'launcherLog', label: 'Launcher log' },
  { what: 'ini', label: 'myr.ini' },
  { what: 'savedata', label: 'Save data' },
  { what: 'memcards', label: 'Memory cards' },
  { what: 'states', label: 'Quick-save states' },
  { what: 'backups', label: 'Backups' },
  { what: 'shaders', label: 'Shader cache' },
  { what: 'licenses', label: 'Licenses' },
];

export function mount(root, app) {
  const { el, onAction, formatBytes } = app.ui;
  const card = (test, title, description, ...content) => el('div', { class: 'card stack', 'data-test': test },
    el('h2', {}, title), el('p', { class: 'muted' }, description), ...content);

  const cacheSize = el('p', { class: 'status-title', 'data-test': 'maintenance-cache-size', role: 'status' }, 'Measuring…');
  const cachePath = el('p', { class: 'path muted small', 'data-test': 'maintenance-cache-path' });
  const cacheDone = el('p', { class: 'ok-line', role: 'status', 'data-test': 'maintenance-cache-cleared' });
  const clearButton = el('button', { class: 'button danger', 'data-test': 'maintenance-clear-cache', 'data-busy-label': 'Clearing…' },
    'Clear shader cache');
  const cacheCard = card('maintenance-cache', 'Shader cache',
    'The game keeps compiled shaders here so that scenes open without stutter. Clearing it helps after a graphics '
      + 'driver update or when pictures look broken; the game builds it again as you play.',
    cacheSize, cachePath, el('div', { class: 'row' }, clearButton), cacheDone);

  const folderButtons = FOLDERS.map(({ what, label }) =>
    el('button', { class: 'button', 'data-test': `maintenance-open-${what}`, 'data-busy-label': 'Opening…' }, label));
  const foldersCard = card('maintenance-folders', 'Folders and files',
    'Open them in the file browser, for example to copy your saves or to send a log.',
    el('div', { class: 'row' }, ...folderButtons));
  FOLDERS.forEach(({ what }, i) => onAction(folderButtons[i], foldersCard, () => app.request('open', { what })));

  const shortcutDone = el('p', { class: 'ok-line', role: 'status', 'data-test': 'maintenance-shortcut-done' });
  const shortcutButton = el('button', { class: 'button', 'data-test': 'maintenance-shortcuts', 'data-busy-label': 'Creating…' },
    'Create desktop shortcuts');
  const shortcutsCard = card('maintenance-shortcuts-card', 'Desktop shortcuts',
    '“Myrrowen” starts the game straight away with these settings; “Myrrowen Launcher” opens this window.',
    el('div', { class: 'row' }, shortcutButton), shortcutDone);

  const about = el('p', { class: 'muted small', 'data-test': 'maintenance-about' },
    `Launcher ${app.init.version ?? ''}${app.init.webview ? ` · browser ${app.init.webview}` : ''} · ${app.init.exeDir ?? ''}`);

  root.append(el('h1', {}, 'Maintenance'), cacheCard, foldersCard, shortcutsCard, about);

  // Its failure is told in the size line, so that an error of clearing stays in sight.
  async function measure() {
    try {
      const info = await app.request('cacheInfo');
      const files = Number(info.files) || 0;
      cacheSize.textContent = files === 0
        ? 'The shader cache is empty.'
        : `${formatBytes(info.bytes)} in ${files} ${files === 1 ? 'file' : 'files'}`;
      cachePath.textContent = info.path ?? '';
    } catch (error) {
      cacheSize.textContent = `The size of the shader cache is not known: ${error.message}`;
    }
  }

  onAction(clearButton, cacheCard, async () => {
    cacheDone.textContent = '';
    try {
      const { freed } = await app.request('clearCache', {}, { timeout: 0 });
      cacheDone.textContent = `Cleared: ${formatBytes(freed)} freed.`;
    } finally {
      await measure();
    }
  });

  onAction(shortcutButton, shortcutsCard, async () => {
    shortcutDone.textContent = '';
    const made = [];
    for (const kind of ['play', 'launcher']) made.push((await app.request('shortcut', { kind })).path);
    shortcutDone.textContent = `Created ${made.map((p) => String(p).split('\\').pop()).join(' and ')} on the desktop.`;
  });

  // Measured each time the section is shown: the game may have added shaders meanwhile.
  return { shown: measure };
}
