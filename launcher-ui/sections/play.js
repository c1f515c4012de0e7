// Play: the disc image and its game files, starting and stopping the game, its live log and how
// the last run ended.
import { createLogView } from './log-view.js';
import { pendingRestoreOf } from './saves.js';

const ART_HOST = 'https://art.myr.example/';
// Served by the launcher from memory, next to the page.
const FIGURE_URL = '/game-figure.png';

function heroArt(names) {
  const list = Array.isArray(names) ? names : [];
  return list.find((n) => /hero|banner|cover|key|title/i.test(n)) ?? list[0];
}

function duration(seconds) {
  const s = Math.max(0, Math.floor(Number(seconds) || 0));
  if (s < 60) return `${s} s`;
  const minutes = Math.floor(s / 60);
  if (minutes < 60) return `${minutes} min ${s % 60} s`;
  return `${Math.floor(minutes / 60)} h ${minutes % 60} min`;
}

// Last played and the time of every run together, from the launcher's own record of the runs.
function playTimeText(playTime, formatDate) {
  const runs = Number(playTime?.runs) || 0;
  if (runs === 0) return 'Not played yet.';
  return `Last played ${formatDate(playTime.lastPlayed)} · ${duration(playTime.seconds)} played in total`;
}

function exitCodeText(code) {
  const n = Number(code);
  if (n === -1) return 'the game did not start';
  if (!Number.isFinite(n)) return '';
  return `${n} (0x${(n >>> 0).toString(16).toUpperCase().padStart(8, '0')})`;
}

// Everything that keeps Play from starting, each with what the player can do about it: the game
// program, the image's own verdict, the game's files, and a restore that waits for a decision.
export function playProblems(disc, { extracting = false, pendingRestore = null } = {}) {
  if (!disc || typeof disc !== 'object') return [{ kind: 'bad', title: 'The disc state is unknown.', hint: '' }];
  const problems = [];
  const extract = disc.extract ?? {};
  if (!disc.gameExe) {
    problems.push({ kind: 'bad', title: 'myr.exe is missing.', hint: 'Put the launcher into the game\'s folder, next to myr.exe.' });
  }
  if (disc.ok !== true) {
    const hint = disc.exists === false && disc.iso
      ? 'Choose your disc image again, or drop the .iso file onto this window.'
      : 'Choose an ISO image of your Myrrowen (USA) disc, or drop the .iso file onto this window.';
    problems.push({ kind: 'bad', title: disc.error || 'The disc image cannot be used.', hint });
  } else if (!disc.discFolder) {
    if (extract.running || extracting) {
      problems.push({ kind: 'busy', title: 'Preparing the game\'s files from the disc image…', hint: 'This takes a minute; you can look around meanwhile.' });
    } else if (extract.error) {
      problems.push({ kind: 'bad', title: 'The game\'s files could not be prepared.', hint: 'Check the disc image (a fresh copy of your disc helps), then try again.' });
    } else {
      problems.push({ kind: 'bad', title: 'The game\'s files are not prepared yet.', hint: 'Prepare them from the disc image.' });
    }
  }
  if (pendingRestore) {
    problems.push({ kind: 'bad', title: 'An interrupted restore of your saves waits for your decision.', hint: 'Finish it or undo it on the Saves page.' });
  }
  return problems;
}

// What the chosen image is, in one line, whatever else is wrong.
function imageVerdict(disc) {
  if (!disc?.iso) return { ok: false, text: disc?.error || 'No disc image chosen.' };
  if (disc.ok !== true) return { ok: false, text: disc.error || 'This disc image cannot be used.' };
  return { ok: true, text: `Myrrowen (USA), ${disc.serial || 'QXUS-40404'}: this disc image can be used.` };
}

// The game's art: a picture of launcher-art, else the figure the launcher cut from the disc's art
// for its window icons, else none.
function artPicture(init) {
  const picture = heroArt(init?.art);
  if (picture) return { kind: 'cover', src: `${ART_HOST}${encodeURIComponent(picture)}` };
  if (init?.gameFigure === true) return { kind: 'figure', src: FIGURE_URL };
  return null;
}

export function mount(root, app) {
  const { el, onAction, showError, formatBytes, formatDate } = app.ui;
  let disc = app.init.disc;
  let running = Boolean(app.init.running);
  let states = Array.isArray(app.init.states) ? app.init.states : [];
  let pendingRestore = pendingRestoreOf(app.init);
  let progress = null; // the latest "discExtract" progress while a run goes on
  let droppedTotal = 0;

  // Hero: the game, its readiness and the big button.
  const badge = el('span', { class: 'badge', 'data-test': 'play-disc-badge' });
  const statusTitle = el('p', { class: 'status-title', 'data-test': 'play-disc-status' });
  const statusHint = el('p', { class: 'muted', 'data-test': 'play-disc-hint' });
  const playTimeLine = el('p', { class: 'muted small play-time', 'data-test': 'play-time' });
  const playButton = el('button', { class: 'button primary big', 'data-test': 'play-start', 'data-busy-label': 'Starting…' }, 'Play');
  const stopButton = el('button', { class: 'button danger', 'data-test': 'play-stop', 'data-busy-label': 'Stopping…' }, 'Stop the game');
  const runningLine = el('p', { class: 'badge busy', 'data-test': 'play-running', role: 'status' }, 'The game is running');
  const stateSelect = el('select', { id: 'play-state', 'data-test': 'play-state-select' });
  const resumeButton = el('button', { class: 'button', 'data-test': 'play-resume', 'data-busy-label': 'Starting…' }, 'Resume');
  const resumeRow = el('div', { class: 'row resume' },
    el('label', { for: 'play-state', class: 'muted' }, 'Resume a quick-save state'), stateSelect, resumeButton);
  // The launcher refuses to start the game on half-restored saves; the way out is on the Saves page.
  const restoreWaits = el('div', { class: 'restore-waits row', role: 'status', 'data-test': 'play-restore-waits' },
    el('p', { class: 'grow' }, 'An interrupted restore of your saves waits for your decision, so the game cannot start yet. Finish it or undo it on the Saves page first.'),
    el('button', { class: 'button', 'data-test': 'play-go-to-saves', 'on:click': goToSaves }, 'Go to the Saves page'));
  const actionArea = el('div', { class: 'stack actions' },
    restoreWaits, el('div', { class: 'row' }, playButton, runningLine, stopButton), resumeRow);
  // The art arrives after the page is drawn, and shows only once it has loaded.
  const artImage = el('img', { class: 'hero-art', alt: '', decoding: 'async', hidden: true, 'data-test': 'play-art' });
  const hero = el('div', { class: 'hero card', 'data-test': 'play-hero' },
    artImage,
    el('div', { class: 'hero-shade' }),
    el('div', { class: 'hero-text stack' },
      el('h1', { class: 'hero-title' }, 'Myrrowen'),
      el('div', { class: 'row' }, badge, statusTitle),
      statusHint,
      actionArea,
      playTimeLine));
  artImage.addEventListener('load', () => {
    artImage.hidden = false;
    hero.dataset.art = artImage.dataset.kind;
  });
  artImage.addEventListener('error', () => {
    artImage.hidden = true;
    delete hero.dataset.art;
  });

  // Disc image: where it is, choosing or dropping one, preparing the game's files.
  const discVerdict = el('p', { class: 'verdict', 'data-test': 'play-disc-verdict' });
  const discPath = el('p', { class: 'path muted small', 'data-test': 'play-disc-path' });
  const dropResult = el('p', { class: 'drop-result', role: 'status', 'data-test': 'play-drop-result' });
  const chooseButton = el('button', { class: 'button', 'data-test': 'play-choose', 'data-busy-label': 'Waiting for your choice…' }, 'Choose disc image');
  const retryButton = el('button', { class: 'button primary', 'data-test': 'play-retry', 'data-busy-label': 'Starting again…' }, 'Try again');
  const bar = el('div', { class: 'bar' });
  const progressBar = el('div', { class: 'progress', role: 'progressbar', 'aria-valuemin': '0', 'aria-valuemax': '100',
    'aria-label': 'Preparing the game\'s files', 'data-test': 'play-progress-bar' }, bar);
  const progressText = el('p', { class: 'small', 'data-test': 'play-progress-text' });
  const progressBlock = el('div', { class: 'stack tight', 'data-test': 'play-progress' }, progressBar, progressText);
  const extractError = el('p', { class: 'error', role: 'alert', 'data-test': 'play-extract-error' });
  const discCard = el('div', { class: 'card stack', 'data-test': 'play-disc' },
    el('h2', {}, 'Disc image'),
    discVerdict,
    discPath,
    progressBlock,
    extractError,
    el('div', { class: 'row' }, chooseButton, retryButton,
      el('p', { class: 'muted small drop-hint', 'data-test': 'play-drop-hint' }, 'or drop a .iso file onto this window')),
    dropResult);

  // The last run.
  const lastRunCard = el('div', { class: 'card stack', 'data-test': 'play-last-run' });

  // The live log.
  const log = createLogView();
  const logCount = el('span', { class: 'muted small', 'data-test': 'play-log-count' });
  const droppedLine = el('p', { class: 'muted small', 'data-test': 'play-log-dropped', hidden: true });
  const copyButton = el('button', { class: 'button', 'data-test': 'play-log-copy' }, 'Copy log');
  const copyStatus = el('span', { class: 'muted small', role: 'status', 'data-test': 'play-log-copied' });
  const logCard = el('div', { class: 'card stack' },
    el('div', { class: 'row' }, el('h2', { class: 'grow' }, 'Game log'), logCount, copyStatus, copyButton),
    droppedLine,
    log.element);

  root.append(hero, discCard, lastRunCard, logCard);

  function drawDisc() {
    const extracting = Boolean(progress) || Boolean(disc?.extract?.running);
    const problems = playProblems(disc, { extracting, pendingRestore });
    const kind = problems.length === 0 ? 'ok' : problems.every((p) => p.kind === 'busy') ? 'busy' : 'bad';
    badge.className = `badge ${kind}`;
    badge.textContent = { ok: 'Ready', busy: 'Preparing', bad: 'Not ready' }[kind];
    statusTitle.textContent = problems.length === 0
      ? 'The disc image and the game\'s files are in place.'
      : problems.map((p) => p.title).join(' ');
    statusHint.textContent = problems.map((p) => p.hint).filter(Boolean).join(' ');
    statusHint.hidden = !statusHint.textContent;

    const verdict = imageVerdict(disc);
    discVerdict.className = `verdict ${verdict.ok ? 'ok' : 'bad'}`;
    discVerdict.textContent = verdict.text;
    const size = Number(disc?.size) > 0 ? ` (${formatBytes(disc.size)})` : '';
    discPath.hidden = !disc?.iso;
    discPath.textContent = disc?.iso ? `${disc.iso}${size}` : '';
    if (disc?.source === 'environment') discPath.textContent += ' — set by MYR_ISO';

    discCard.dataset.files = disc?.discFolder ? 'ready' : extracting ? 'preparing' : 'missing';
    progressBlock.hidden = !extracting;
    if (extracting) {
      const done = Number(progress?.done ?? disc?.extract?.done ?? 0);
      const total = Number(progress?.total ?? disc?.extract?.total ?? 0) || 11;
      const percent = Math.round((100 * done) / total);
      bar.style.width = `${percent}%`;
      progressBar.setAttribute('aria-valuenow', String(percent));
      const name = progress?.name ?? disc?.extract?.name ?? '';
      progressText.textContent = `${percent} % — file ${Math.min(done + 1, total)} of ${total}${name ? `: ${name}` : ''}`;
    }
    const failure = !extracting && disc?.ok === true && !disc?.discFolder ? disc?.extract?.error ?? '' : '';
    extractError.textContent = failure;
    extractError.hidden = !failure;
    // Retry is offered whenever a good image has no prepared files and nothing is copying.
    // Choosing is the way forward while the image itself is the problem.
    chooseButton.className = disc?.ok === true ? 'button' : 'button primary';
    retryButton.hidden = !(disc?.ok === true && !disc?.discFolder && !extracting);
    retryButton.textContent = failure ? 'Try again' : 'Prepare the game\'s files';
    drawActions();
  }

  function drawArt(init) {
    const picture = artPicture(init);
    if (!picture) {
      artImage.hidden = true;
      artImage.removeAttribute('src');
      delete hero.dataset.art;
      return;
    }
    artImage.dataset.kind = picture.kind;
    artImage.className = `hero-art ${picture.kind}`;
    // Another disc image brings its own figure under the same address.
    const src = picture.kind === 'figure' ? `${picture.src}?image=${encodeURIComponent(init.disc?.iso ?? '')}` : picture.src;
    if (artImage.getAttribute('src') !== src) artImage.src = src;
  }

  function goToSaves() {
    app.showSection('saves');
    document.getElementById('saves-pending')?.focus();
  }

  function drawActions() {
    const ready = playProblems(disc, { pendingRestore }).length === 0;
    restoreWaits.hidden = !pendingRestore || running;
    playButton.hidden = running;
    playButton.disabled = !ready;
    stopButton.hidden = !running;
    runningLine.hidden = !running;
    // Drawn again on every progress event: the player's choice must survive that.
    const chosen = stateSelect.value;
    stateSelect.replaceChildren(...states.map((s) =>
      el('option', { value: s.name }, `${s.name} — ${formatDate(s.modified)}`)));
    if (states.some((s) => s.name === chosen)) stateSelect.value = chosen;
    resumeRow.hidden = running || states.length === 0;
    resumeButton.disabled = !ready;
  }

  function drawLastRun(record) {
    lastRunCard.hidden = !record || typeof record !== 'object';
    if (lastRunCard.hidden) return;
    const failed = record.fail === true;
    const message = record.message || (failed ? 'The game ended unexpectedly.' : 'The game ended normally.');
    const facts = [];
    if (record.code !== undefined) facts.push(el('span', { 'data-test': 'play-last-code' }, `Exit code ${exitCodeText(record.code)}`));
    if (record.seconds !== undefined) facts.push(el('span', { 'data-test': 'play-last-seconds' }, `ran ${duration(record.seconds)}`));
    const tail = Array.isArray(record.tail) ? record.tail : [];
    lastRunCard.replaceChildren(...[
      el('div', { class: 'row' }, el('h2', { class: 'grow' }, 'Last run'),
        el('span', { class: `badge ${failed ? 'bad' : 'ok'}` }, failed ? 'Problem' : 'Ended')),
      el('p', { class: failed ? 'error' : '', 'data-test': 'play-last-message' }, message),
      record.detail ? el('p', { class: 'mono small', 'data-test': 'play-last-detail' }, record.detail) : null,
      el('p', { class: 'muted small row' }, ...facts),
      failed ? el('p', { class: 'muted small' }, 'The whole log is in the logs folder (Maintenance → Open the logs folder).') : null,
      tail.length ? el('details', { 'data-test': 'play-last-tail' },
        el('summary', {}, `Last ${tail.length} lines of the game's output`),
        el('pre', { class: 'mono small tail' }, tail.join('\n'))) : null,
    ].filter(Boolean));
  }

  function takeDisc(newDisc) {
    if (newDisc && typeof newDisc === 'object') disc = newDisc;
    if (!disc?.extract?.running) progress = null;
    drawDisc();
  }

  async function refreshDisc(args = {}) {
    takeDisc(await app.request('disc', args));
  }

  function showChoice(result) {
    if (!result || result.cancelled) return;
    const fileName = String(result.path ?? '').split(/[\\/]/).pop();
    dropResult.className = result.accepted ? 'drop-result ok' : 'drop-result error';
    dropResult.dataset.accepted = String(Boolean(result.accepted));
    dropResult.textContent = result.accepted
      ? `Disc image accepted: ${fileName}.`
      : `${fileName ? `${fileName}: ` : ''}${result.error || 'This file cannot be used.'}`;
    takeDisc(result.disc);
    // The new image may bring the game's art.
    if (result.accepted) app.refreshInit().catch(() => {});
  }

  async function start(args) {
    await app.request('play', args);
    log.clear();
    droppedTotal = 0;
    droppedLine.hidden = true;
    running = true;
    drawActions();
  }

  onAction(playButton, actionArea, () => start({ resume: false }));
  onAction(resumeButton, actionArea, () => start({ resume: true, state: stateSelect.value }));
  onAction(stopButton, actionArea, () => app.request('stop'));
  onAction(chooseButton, discCard, async () => showChoice(await app.request('chooseIso', {}, { timeout: 0 })));
  onAction(retryButton, discCard, () => refreshDisc({ retry: true }));
  copyButton.addEventListener('click', async () => {
    try {
      await navigator.clipboard.writeText(log.text());
      copyStatus.textContent = `Copied ${log.length} lines.`;
    } catch {
      copyStatus.textContent = 'The clipboard refused the text.';
    }
  });

  app.on('isoDropped', showChoice);
  // Restoring or settling on the Saves page changes both.
  app.onInit((init) => {
    pendingRestore = pendingRestoreOf(init);
    if (Array.isArray(init.states)) states = init.states;
    drawDisc();
    drawArt(init);
  });
  app.on('discExtract', (data) => {
    if (data?.running) {
      progress = data;
      drawDisc();
      return;
    }
    progress = null;
    // The end event carries no disc state; ask for the new one (it now names the game's files).
    refreshDisc().catch((error) => showError(discCard, error.message));
  });
  app.on('gameStarted', () => {
    if (!running) log.clear();
    running = true;
    drawActions();
  });
  app.on('gameExited', (record) => {
    running = false;
    drawLastRun(record);
    app.refreshInit().then((init) => {
      states = Array.isArray(init.states) ? init.states : [];
      takeDisc(init.disc);
    }).catch(() => drawActions());
    drawActions();
  });
  app.on('log', (data) => {
    const lines = Array.isArray(data?.lines) ? data.lines.map(String) : [];
    log.append(lines);
    logCount.textContent = `${log.length} lines`;
    const dropped = Number(data?.dropped) || 0;
    if (dropped > 0) {
      droppedTotal += dropped;
      droppedLine.hidden = false;
      droppedLine.textContent = `${droppedTotal} ${droppedTotal === 1 ? 'line was' : 'lines were'} skipped because the game wrote faster than the page shows. `
        + 'The full log is in logs\\last_run.log.';
    }
  });

  const drawPlayTime = (init) => { playTimeLine.textContent = playTimeText(init.playTime, formatDate); };
  app.onInit(drawPlayTime);

  drawDisc();
  drawArt(app.init);
  drawLastRun(app.init.lastRun);
  drawPlayTime(app.init);
  return {
    shown() {
      log.refresh();
    },
  };
}
