// Backup after playing, on the Saves page: the player's switch for it and what became of the
// last one. The launcher makes it when the game ends; the page only shows it.

const SETTING = 'Launcher.BackupAfterPlay';

// The launcher's words start with a capital or a file name; make the last one end a sentence.
function ended(text) {
  return /[.!?]$/.test(text) ? text : `${text}.`;
}

function stateText(state, ui) {
  const count = (n) => `${n} ${n === 1 ? 'file' : 'files'}`;
  switch (state?.state) {
    case 'running': return 'Backing up the saves after playing…';
    case 'made': return `After playing, ${count(Number(state.files) || 0)} (${ui.formatBytes(state.bytes)}) were backed up to backups\\${state.name}.`;
    case 'unchanged': return `The saves did not change while playing: backups\\${state.name} already holds them.`;
    case 'skipped': return `No backup after playing: ${ended(String(state.reason ?? ''))}`;
    default: return '';
  }
}

// onState hears of every new state ({state: 'running'} while the launcher works on it).
export function createAfterPlayBackup(app, onState) {
  const { el } = app.ui;
  let state = null;
  let saving = false;
  const toggle = el('input', { type: 'checkbox', id: 'saves-after-play', role: 'switch', 'data-test': 'saves-after-play-toggle' });
  const status = el('p', { class: 'muted small', role: 'status', 'data-test': 'saves-after-play-status' });
  const problem = el('p', { class: 'error', role: 'alert', 'data-test': 'saves-after-play-error', hidden: true });
  const warning = el('p', { class: 'warning', role: 'alert', 'data-test': 'saves-after-play-warning', hidden: true });
  const element = el('section', { class: 'card stack after-play', 'data-test': 'saves-after-play', 'aria-labelledby': 'saves-after-play-title' },
    el('div', { class: 'row' },
      el('h3', { id: 'saves-after-play-title', class: 'grow' }, 'Backup after playing'),
      el('label', { for: 'saves-after-play', class: 'muted' }, 'Back up when the game ends'),
      el('span', { class: 'switch' }, toggle)),
    el('p', { class: 'muted small' }, 'When the game ends the launcher backs up the saves to a set ending in _after-play, but only when they changed since the newest one. It keeps the newest 10 of these sets and deletes older ones of them; it never deletes any other backup.'),
    status, warning, problem);

  function show(message, line) {
    line.textContent = message;
    line.hidden = !message;
  }

  function draw() {
    status.textContent = stateText(state, app.ui);
    show(state?.state === 'failed' ? `The backup after playing failed: ${ended(String(state.error ?? ''))}` : '', problem);
    show(state?.state === 'made' && state.warning ? String(state.warning) : '', warning);
  }

  function take(next) {
    state = next && typeof next === 'object' ? next : null;
    draw();
    onState(state);
  }

  function takeSetting(init) {
    if (!saving) toggle.checked = init.settings?.[SETTING] !== '0';
  }

  toggle.addEventListener('change', async () => {
    const value = toggle.checked ? '1' : '0';
    saving = true;
    toggle.disabled = true;
    show('', problem);
    try {
      await app.request('saveSettings', { values: { [SETTING]: value } });
    } catch (error) {
      toggle.checked = value !== '1';
      show(`The choice could not be saved: ${error.message}`, problem);
    } finally {
      saving = false;
      toggle.disabled = false;
    }
  });

  app.on('afterPlayBackup', take);
  app.onInit((init) => {
    takeSetting(init);
    // A page drawn afresh learns from init what the launcher did meanwhile.
    if (JSON.stringify(init.afterPlayBackup ?? null) !== JSON.stringify(state)) take(init.afterPlayBackup);
  });
  takeSetting(app.init);
  state = app.init.afterPlayBackup && typeof app.init.afterPlayBackup === 'object' ? app.init.afterPlayBackup : null;
  draw();
  return { element, running: () => state?.state === 'running' };
}
