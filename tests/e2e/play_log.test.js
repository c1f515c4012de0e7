// A game that floods its output: the log view keeps up without building a row per line, says
// that lines were dropped, copies what it holds; closing the launcher meanwhile asks first.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { demoImage, gameFilesReady, playerPageForTests, uiOrigin, until, windowsPath } from './launcher.js';

// Far more output at once than the launcher queues between two log events.
const session = playerPageForTests({
  game: true,
  environment: { MYR_ISO: windowsPath(demoImage), STANDIN_LINES: '20000', STANDIN_SLEEP_MS: '120000' },
}, async ({ launcher, page }) => {
  await gameFilesReady(page);
  await page.click('[data-test=play-start]');
  await until(() => page.$$eval('[data-test=play-log-row]', (r) => r.some((x) => x.textContent === 'line 19999')),
    { timeout: 60000, what: 'the end of the flood in the log' });
  await launcher.restoreWindow();
});

const rowTexts = () => session.page.$$eval('[data-test=play-log-row]', (all) => all.map((r) => r.textContent));
const keptLines = async () => Number.parseInt(await session.page.textContent('[data-test=play-log-count]'), 10);

test('thousands of lines are held but only the rows in sight are built, at either end', async () => {
  const { page } = session;
  const kept = await keptLines();
  assert.ok(kept >= 4000, `lines kept: ${kept}`);
  const atEnd = await rowTexts();
  assert.ok(atEnd.length < 100, `rows built: ${atEnd.length}`);
  assert.equal(atEnd.at(-1), 'line 19999');
  await page.$eval('[data-test=play-log]', (view) => { view.scrollTop = 0; });
  await until(async () => (await page.getAttribute('[data-test=play-log-row]', 'data-line')) === '0',
    { what: 'the first rows after scrolling up' });
  const atTop = await rowTexts();
  assert.ok(atTop.length < 100);
  assert.notEqual(atTop[0], atEnd[0]);
});

test('dropped lines are announced with where the whole log is', async () => {
  const { page } = session;
  assert.equal(await page.isVisible('[data-test=play-log-dropped]'), true);
  const notice = await page.textContent('[data-test=play-log-dropped]');
  const dropped = Number.parseInt(notice, 10);
  // Every line the game wrote is either shown or counted as skipped.
  assert.ok(dropped > 0);
  assert.ok(dropped + (await keptLines()) >= 20000, notice);
  assert.match(notice, /logs\\last_run\.log/);
});

test('Copy log puts every kept line on the clipboard', async () => {
  const { page } = session;
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write'], { origin: uiOrigin });
  await page.click('[data-test=play-log-copy]');
  await until(async () => (await page.textContent('[data-test=play-log-copied]')) !== '', { what: 'the copy' });
  const copied = (await page.evaluate(() => navigator.clipboard.readText())).split('\n');
  assert.equal(copied.length, await keptLines());
  assert.equal(copied.at(-1), 'line 19999');
});

test('closing while the game runs asks first; Keep open keeps it, Close anyway ends the launcher', async () => {
  const { launcher, page } = session;
  await launcher.closeWindow();
  await page.waitForSelector('[data-test=confirm-dialog]');
  assert.match(await page.textContent('[data-test=confirm-dialog]'), /game is still running/);
  await page.click('[data-test=confirm-cancel]');
  await page.waitForSelector('[data-test=confirm-dialog]', { state: 'detached' });
  assert.equal(launcher.running, true);

  // keepOpen let the next close ask again.
  await launcher.closeWindow();
  await page.waitForSelector('[data-test=confirm-dialog]');
  await page.click('[data-test=confirm-ok]');
  await until(() => !launcher.running, { what: 'the launcher to end' });
});
