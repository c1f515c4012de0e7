// The Maintenance section against the real launcher: the shader cache measured and cleared (and
// refused while the game runs), logs that are not there yet, and the desktop shortcuts.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { demoImage, gameFilesReady, playerPageForTests, until, windowsPath } from './launcher.js';

const session = playerPageForTests({
  game: true,
  prepare: (folder) => {
    const cache = path.join(folder, 'shadercache');
    fs.mkdirSync(path.join(cache, 'vulkan'), { recursive: true });
    fs.writeFileSync(path.join(cache, 'a.bin'), Buffer.alloc(1000));
    fs.writeFileSync(path.join(cache, 'vulkan', 'b.bin'), Buffer.alloc(536));
  },
  environment: { MYR_ISO: windowsPath(demoImage), STANDIN_SLEEP_MS: '120000' },
}, ({ page }) => page.click('[data-test=tab-maintenance]'));

const text = (selector) => session.page.textContent(`[data-test=${selector}]`);

test('the cache size is shown, and clearing it frees that much', async () => {
  const { launcher, page } = session;
  await until(async () => (await text('maintenance-cache-size')) === '1.5 KB in 2 files', { what: 'the cache size' });
  assert.match(await text('maintenance-cache-path'), /shadercache$/);
  await page.click('[data-test=maintenance-clear-cache]');
  await until(async () => (await text('maintenance-cache-cleared')) === 'Cleared: 1.5 KB freed.', { what: 'the clearing' });
  await until(async () => (await text('maintenance-cache-size')) === 'The shader cache is empty.', { what: 'the new size' });
  assert.deepEqual(fs.readdirSync(path.join(launcher.folder, 'shadercache')), []);
});

// The launcher's own log is taken away first: a log that is there would be opened by Wine's shell.
test('opening a log that is not there says which one does not exist yet', async () => {
  const { launcher, page } = session;
  fs.rmSync(path.join(launcher.folder, 'logs', 'launcher.log'));
  for (const [what, file] of [['log', /last_run\.log/], ['launcherLog', /launcher\.log/]]) {
    await page.click(`[data-test=maintenance-open-${what}]`);
    await until(async () => file.test(await page.textContent('[data-test=maintenance-folders] [data-test=error]').catch(() => '')),
      { what: `the error about ${what}` });
    assert.match(await page.textContent('[data-test=maintenance-folders] [data-test=error]'), / does not exist yet\.$/);
  }
});

test('both desktop shortcuts are created and named', async () => {
  const { page } = session;
  const desktop = path.join(process.env.WINEPREFIX, 'drive_c', 'users', os.userInfo().username, 'Desktop');
  const shortcuts = ['Myrrowen.lnk', 'Myrrowen Launcher.lnk'].map((name) => path.join(desktop, name));
  try {
    await page.click('[data-test=maintenance-shortcuts]');
    await until(async () => (await text('maintenance-shortcut-done')) !== '', { what: 'the shortcuts' });
    assert.equal(await text('maintenance-shortcut-done'), 'Created Myrrowen.lnk and Myrrowen Launcher.lnk on the desktop.');
    for (const file of shortcuts) assert.ok(fs.existsSync(file), file);
  } finally {
    for (const file of shortcuts) fs.rmSync(file, { force: true });
  }
});

test('clearing the cache while the game runs is refused in words', async () => {
  const { launcher, page } = session;
  await page.click('[data-test=tab-play]');
  await gameFilesReady(page);
  await page.click('[data-test=play-start]');
  await until(() => page.isVisible('[data-test=play-stop]'), { what: 'the game to run' });
  await launcher.restoreWindow();
  await page.click('[data-test=tab-maintenance]');
  await page.click('[data-test=maintenance-clear-cache]');
  await until(() => page.isVisible('[data-test=maintenance-cache] [data-test=error]'), { what: 'the refusal' });
  assert.equal(await page.textContent('[data-test=maintenance-cache] [data-test=error]'),
    'Close the game first: it keeps the shader cache open.');
});
