// Choosing the disc image through the system's file dialog, as a player does with the mouse and
// keyboard: cancelled first, then the demo image typed in.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { after, before, test } from 'node:test';
import { Launcher, demoImage, until } from './launcher.js';

const dialogTitle = '^Choose your Myrrowen \\(USA\\) disc image$';

let launcher;
let page;
before(async () => {
  launcher = new Launcher({ page: 'player', game: true, environment: { MYR_ISO: '' } });
  page = await launcher.attach();
});
after(async () => launcher.stop());

const xdotool = (...args) => execFileSync('xdotool', args, { encoding: 'utf8' }).trim();

// Waits for the file dialog and gives it the keys.
async function answerDialog(...keys) {
  const id = await until(() => {
    try {
      return xdotool('search', '--onlyvisible', '--name', dialogTitle).split('\n')[0];
    } catch {
      return null;
    }
  }, { what: 'the file dialog' });
  xdotool('windowactivate', '--sync', id);
  for (const key of keys) {
    if (key.type) xdotool('type', '--delay', '20', '--window', id, key.type);
    else xdotool('key', '--window', id, key);
  }
  await until(() => {
    try {
      xdotool('search', '--onlyvisible', '--name', dialogTitle);
      return false;
    } catch {
      return true;
    }
  }, { what: 'the file dialog to close' });
}

test('a cancelled dialog leaves everything as it was', async () => {
  await page.click('[data-test=play-choose]');
  assert.equal(await page.getAttribute('[data-test=play-choose]', 'aria-busy'), 'true');
  await answerDialog('Escape');
  await until(async () => (await page.getAttribute('[data-test=play-choose]', 'aria-busy')) === null, { what: 'the button' });
  assert.equal(await page.textContent('[data-test=play-drop-result]'), '');
  assert.equal(await page.textContent('[data-test=play-disc-status]'), 'No disc image chosen.');
});

test('the image chosen in the dialog is accepted and its files are prepared', async () => {
  await page.click('[data-test=play-choose]');
  await answerDialog({ type: `Z:${demoImage.replaceAll('/', '\\')}` }, 'Return');
  await until(async () => (await page.getAttribute('[data-test=play-drop-result]', 'data-accepted')) === 'true',
    { what: 'the choice to be accepted' });
  await until(async () => (await page.textContent('[data-test=play-disc-badge]')) === 'Ready', { timeout: 60000, what: 'the files' });
});
