// Resuming a quick-save state, and a run that ends badly explained in words, also after the page
// is drawn again from the launcher's record of the last run.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { demoImage, gameFilesReady, playerPageForTests, until, windowsPath } from './launcher.js';

// The stand-in ends as if a DLL it needs were missing.
const session = playerPageForTests({
  game: true,
  prepare: (folder) => {
    fs.mkdirSync(path.join(folder, 'states'));
    fs.writeFileSync(path.join(folder, 'states', 'slot2.state'), 'state');
  },
  environment: { MYR_ISO: windowsPath(demoImage), STANDIN_STDERR_TEXT: 'fatal: SDL3.dll not found',
    STANDIN_SLEEP_MS: '1500', STANDIN_EXIT_CODE: '0xC0000135' },
}, ({ page }) => gameFilesReady(page));

const text = (selector) => session.page.textContent(`[data-test=${selector}]`);

async function lastRunShowsTheMissingDll() {
  assert.match(await text('play-last-message'), /^A DLL myr\.exe needs is missing \(0xC0000135\)/);
  assert.equal(await text('play-last-detail'), 'fatal: SDL3.dll not found');
  assert.equal(await text('play-last-code'), 'Exit code 3221225781 (0xC0000135)');
}

test('Resume starts the game with the chosen state, and its failure is explained', async () => {
  const { launcher, page } = session;
  assert.deepEqual(await page.$$eval('[data-test=play-state-select] option', (o) => o.map((x) => x.value)), ['slot2.state']);
  await page.click('[data-test=play-resume]');
  await until(() => page.$$eval('[data-test=play-log-row]',
    (rows) => rows.some((r) => r.textContent === 'standin: ZEVR_STATE_LOAD_AT=30:states\\slot2.state')),
  { what: 'the game to report the state it resumes' });
  await until(() => page.isVisible('[data-test=play-last-run]'), { what: 'the end of the run' });
  await launcher.restoreWindow();
  await lastRunShowsTheMissingDll();
});

test('a page drawn again shows the last run from the launcher\'s record', async () => {
  const { page } = session;
  await page.reload();
  await page.waitForSelector('html[data-state=ready]');
  await lastRunShowsTheMissingDll();
});
