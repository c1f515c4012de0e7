// The page's shell: tabs by keyboard and by gamepad, and a notice from the launcher.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { test } from 'node:test';
import { playerPageForTests } from './launcher.js';

// No myr.exe in this folder, so a start with --play fails.
const session = playerPageForTests({ environment: { MYR_ISO: '' } });

const selectedTab = () => session.page.$eval('[role=tab][aria-selected=true]', (t) => t.dataset.test);
const visibleSection = () => session.page.$$eval('[role=tabpanel]', (all) => all.filter((s) => !s.hidden).map((s) => s.id));

test('arrow keys, Home and End move between the tabs and show their section', async () => {
  const { page } = session;
  await page.focus('[data-test=tab-play]');
  const steps = [
    ['ArrowDown', 'tab-settings', 'section-settings'],
    ['ArrowRight', 'tab-controls', 'section-controls'],
    ['End', 'tab-maintenance', 'section-maintenance'],
    ['ArrowDown', 'tab-play', 'section-play'],
    ['ArrowUp', 'tab-maintenance', 'section-maintenance'],
    ['Home', 'tab-play', 'section-play'],
  ];
  for (const [key, tab, section] of steps) {
    await page.keyboard.press(key);
    assert.equal(await selectedTab(), tab, key);
    assert.equal(await page.evaluate(() => document.activeElement.dataset.test), tab, key);
    assert.deepEqual(await visibleSection(), [section], key);
  }
});

test('a gamepad moves the focus with its d-pad and activates with its first button', async () => {
  const { page } = session;
  // A pad the page polls like a real one; the test presses its buttons.
  await page.evaluate(() => {
    const pad = { id: 'test pad', index: 0, connected: true, axes: [0, 0, 0, 0],
      buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
    window.testPad = pad;
    navigator.getGamepads = () => [pad];
    window.dispatchEvent(new Event('gamepadconnected'));
  });
  // The page reads the pad once per frame: each change is held for two frames.
  const twoFrames = () => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  const press = async (button) => {
    await page.evaluate((b) => { window.testPad.buttons[b].pressed = true; }, button);
    await twoFrames();
    await page.evaluate((b) => { window.testPad.buttons[b].pressed = false; }, button);
    await twoFrames();
  };
  await page.focus('[data-test=tab-play]');
  await press(13); // down
  await press(13);
  assert.equal(await page.evaluate(() => document.activeElement.dataset.test), 'tab-controls');
  await press(0);
  assert.deepEqual(await visibleSection(), ['section-controls']);
  await press(12); // up
  assert.equal(await page.evaluate(() => document.activeElement.dataset.test), 'tab-settings');
});

test('a notice from the launcher is shown until dismissed', async () => {
  const { launcher, page } = session;
  // A second start with --play hands over to this launcher, which cannot start the game.
  execFileSync('wine', [path.join(launcher.folder, 'myr_launcher.exe'), '--play'], { stdio: 'ignore', timeout: 30000 });
  await page.waitForSelector('[data-test=notice]');
  assert.match(await page.textContent('[data-test=notice]'), /myr\.exe is missing/);
  await page.click('[data-test=notice-dismiss]');
  await page.waitForSelector('[data-test=notice]', { state: 'detached' });
});
