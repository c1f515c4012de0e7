// Choosing the disc image through the system's file dialog, as a player does with the mouse and
// keyboard: cancelled first, then the demo image typed in.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { test } from 'node:test';
import { demoImage, playerPageForTests, until, windowsPath } from './launcher.js';

const dialogTitle = '^Choose your Myrrowen \\(USA\\) disc image$';

const session = playerPageForTests({ game: true, environment: { MYR_ISO: '' } });

const xdotool = (...args) => execFileSync('xdotool', args, { encoding: 'utf8', timeout: 5000 }).trim();

// Waits for the file dialog, brings it forward and types into it. The dialog's window may be
// replaced while it opens, so it is searched again until activating it works.
async function answerDialog(...keys) {
  await until(() => {
    try {
      const id = xdotool('search', '--onlyvisible', '--name', dialogTitle).split('\n').at(-1);
      xdotool('windowactivate', '--sync', id);
      return true;
    } catch {
      return false;
    }
  }, { what: 'the file dialog' });
  for (const key of keys) {
    if (key.type) xdotool('type', '--delay', '20', key.type);
    else xdotool('key', key);
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
  const { page } = session;
  await page.click('[data-test=play-choose]');
  assert.equal(await page.getAttribute('[data-test=play-choose]', 'aria-busy'), 'true');
  await answerDialog('Escape');
  await until(async () => (await page.getAttribute('[data-test=play-choose]', 'aria-busy')) === null, { what: 'the button' });
  assert.equal(await page.textContent('[data-test=play-drop-result]'), '');
  assert.equal(await page.textContent('[data-test=play-disc-status]'), 'No disc image chosen.');
});

test('the image chosen in the dialog is accepted and its files are prepared', async () => {
  const { page } = session;
  await page.click('[data-test=play-choose]');
  await answerDialog({ type: windowsPath(demoImage) }, 'Return');
  await until(async () => (await page.getAttribute('[data-test=play-drop-result]', 'data-accepted')) === 'true',
    { what: 'the choice to be accepted' });
  await until(async () => (await page.textContent('[data-test=play-disc-badge]')) === 'Ready', { timeout: 60000, what: 'the files' });
});
