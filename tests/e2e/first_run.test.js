// A player's first start: no disc image anywhere, the image dropped onto the window, the game's
// files prepared, the game played and stopped, and the save it wrote backed up.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { demoImage, playerPageForTests } from './launcher.js';
import {
  backUpSaves, dropImage, gameFilesReady, listedBackup, play, preparationSeen, stop, text, watchPreparation,
} from './player.js';

const save = 'savedata/QXUS-40404/save-001.myrsave';
// The stand-in game prints a few lines and an error line, writes a save, then waits to be stopped.
const session = playerPageForTests({
  game: true,
  environment: {
    MYR_ISO: '', STANDIN_LINES: '3', STANDIN_STDERR_TEXT: 'error: the demo ends here', STANDIN_SLEEP_MS: '120000',
    STANDIN_WRITE_FILE: save.replaceAll('/', '\\'), STANDIN_WRITE_TEXT: 'slot 1 of the first start',
  },
});

test('without any image the page says so and Play waits for one', async () => {
  const { page } = session;
  assert.equal(await text(page, 'play-disc-status'), 'No disc image chosen.');
  assert.equal(await text(page, 'play-disc-badge'), 'Not ready');
  assert.equal(await page.isDisabled('[data-test=play-start]'), true);
});

test('the demo image dropped onto the window is accepted and its files are prepared to the end', async () => {
  const { launcher, page } = session;
  await watchPreparation(page);
  assert.match(await dropImage(launcher, page, demoImage), /Myrrowen \(USA\)\.iso/);
  await gameFilesReady(page);
  const seen = await preparationSeen(page);
  assert.ok(seen.some((p) => p > 0), `progress shown: ${seen}`);
  assert.deepEqual(seen, [...seen].sort((a, b) => a - b), 'progress only moves forward');
  assert.equal(await page.isHidden('[data-test=play-progress]'), true);
  assert.equal(await page.isEnabled('[data-test=play-start]'), true);
});

test('Play starts the game, its output reaches the log, Stop ends it and says why', async () => {
  const { launcher, page } = session;
  await play(launcher, page, ['line 2', 'error: the demo ends here']);
  const run = await stop(launcher, page);
  assert.equal(run.message, 'Stopped from the launcher.');
  assert.match(run.code, /^Exit code 1 \(0x00000001\)$/);
  assert.equal(run.detail, 'error: the demo ends here');
});

test('the save the game wrote is backed up and the set is listed', async () => {
  const { launcher, page } = session;
  const { status, set } = await backUpSaves(launcher, page);
  assert.match(status, /^Backed up 1 file \(.+\) to backups\\.+\.$/);
  assert.equal(fs.readFileSync(path.join(launcher.folder, 'backups', set, ...save.split('/')), 'utf8'), 'slot 1 of the first start');
  assert.match(await listedBackup(page, set), new RegExp(`${set} · 1 file`));
});
