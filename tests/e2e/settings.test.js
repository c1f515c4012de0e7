// The Settings section against the real launcher: what the player sees of myr.ini, and what
// saving leaves in the file.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { Launcher, until } from './launcher.js';
import { openSection, readIni, writeIni } from './fixtures/page.js';

const field = (id) => `[data-test="setting-${id}"]`;
const input = (id) => `[data-test="setting-input-${id}"]`;

test('a refused value is shown, fixed by the player and saved with other changes', async () => {
  const launcher = new Launcher({
    page: 'player', game: true,
    prepare: (folder) => writeIni(folder, [
      '; kept by hand', '[Display]', 'Scale=Auto', 'Aspect=4:3', '[Tools]', 'Editor=notepad',
    ]),
  });
  try {
    const page = await launcher.attach();
    await openSection(page, 'settings');
    const rejected = page.locator('[data-test="settings-rejected"]');
    assert.match(await rejected.innerText(), /Display\.Scale=Auto/);
    assert.equal(await page.getAttribute(field('Display.Scale'), 'data-rejected'), 'true');
    assert.equal(await page.isChecked(input('Display.Scale-auto')), true, 'the default stands in for the refused value');

    await page.uncheck(input('Display.Scale-auto'));
    await page.fill(input('Display.Scale'), '3');
    await page.selectOption(input('Display.Aspect'), '16:9');
    await page.check(input('Audio.Mute'));
    await page.selectOption(input('Launcher.Theme'), 'dark');
    assert.equal(await page.evaluate(() => document.documentElement.dataset.theme), 'dark', 'the theme changes before saving');

    await page.click('[data-test="settings-save"]');
    await until(async () => /^Saved 4 settings/.test(await page.innerText('[data-test="settings-status"]')),
      { what: 'the save to be confirmed' });

    const ini = readIni(launcher.folder);
    for (const line of ['; kept by hand', 'Scale=3', 'Aspect=16:9', 'Editor=notepad', 'Mute=1', 'Theme=dark', 'FastLoadDefaultOn=1']) {
      assert.ok(ini.split('\r\n').includes(line), `myr.ini holds ${line}:\n${ini}`);
    }
    assert.doesNotMatch(ini, /Scale=Auto/);
    // What the page shows now comes from the launcher reading the file again.
    await until(async () => (await rejected.count()) === 0, { what: 'the refused value to be gone' });
    assert.equal(await page.getAttribute(field('Display.Scale'), 'data-rejected'), 'false');
    assert.equal(await page.inputValue(input('Display.Aspect')), '16:9');
    assert.match(await page.innerText('[data-test="settings-status"]'), /Saved/);
  } finally {
    await launcher.stop();
  }
});

test('a setting forced by the environment is shown locked and is not written; the first save turns fast loading on once', async () => {
  const launcher = new Launcher({
    page: 'player', game: true, environment: { ZEVR_ASPECT: 'stretch' },
    prepare: (folder) => writeIni(folder, ['[Game]', 'FastLoad=0']),
  });
  try {
    const page = await launcher.attach();
    await openSection(page, 'settings');
    const aspect = page.locator(field('Display.Aspect'));
    assert.match(await aspect.locator('[data-test="setting-locked"]').innerText(), /ZEVR_ASPECT/);
    assert.equal(await page.isDisabled(input('Display.Aspect')), true);
    assert.equal(await page.locator(`${field('Display.Scale')} [data-test="setting-locked"]`).count(), 0);

    await page.selectOption(input('Display.Renderer'), 'pcsx2');
    assert.equal(await page.isChecked(input('Game.FastLoad')), false);
    await page.click('[data-test="settings-save"]');
    await until(async () => /^Saved 1 setting/.test(await page.innerText('[data-test="settings-status"]')),
      { what: 'the save to be confirmed' });
    // The first save switches fast loading on once when the file had it off, and the player is told.
    assert.match(await page.innerText('[data-test="settings-status"]'), /switch it off again and save/);
    assert.equal(await page.isChecked(input('Game.FastLoad')), true);
    const ini = readIni(launcher.folder);
    assert.match(ini, /\r\nRenderer=pcsx2\r\n/);
    assert.match(ini, /\r\nFastLoad=1\r\n/);
    assert.doesNotMatch(ini, /Aspect=/);
  } finally {
    await launcher.stop();
  }
});

test('an invalid state name is refused in the page and the file stays as it was', async () => {
  const launcher = new Launcher({
    page: 'player', game: true, prepare: (folder) => writeIni(folder, ['[Launcher]', 'State=quick.state']),
  });
  try {
    const page = await launcher.attach();
    await openSection(page, 'settings');
    const before = readIni(launcher.folder);
    await page.fill(input('Launcher.State'), '../escape.state');
    await page.click('[data-test="settings-save"]');
    await page.locator('[data-test="settings-messages"] [data-test="error"]').waitFor();
    assert.match(await page.innerText('[data-test="settings-messages"]'), /Quick-save state to resume: /);
    assert.equal(await page.getAttribute(input('Launcher.State'), 'aria-invalid'), 'true');
    assert.equal(readIni(launcher.folder), before);
  } finally {
    await launcher.stop();
  }
});

test('a myr.ini that cannot be read is explained, and saving reports the launcher\'s reason', async () => {
  const launcher = new Launcher({
    page: 'player', game: true, prepare: (folder) => fs.mkdirSync(path.join(folder, 'myr.ini')),
  });
  try {
    const page = await launcher.attach();
    await openSection(page, 'settings');
    assert.match(await page.innerText('[data-test="settings-ini-error"]'), /myr\.ini could not be read/);
    await page.check(input('Game.SkipIntro'));
    await page.click('[data-test="settings-save"]');
    await page.locator('[data-test="settings-messages"] [data-test="error"]').waitFor();
    assert.match(await page.innerText('[data-test="settings-messages"]'), /^\W*myr\.ini could not be saved: .+ Check that myr\.ini/);
    assert.equal(await page.innerText('[data-test="settings-status"]'), 'Not saved.');
  } finally {
    await launcher.stop();
  }
});
