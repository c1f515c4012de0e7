// The Saves section is drawn once and then updated in place: a player who works it from the
// keyboard finds the focus where it was once the launcher has answered and the listing changed.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { Launcher, until } from './launcher.js';
import { openSection } from './fixtures/page.js';
import { writeBackupSet, writePortSave, writeState } from './fixtures/saves.js';

const set = '2024-04-01_12-00-00';

async function statusMatches(page, pattern, what) {
  await until(async () => pattern.test(await page.innerText('[data-test="saves-status"]')), { what });
}

const focused = (page) => page.evaluate(() => document.activeElement?.dataset.test ?? document.activeElement?.tagName);

test('backing up and restoring from the keyboard leaves the focus on the button pressed', async () => {
  const launcher = new Launcher({
    page: 'player', game: true,
    prepare: (folder) => {
      writePortSave(folder, 1, { bytes: Buffer.from('slot 1 now') });
      writeState(folder, 'quick.state', Buffer.from('state'));
      writeBackupSet(folder, set, { 'savedata/QXUS-40404/save-001.myrsave': Buffer.from('slot 1 of the backup') });
    },
  });
  try {
    const page = await launcher.attach();
    await openSection(page, 'saves');
    await page.locator('#section-saves[data-loaded="true"]').waitFor();
    // Everything the listing drew, to tell afterwards which nodes it kept.
    await page.evaluate(() => {
      window.drawnBefore = new Set(document.querySelectorAll('#section-saves li, #section-saves section'));
    });

    await page.focus('[data-test="saves-refresh"]');
    await page.keyboard.press('Tab');
    assert.equal(await focused(page), 'saves-backup');
    await page.keyboard.press('Enter');
    await statusMatches(page, /^Backed up 2 files/, 'the backup');
    await until(async () => (await page.locator('[data-test^="saves-set-"]').count()) === 2, { what: 'the new set to be listed' });
    assert.equal(await focused(page), 'saves-backup');

    await page.focus(`[data-test="saves-restore-${set}"]`);
    await page.evaluate(() => { window.pressed = document.activeElement; });
    await page.keyboard.press('Enter');
    await page.locator('[data-test="confirm-dialog"]').waitFor();
    assert.equal(await focused(page), 'confirm-cancel', 'a question that changes saves starts on the safe answer');
    await page.keyboard.press('Tab');
    assert.equal(await focused(page), 'confirm-ok');
    await page.keyboard.press('Enter');
    await statusMatches(page, new RegExp(`^Restored 1 file from ${set}\\.`), 'the restore');
    await until(async () => (await page.locator('[data-test^="saves-set-"]').count()) === 3, { what: 'the safety set to be listed' });
    await page.locator('#section-saves .saves-body[aria-busy="false"]').waitFor();

    assert.equal(await page.evaluate(() => document.activeElement === window.pressed), true,
      `the focus is on ${await focused(page)}`);
    // The restored save changed, so its entry was drawn again in place; the rest stayed as it was.
    const kept = await page.evaluate(() => [...window.drawnBefore].filter((node) => node.isConnected)
      .map((node) => node.dataset.test ?? node.getAttribute('aria-label') ?? node.textContent.trim()));
    for (const part of [`saves-set-${set}`, 'saves-save-1', 'saves-states', 'saves-backups', 'saves-card-1', 'quick.state']) {
      assert.ok(kept.some((name) => name.startsWith(part)), `${part} kept among ${kept.join(', ')}`);
    }
  } finally {
    await launcher.stop();
  }
});
