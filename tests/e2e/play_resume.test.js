// Resuming a quick-save state, and a run that ends badly explained in words, also after the page
// is drawn again from the launcher's record of the last run.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { Launcher, demoImage, until } from './launcher.js';

let launcher;
let page;
before(async () => {
  launcher = new Launcher({
    page: 'player',
    game: true,
    prepare: (folder) => {
      fs.mkdirSync(path.join(folder, 'states'));
      fs.writeFileSync(path.join(folder, 'states', 'slot2.state'), 'state');
    },
    // The stand-in ends as if a DLL it needs were missing.
    environment: { MYR_ISO: `Z:${demoImage.replaceAll('/', '\\')}`, STANDIN_STDERR_TEXT: 'fatal: SDL3.dll not found',
      STANDIN_SLEEP_MS: '1500', STANDIN_EXIT_CODE: '0xC0000135' },
  });
  page = await launcher.attach();
  await until(async () => (await page.textContent('[data-test=play-disc-badge]')) === 'Ready',
    { timeout: 60000, what: 'the game\'s files' });
});
after(async () => launcher.stop());

const text = (selector) => page.textContent(`[data-test=${selector}]`);

async function lastRunShowsTheMissingDll() {
  assert.match(await text('play-last-message'), /^A DLL myr\.exe needs is missing \(0xC0000135\)/);
  assert.equal(await text('play-last-detail'), 'fatal: SDL3.dll not found');
  assert.equal(await text('play-last-code'), 'Exit code 3221225781 (0xC0000135)');
}

test('Resume starts the game with the chosen state, and its failure is explained', async () => {
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
  await page.reload();
  await page.waitForSelector('html[data-state=ready]');
  await lastRunShowsTheMissingDll();
});
