// Saves: the memory cards, the port's own saves, quick-save states and backup sets, with the
// commands that back up, restore, format a blank card and swap the system save.

import { createAfterPlayBackup } from './after_play.js';

// Long file operations may take a while on a slow disk; the buttons say that they are working.
const FILE_OPERATION_TIMEOUT = 10 * 60 * 1000;

function plural(n, one, many = `${one}s`) {
  return `${n} ${n === 1 ? one : many}`;
}

function playTimeText(seconds) {
  if (!(seconds >= 0)) return '';
  const hours = Math.floor(seconds / 3600);
  const minutes = Math.floor((seconds % 3600) / 60);
  return `${hours}:${String(minutes).padStart(2, '0')} played`;
}

// Some of the launcher's file messages start in lower case and end without a full stop. One that
// starts with a file name keeps the name as it is.
function sentence(message) {
  const text = /^[a-z]+(?=[\s,;:]|$)/.test(message) ? message.charAt(0).toUpperCase() + message.slice(1) : message;
  return /[.!?]$/.test(text) ? text : `${text}.`;
}

// The local-time stamp the launcher gives a backup set made now.
function stampNow() {
  const d = new Date();
  const two = (n) => String(n).padStart(2, '0');
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}_${two(d.getHours())}-${two(d.getMinutes())}-${two(d.getSeconds())}`;
}

// What init says of a restore left half done, or null when none waits.
export function pendingRestoreOf(init) {
  const pending = init?.pendingRestore;
  if (!pending || typeof pending !== 'object') return null;
  const text = (value) => (typeof value === 'string' ? value : '');
  return { set: text(pending.set), safetyBackup: text(pending.safetyBackup), reason: text(pending.reason) };
}

// Enough names to find the files by; a long list would bury the rest of the message.
function namesText(names, shown = 10) {
  const listed = names.slice(0, shown).join(', ');
  return names.length > shown ? `${listed} and ${names.length - shown} more` : listed;
}

function hasCurrentSaves(listing) {
  return listing.cards.some((card) => card.exists) || (listing.folders ?? []).length > 0
    || (listing.savedata?.files ?? 0) > 0 || (listing.states ?? []).length > 0;
}

export function mount(root, app) {
  const { ui } = app;
  let listing = null;
  let loading = null;
  let loadAgain = false;
  let operationRunning = false;
  let pending = pendingRestoreOf(app.init);

  const status = ui.el('p', { class: 'status muted', role: 'status', 'aria-live': 'polite', 'data-test': 'saves-status' });
  const messages = ui.el('div', { class: 'messages', 'data-test': 'saves-messages' });
  const refreshButton = ui.el('button', { class: 'button', 'data-test': 'saves-refresh', 'data-busy-label': 'Reading…',
    'on:click': () => load() }, 'Refresh');
  const backupButton = ui.el('button', { class: 'button primary exclusive', 'data-test': 'saves-backup',
    'data-busy-label': 'Backing up…', 'on:click': () => backUp() }, 'Back up now');
  const body = ui.el('div', { class: 'stack saves-body', 'aria-busy': 'true' });
  const pendingArea = ui.el('section', { id: 'saves-pending', class: 'card notice stack pending-restore', tabindex: '-1',
    'aria-labelledby': 'saves-pending-title', 'data-test': 'saves-pending', hidden: true });

  // While the launcher backs up after playing, the buttons wait; its new set is then listed.
  const afterPlay = createAfterPlayBackup(app, (state) => {
    setExclusiveButtons();
    if (state?.state !== 'running' && !operationRunning) load();
  });

  root.append(
    ui.el('header', { class: 'section-head row' },
      ui.el('div', { class: 'grow' },
        ui.el('h2', {}, 'Saves'),
        ui.el('p', { class: 'muted' }, 'Memory cards, the port’s save files, quick-save states and backups, all in the game folder.')),
      refreshButton, backupButton),
    pendingArea,
    ui.el('div', { class: 'stack section-notes' }, status, messages),
    afterPlay.element,
    body);

  // Runs one command that changes files; one at a time, with the other buttons held meanwhile.
  async function runOperation(button, work) {
    if (operationRunning) return;
    operationRunning = true;
    ui.clearError(messages);
    for (const line of messages.querySelectorAll(':scope > .warning')) line.remove();
    try {
      await ui.whileBusy(button, async () => {
        // Once the button is busy: it keeps its focus while the others are held.
        setExclusiveButtons();
        try {
          const outcome = await work();
          const { text, warning } = typeof outcome === 'string' ? { text: outcome } : outcome;
          status.textContent = text;
          if (warning) messages.append(ui.el('p', { class: 'warning', role: 'alert', 'data-test': 'saves-warning' }, warning));
        } catch (error) {
          status.textContent = '';
          ui.showError(messages, sentence(error.message));
          // A restore that failed half way leaves one waiting for the player's decision.
          await app.refreshInit().catch(() => {});
        }
      });
    } finally {
      operationRunning = false;
      await load();
    }
  }

  function locked() {
    return listing?.locked ?? '';
  }

  // Buttons marked "after-decision" change saves the launcher refuses to touch while a restore waits.
  function setExclusiveButtons() {
    for (const button of root.querySelectorAll('button.exclusive')) {
      if (button.getAttribute('aria-busy') === 'true') continue;
      const held = Boolean(pending) && button.classList.contains('after-decision');
      button.disabled = operationRunning || afterPlay.running() || Boolean(locked()) || !listing || held;
      if (held) button.title = 'Finish or undo the interrupted restore at the top of this page first.';
      else button.removeAttribute('title');
    }
  }

  function backUp() {
    return runOperation(backupButton, async () => {
      const result = await app.request('backup', {}, { timeout: FILE_OPERATION_TIMEOUT });
      const text = `Backed up ${plural(result.files, 'file')} (${ui.formatBytes(result.bytes)}) to backups\\${result.name}.`;
      const skipped = Array.isArray(result.skipped) ? result.skipped.map(String) : [];
      if (skipped.length === 0) return text;
      return { text, warning: `${plural(skipped.length, 'file')} could not be backed up: ${namesText(skipped)}. Their names cannot be written in a backup; renaming them lets the next backup take them.` };
    });
  }

  function takePending(next) {
    pending = next;
    drawPending();
    setExclusiveButtons();
  }

  function drawPending() {
    pendingArea.hidden = !pending;
    if (!pending) {
      pendingArea.replaceChildren();
      return;
    }
    const { set, safetyBackup, reason } = pending;
    const what = set
      ? `The restore of the backup ${set} was interrupted and not finished, so your saves may be only partly restored.`
      : 'A restore of a backup was interrupted and not finished, so your saves may be only partly restored. The launcher’s record of it is damaged and does not say which backup it was.';
    let choice;
    if (set && safetyBackup) choice = `Finish the restore to get the saves of ${set}, or put the saves back as they were before it (kept in backups\\${safetyBackup}). Either way the saves as they are now are backed up first.`;
    else if (set) choice = `There were no saves before the restore began. Finish the restore to get the saves of ${set} (the saves as they are now are backed up first), or keep the saves as they are now.`;
    else if (safetyBackup) choice = `Put the saves back as they were before it (kept in backups\\${safetyBackup}); the saves as they are now are backed up first.`;
    else choice = 'The saves from before it are not known either. Keep the saves as they are now; you can restore a backup again afterwards.';

    const buttons = [];
    if (set) {
      const finishButton = ui.el('button', { class: 'button primary exclusive', 'data-test': 'saves-pending-finish',
        'data-busy-label': 'Finishing…', 'on:click': () => finishRestore(finishButton) }, 'Finish the restore');
      buttons.push(finishButton);
    }
    const undoButton = ui.el('button', { class: `button exclusive${set ? '' : ' primary'}`, 'data-test': 'saves-pending-undo',
      'data-busy-label': safetyBackup ? 'Putting the saves back…' : 'Working…', 'on:click': () => undoRestore(undoButton) },
    safetyBackup ? 'Put the saves back as they were' : 'Keep the saves as they are');
    buttons.push(undoButton);

    pendingArea.replaceChildren(...[
      ui.el('h3', { id: 'saves-pending-title' }, 'A restore was not finished'),
      ui.el('p', { 'data-test': 'saves-pending-what' }, what),
      reason ? ui.el('p', { 'data-test': 'saves-pending-reason' }, `Why: ${reason}`) : null,
      ui.el('p', { 'data-test': 'saves-pending-choice' }, choice),
      ui.el('p', { class: 'muted' }, 'Until you decide, restoring a backup, formatting a card, swapping the system save and playing wait. Backing up still works.'),
      ui.el('div', { class: 'row' }, buttons),
    ].filter(Boolean));
  }

  function safetyFirst() {
    return hasCurrentSaves(listing)
      ? `First the saves as they are now are backed up to a new set, backups\\${stampNow()}_before-restore (named with the time it is made), so you can go back.`
      : 'There are no saves now, so no safety backup is needed.';
  }

  function justBefore(name) {
    return name ? ` The saves as they were just before are in backups\\${name}.` : '';
  }

  // Settling clears the record for every section, and changes the states Play offers.
  async function settle(button, action, describe) {
    await runOperation(button, async () => {
      const result = await app.request('settleRestore', { action }, { timeout: FILE_OPERATION_TIMEOUT });
      takePending(null);
      await app.refreshInit().catch(() => {});
      return describe(result);
    });
  }

  async function finishRestore(button) {
    // A busy button can still be pressed (it keeps the focus): no second question meanwhile.
    if (operationRunning) return;
    const { set, safetyBackup } = pending;
    const confirmed = await ui.confirmAction({
      title: `Finish the restore of ${set}?`,
      text: `${safetyFirst()} Then every file of ${set} is restored again, and the port’s save folder is made to match the set.`,
      confirmLabel: 'Finish the restore',
      danger: true,
    });
    if (!confirmed) return;
    await settle(button, 'finish', (result) => `Finished the restore of ${set}: ${plural(result.files, 'file')} restored.${
      justBefore(result.safetyBackup)}${safetyBackup ? ` Those from before the interrupted restore are in backups\\${safetyBackup}.` : ''}`);
  }

  async function undoRestore(button) {
    if (operationRunning) return;
    const { set, safetyBackup } = pending;
    const confirmed = safetyBackup
      ? await ui.confirmAction({
        title: 'Put the saves back as they were?',
        text: `${safetyFirst()} Then the saves of backups\\${safetyBackup}, made just before the interrupted restore, are put back, and the port’s save folder is made to match them.`,
        confirmLabel: 'Put them back',
        danger: true,
      })
      : await ui.confirmAction({
        title: 'Keep the saves as they are?',
        text: `${set ? 'There were no saves before the restore began, so there is nothing to put back.' : 'The saves from before the restore are not known.'} The saves stay exactly as they are now and the launcher forgets the interrupted restore.`,
        confirmLabel: 'Keep them',
      });
    if (!confirmed) return;
    await settle(button, 'undo', (result) => (safetyBackup
      ? `Put back ${plural(result.files, 'file')} from backups\\${safetyBackup}.${justBefore(result.safetyBackup)}`
      : `The saves are kept as they are.${justBefore(result.safetyBackup)}`));
  }

  async function restore(button, set) {
    if (operationRunning) return;
    const safety = hasCurrentSaves(listing)
      ? `Your current saves are first backed up to a new set, backups\\${stampNow()}_before-restore (named with the time it is made), so you can go back.`
      : 'There are no current saves, so no safety backup is needed.';
    const confirmed = await ui.confirmAction({
      title: `Restore the backup of ${ui.formatDate(set.created)}?`,
      text: `${safety} Then the ${plural(set.files, 'file')} of ${set.name} replace the current ones, and the port’s save folder is made to match the set.`,
      confirmLabel: 'Restore',
      danger: true,
    });
    if (!confirmed) return;
    await runOperation(button, async () => {
      const result = await app.request('restore', { name: set.name }, { timeout: FILE_OPERATION_TIMEOUT });
      // The restored states are what Play offers to resume from.
      await app.refreshInit().catch(() => {});
      const previous = result.safetyBackup ? ` Your previous saves are in backups\\${result.safetyBackup}.` : '';
      return `Restored ${plural(result.files, 'file')} from ${set.name}.${previous}`;
    });
  }

  async function format(button, card) {
    if (operationRunning) return;
    const confirmed = await ui.confirmAction({
      title: `Format memory card ${card.slot}?`,
      text: `${card.file} is blank. Formatting makes it an empty card the game can save on. The launcher only formats a card that holds nothing.`,
      confirmLabel: 'Format',
    });
    if (!confirmed) return;
    await runOperation(button, async () => {
      await app.request('formatCard', { slot: card.slot }, { timeout: FILE_OPERATION_TIMEOUT });
      return `Memory card ${card.slot} is formatted and empty.`;
    });
  }

  async function swap(button, parked) {
    if (operationRunning) return;
    const system = listing.savedata.system;
    const confirmed = await ui.confirmAction({
      title: 'Use this system save?',
      text: `${parked.file} becomes the game’s system save.${system.exists
        ? ' The system save in use now is kept aside under a new name, so you can swap back.' : ''}`,
      confirmLabel: 'Use it',
    });
    if (!confirmed) return;
    await runOperation(button, async () => {
      const result = await app.request('swapSystem', { file: parked.file }, { timeout: FILE_OPERATION_TIMEOUT });
      return result.kept
        ? `${result.used} is now the system save; the previous one is kept as ${result.kept}.`
        : `${result.used} is now the system save.`;
    });
  }

  // A listing asked for while one is under way is read again after it: files may have changed since.
  function load() {
    if (loading) {
      loadAgain = true;
      return loading;
    }
    body.setAttribute('aria-busy', 'true');
    loading = ui.whileBusy(refreshButton, async () => {
      try {
        listing = await app.request('saves', {}, { timeout: FILE_OPERATION_TIMEOUT });
        draw();
      } catch (error) {
        ui.showError(messages, `The saves could not be listed: ${error.message}`);
      }
    }).finally(() => {
      loading = null;
      body.setAttribute('aria-busy', 'false');
      setExclusiveButtons();
      if (loadAgain) {
        loadAgain = false;
        load();
      }
    });
    return loading;
  }

  // The listing's parts are made once and drawn again in place: a listing that comes back after a
  // command leaves every card, save, state and set that did not change as it was, and the player's
  // focus with it.
  function section(title, testName, ...children) {
    return ui.el('section', { class: 'card stack saves-part', 'data-test': testName, 'aria-label': title },
      ui.el('h3', {}, title), ...children);
  }

  function empty(text) {
    return ui.el('p', { class: 'muted' }, text);
  }

  // The maker of a list entry that is only text, drawn anew when its item changes.
  function textEntry(describe) {
    return () => {
      const node = ui.el('li');
      return { node, update: (item) => node.replaceChildren(...describe(item)) };
    };
  }

  // An element whose children are replaced as a whole; it takes no room of its own.
  function slot() {
    return ui.el('div', { class: 'slot' });
  }

  const lockedNotice = ui.el('div', { class: 'card notice', 'data-test': 'saves-locked', hidden: true });
  const formatLine = ui.el('p', { class: 'muted', 'data-test': 'saves-format' });
  const cardsArea = ui.el('div', { class: 'saves-cards' });
  const drawCards = ui.keyedList(cardsArea, { key: (card) => card.slot, make: makeCard });

  const folderList = ui.el('ul', { class: 'save-list' });
  const drawFolderList = ui.keyedList(folderList, {
    key: (folder) => folder.name,
    make: textEntry((folder) => [ui.el('strong', { class: 'grow' }, `memcards\\${folder.name}`),
      ui.el('span', { class: 'muted small' }, `${plural(folder.files, 'file')}, ${ui.formatBytes(folder.bytes)}`)]),
  });
  const foldersPart = section('Folder memory cards', 'saves-folders', folderList);

  const saveDataFacts = ui.el('p', { class: 'muted small' });
  const saveDataEmpty = empty('');
  const portSavesEmpty = empty('No numbered saves.');
  const portSaveList = ui.el('ul', { class: 'port-saves' });
  const drawPortSaves = ui.keyedList(portSaveList, { key: (save) => save.slot, make: makePortSave });
  const systemLine = slot();
  const parkedList = ui.el('ul', { class: 'save-list' });
  const drawParked = ui.keyedList(parkedList, { key: (parked) => parked.file, make: makeParked });
  const systemPart = ui.el('div', { class: 'stack system-save', 'data-test': 'saves-system' },
    ui.el('h4', {}, 'System save'), systemLine, parkedList);
  const saveDataPart = section('Save files of the port', 'saves-savedata',
    saveDataFacts, saveDataEmpty, portSavesEmpty, portSaveList, systemPart);

  const statesEmpty = empty('No quick-save states.');
  const stateList = ui.el('ul', { class: 'save-list' });
  const drawStateList = ui.keyedList(stateList, {
    key: (state) => state.name,
    make: textEntry((state) => [ui.el('strong', { class: 'grow' }, state.name),
      ui.el('span', { class: 'muted small' }, `${ui.formatBytes(state.bytes)} · ${ui.formatDate(state.modified)}`)]),
  });
  const statesPart = section('Quick-save states', 'saves-states', statesEmpty, stateList);

  const backupsEmpty = empty('No backups yet. “Back up now” makes one.');
  const setList = ui.el('ul', { class: 'save-list' });
  const drawSets = ui.keyedList(setList, { key: (set) => set.name, make: makeSet });
  const backupsPart = section('Backups', 'saves-backups',
    ui.el('p', { class: 'muted small' }, 'Each backup is a dated folder in backups\\ with every save file and a list of checksums.'),
    backupsEmpty, setList);

  const listingParts = [lockedNotice, formatLine, cardsArea, foldersPart, saveDataPart, statesPart, backupsPart];

  function draw() {
    if (body.firstChild !== lockedNotice) body.replaceChildren(...listingParts);
    lockedNotice.hidden = !locked();
    lockedNotice.replaceChildren(...(locked() ? [ui.el('strong', {}, 'The game is running.'),
      ui.el('p', {}, `${locked()} Backing up, restoring, formatting and swapping wait until it has closed.`)] : []));
    formatLine.textContent = `New saves go to ${listing.format === 'card' ? 'the memory card images' : 'the port’s save files'} (Save format in Settings).`;
    drawCards(listing.cards);
    const folders = listing.folders ?? [];
    foldersPart.hidden = folders.length === 0;
    drawFolderList(folders);
    drawSaveData(listing.savedata);
    statesEmpty.hidden = listing.states.length > 0;
    drawStateList(listing.states);
    backupsEmpty.hidden = listing.backups.length > 0;
    drawSets(listing.backups);
    root.dataset.loaded = 'true';
  }

  function makeCard(first) {
    let card = first;
    const file = ui.el('p', { class: 'muted small' });
    const state = slot();
    const saveList = ui.el('ul', { class: 'save-list', 'data-test': 'saves-card-saves' });
    const drawSaves = ui.keyedList(saveList, { key: (save) => save.folder, make: makeCardSave });
    const node = section(`Memory card ${first.slot}`, `saves-card-${first.slot}`, file, state, saveList);
    const formatButton = ui.el('button', { class: 'button exclusive after-decision', 'data-test': `saves-format-${first.slot}`,
      'data-busy-label': 'Formatting…', 'on:click': () => format(formatButton, card) }, 'Format');
    return {
      node,
      update(next) {
        card = next;
        file.textContent = card.file;
        state.replaceChildren(...cardState(card, formatButton));
        const saves = card.exists && !card.blank && card.formatted ? card.saves : [];
        saveList.hidden = saves.length === 0;
        drawSaves(saves);
      },
    };
  }

  function cardState(card, formatButton) {
    if (!card.exists) return [empty('No card file yet. The game makes it the first time it saves to this slot.')];
    if (card.blank) {
      return [ui.el('p', {}, ui.el('span', { class: 'badge' }, 'Blank'), ' This card is erased and holds no file system yet.'),
        ui.el('div', { class: 'row' }, formatButton)];
    }
    if (!card.formatted) {
      return [ui.el('p', { class: 'error', 'data-test': 'saves-card-error' },
        `This card cannot be read: ${card.error}. The launcher leaves it as it is; a backup still copies it.`)];
    }
    const used = card.capacity - card.free;
    const percent = card.capacity > 0 ? Math.round((used / card.capacity) * 100) : 0;
    return [
      ui.el('div', { class: 'progress', role: 'meter', 'aria-valuemin': 0, 'aria-valuemax': 100, 'aria-valuenow': percent,
        'aria-label': `Memory card ${card.slot} used` }, ui.el('div', { class: 'bar', style: `width: ${percent}%` })),
      ui.el('p', { class: 'muted small', 'data-test': 'saves-card-free' },
        `${ui.formatBytes(card.free)} free of ${ui.formatBytes(card.capacity)}`),
      card.error ? ui.el('p', { class: 'error' }, `Part of this card cannot be read: ${card.error}.`) : null,
      card.saves.length === 0 ? empty('No saves on this card.') : null,
    ].filter(Boolean);
  }

  const makeCardSave = textEntry((save) => [
    ui.el('div', { class: 'grow' },
      ui.el('strong', {}, save.title || save.folder),
      save.subtitle ? ui.el('span', { class: 'muted' }, ` ${save.subtitle}`) : null,
      ui.el('p', { class: 'muted small' }, [save.folder, save.modified ? ui.formatDate(save.modified) : ''].filter(Boolean).join(' · '))),
    ui.el('span', { class: 'muted small' }, ui.formatBytes(save.bytes))]);

  function drawSaveData(data) {
    saveDataEmpty.hidden = data.exists;
    saveDataEmpty.textContent = data.exists ? '' : `No saves yet in ${data.folder}.`;
    saveDataFacts.hidden = !data.exists;
    saveDataFacts.textContent = data.exists ? `${data.folder} · ${plural(data.files, 'file')}, ${ui.formatBytes(data.bytes)}` : '';
    const saves = data.exists ? data.saves : [];
    portSavesEmpty.hidden = !data.exists || saves.length > 0;
    portSaveList.hidden = saves.length === 0;
    drawPortSaves(saves);
    systemPart.hidden = !data.exists;
    const system = data.system ?? {};
    systemLine.replaceChildren(system.exists
        ? ui.el('p', {}, `system.myrsave, ${ui.formatBytes(system.bytes)}, ${ui.formatDate(system.modified)}`)
        : empty('No system save in use.'));
    drawParked(data.exists ? data.parked : []);
    parkedList.hidden = !data.exists || data.parked.length === 0;
  }

  function makePortSave(first) {
    const picture = ui.el('div', { class: 'thumb', 'data-test': `saves-thumb-${first.slot}` });
    const text = ui.el('div', { class: 'stack tight' });
    const node = ui.el('li', { class: 'port-save', 'data-test': `saves-save-${first.slot}` }, picture, text);
    return {
      node,
      // A save that changed has a new picture too.
      update(save) {
        picture.replaceChildren(ui.el('span', { class: 'muted small' }, save.thumb ? 'Loading picture…' : 'No picture'));
        if (save.thumb) loadThumb(save.slot, picture);
        const party = (save.party ?? []).map((member) => `${member.name || '?'} Lv ${member.level}`).join(', ');
        const facts = [
          save.playTime >= 0 ? playTimeText(save.playTime) : '',
          save.quil >= 0 ? `${save.quil.toLocaleString('en')} quil` : '',
          `${ui.formatBytes(save.bytes)}`,
          ui.formatDate(save.modified),
        ].filter(Boolean).join(' · ');
        // The DOM writes a null child as the text "null": leave it out instead.
        text.replaceChildren(...[
          ui.el('strong', {}, `Slot ${save.slot}${save.place ? ` — ${save.place}` : ''}`),
          party ? ui.el('p', {}, party) : null,
          ui.el('p', { class: 'muted small' }, facts),
          ui.el('p', { class: 'muted small' }, save.file),
        ].filter(Boolean));
      },
    };
  }

  async function loadThumb(slot, picture) {
    try {
      const result = await app.request('thumb', { slot });
      picture.replaceChildren(result.png
        ? ui.el('img', { src: `data:image/png;base64,${result.png}`, alt: `Picture of save slot ${slot}` })
        : ui.el('span', { class: 'muted small' }, 'No picture'));
    } catch (error) {
      picture.replaceChildren(ui.el('span', { class: 'muted small' }, `No picture: ${error.message}`));
    }
  }

  // An entry whose text is drawn anew, and whose button, made once, acts on its latest item.
  function actionEntry(first, { test, buttonTest, busyLabel, label, act, describe }) {
    let item = first;
    const text = ui.el('div', { class: 'grow' });
    const button = ui.el('button', { class: 'button exclusive after-decision', 'data-test': buttonTest,
      'data-busy-label': busyLabel, 'on:click': () => act(button, item) }, label);
    return {
      node: ui.el('li', { 'data-test': test }, text, button),
      update(next) {
        item = next;
        text.replaceChildren(...describe(item));
      },
    };
  }

  function makeParked(first) {
    return actionEntry(first, {
      test: `saves-parked-${first.file}`, buttonTest: `saves-swap-${first.file}`, busyLabel: 'Swapping…', label: 'Use this one',
      act: swap,
      describe: (parked) => [
        ui.el('strong', {}, parked.kind === 'card'
          ? `From a memory card${parked.card ? ` (${parked.card})` : ''}${parked.cardModified ? `, saved ${ui.formatDate(parked.cardModified)}` : ''}`
          : 'An earlier system save'),
        ui.el('p', { class: 'muted small' }, `${parked.file} · ${ui.formatBytes(parked.bytes)} · ${ui.formatDate(parked.modified)}`)],
    });
  }

  function makeSet(first) {
    return actionEntry(first, {
      test: `saves-set-${first.name}`, buttonTest: `saves-restore-${first.name}`, busyLabel: 'Restoring…', label: 'Restore',
      act: restore,
      describe: (set) => [ui.el('strong', {}, ui.formatDate(set.created)),
        ui.el('p', { class: 'muted small' }, `${set.name} · ${plural(set.files, 'file')}, ${ui.formatBytes(set.bytes)}`)],
    });
  }


  body.append(ui.el('p', { class: 'muted', 'data-test': 'saves-loading' }, 'Reading the saves…'));
  takePending(pending);
  app.onInit((init) => takePending(pendingRestoreOf(init)));
  // Whether the game runs decides what may be done; the game may also have saved.
  for (const event of ['gameStarted', 'gameExited']) app.on(event, () => { if (!root.hidden && !operationRunning) load(); });
  return {
    // Listed afresh each time: the game may have saved since.
    shown() {
      if (!operationRunning) load();
    },
  };
}
