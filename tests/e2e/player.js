// What a player does in the launcher's window on a first start, step by step, through the window
// itself (the drop and the clicks go through X). The first-start test and the demo share them;
// each returns what the page then says.
import { gameFilesReady, until } from './launcher.js';

export const text = (page, name) => page.textContent(`[data-test=${name}]`);

// From now on, every percentage that the preparation's bar shows, in order.
export function watchPreparation(page) {
  return page.evaluate(() => {
    const bar = document.querySelector('[data-test=play-progress-bar]');
    window.progressSeen = [];
    new MutationObserver(() => window.progressSeen.push(Number(bar.getAttribute('aria-valuenow'))))
      .observe(bar, { attributes: true, attributeFilter: ['aria-valuenow'] });
  });
}

export const preparationSeen = (page) => page.evaluate(() => window.progressSeen);

export async function dropImage(launcher, page, image) {
  await launcher.dropFile(image);
  await until(async () => (await page.getAttribute('[data-test=play-drop-result]', 'data-accepted')) === 'true',
    { what: 'the drop to be accepted' });
  return text(page, 'play-drop-result');
}

export { gameFilesReady };

// Play; the window makes room for the game, and the player brings it back to read the log.
export async function play(launcher, page, lines) {
  const { height } = await launcher.window();
  await launcher.click('[data-test=play-start]');
  await until(() => page.isVisible('[data-test=play-stop]'), { what: 'the running state' });
  await until(async () => (await launcher.evaluate('innerHeight')) < height / 2, { what: 'the window to make room for the game' });
  await launcher.restoreWindow();
  return until(async () => {
    const rows = await page.$$eval('[data-test=play-log-row]', (all) => all.map((r) => r.textContent));
    return lines.every((line) => rows.includes(line)) && rows;
  }, { what: "the game's lines in the log" });
}

// Stop, and what the launcher says about the run (null for what it leaves out).
export async function stop(launcher, page) {
  await launcher.click('[data-test=play-stop]');
  await until(() => page.isVisible('[data-test=play-start]'), { what: 'the game to end' });
  const said = (name) => page.locator(`[data-test=${name}]`).count().then((n) => (n ? text(page, name) : null));
  const [message, code, detail, seconds] = await Promise.all(
    ['play-last-message', 'play-last-code', 'play-last-detail', 'play-last-seconds'].map(said));
  return { message, code, detail, seconds };
}

export async function openSection(launcher, page, name) {
  await launcher.click(`[data-test="tab-${name}"]`);
  await page.locator(`#section-${name}`).waitFor({ state: 'visible' });
}

// A backup from the Saves page: what it says and the set it made.
export async function backUpSaves(launcher, page) {
  await openSection(launcher, page, 'saves');
  await page.locator('#section-saves[data-loaded="true"]').waitFor();
  await launcher.click('[data-test="saves-backup"]');
  const status = await until(async () => {
    const said = await page.innerText('[data-test="saves-status"]');
    return /^Backed up/.test(said) && said;
  }, { what: 'the backup' });
  return { status, set: /to backups\\(.+)\.$/.exec(status)?.[1] };
}

// The set in the Saves page's list of backups, scrolled into sight: what the entry says.
export async function listedBackup(page, set) {
  const entry = page.locator(`[data-test="saves-set-${set}"]`);
  await entry.waitFor();
  await entry.scrollIntoViewIfNeeded();
  return entry.innerText();
}
