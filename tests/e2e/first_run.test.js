// A player's first start: no disc image anywhere, the image dropped onto the window, the game's
// files prepared, the game played and stopped.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { demoImage, playerPageForTests, until } from './launcher.js';

// The stand-in game prints a few lines and an error line, then waits to be stopped.
const session = playerPageForTests({
  game: true,
  environment: { MYR_ISO: '', STANDIN_LINES: '3', STANDIN_STDERR_TEXT: 'error: the demo ends here', STANDIN_SLEEP_MS: '120000' },
});

const text = (selector) => session.page.textContent(`[data-test=${selector}]`);

test('without any image the page says so and Play waits for one', async () => {
  const { page } = session;
  assert.equal(await text('play-disc-status'), 'No disc image chosen.');
  assert.equal(await text('play-disc-badge'), 'Not ready');
  assert.equal(await page.isDisabled('[data-test=play-start]'), true);
});

test('the demo image dropped onto the window is accepted and its files are prepared to the end', async () => {
  const { launcher, page } = session;
  // Every percentage the bar shows, in order.
  await page.evaluate(() => {
    const bar = document.querySelector('[data-test=play-progress-bar]');
    window.progressSeen = [];
    new MutationObserver(() => window.progressSeen.push(Number(bar.getAttribute('aria-valuenow'))))
      .observe(bar, { attributes: true, attributeFilter: ['aria-valuenow'] });
  });
  await launcher.dropFile(demoImage);
  await until(async () => (await page.getAttribute('[data-test=play-drop-result]', 'data-accepted')) === 'true',
    { what: 'the drop to be accepted' });
  assert.match(await text('play-drop-result'), /Myrrowen \(USA\)\.iso/);
  await until(async () => (await text('play-disc-badge')) === 'Ready', { timeout: 60000, what: 'the files to be prepared' });
  const seen = await page.evaluate(() => window.progressSeen);
  assert.ok(seen.some((p) => p > 0), `progress shown: ${seen}`);
  assert.deepEqual(seen, [...seen].sort((a, b) => a - b), 'progress only moves forward');
  assert.equal(await page.isHidden('[data-test=play-progress]'), true);
  assert.equal(await page.isEnabled('[data-test=play-start]'), true);
});

test('Play starts the game, its output reaches the log, Stop ends it and says why', async () => {
  const { launcher, page } = session;
  await page.click('[data-test=play-start]');
  await until(() => page.isVisible('[data-test=play-stop]'), { what: 'the running state' });
  await until(async () => {
    const rows = await page.$$eval('[data-test=play-log-row]', (all) => all.map((r) => r.textContent));
    return rows.includes('line 2') && rows.includes('error: the demo ends here');
  }, { what: 'the game\'s lines in the log' });
  await launcher.restoreWindow();
  await page.click('[data-test=play-stop]');
  await until(() => page.isVisible('[data-test=play-start]'), { what: 'the game to end' });
  assert.equal(await text('play-last-message'), 'Stopped from the launcher.');
  assert.match(await text('play-last-code'), /^Exit code 1 \(0x00000001\)$/);
  assert.equal(await text('play-last-detail'), 'error: the demo ends here');
});
