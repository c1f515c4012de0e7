// The Controls section against the real launcher: bindings typed, captured and stored in myr.ini.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { Launcher, until } from './launcher.js';
import { openSection, readIni, writeIni } from './fixtures/page.js';

const binding = (button) => `[data-test="binding-${button}"]`;

test('an invalid typed binding is refused before sending; a captured key and pad button are saved', async () => {
  const launcher = new Launcher({
    page: 'player', game: true,
    prepare: (folder) => writeIni(folder, ['[Pad1]', 'Type=DualShock2', 'AxisScale=2', 'Up=SDL-0/DPadUp', 'L2=Keyboard/F13']),
  });
  try {
    const page = await launcher.attach();
    await openSection(page, 'controls');
    // The file's Pad1 section has lost most buttons and holds a refused one: all show unbound.
    assert.match(await page.innerText('[data-test="controls-rejected"]'), /Pad1\.L2=Keyboard\/F13/);
    assert.equal(await page.inputValue(binding('L2')), '');
    assert.equal(await page.inputValue(binding('Up')), 'SDL-0/DPadUp');
    const before = readIni(launcher.folder);

    await page.fill(binding('Up'), 'SDL-0/dpadup');
    assert.equal(await page.getAttribute(binding('Up'), 'aria-invalid'), 'true');
    await page.click('[data-test="controls-save"]');
    assert.match(await page.innerText('[data-test="controls-messages"] [data-test="error"]'), /fix the marked binding first \(Up\)/);
    assert.equal(readIni(launcher.folder), before, 'nothing was sent to be written');

    await page.click('[data-test="controls-reset"]');
    assert.equal(await page.inputValue(binding('Up')), 'SDL-0/DPadUp');
    assert.equal(await page.inputValue(binding('L2')), 'Keyboard/1;SDL-0/+LeftTrigger');

    await page.click('[data-test="capture-Circle"]');
    await page.locator('[data-test="controls-capture-prompt"]').waitFor({ state: 'visible' });
    await page.keyboard.press('Escape');
    await page.locator('[data-test="controls-capture-prompt"]').waitFor({ state: 'hidden' });
    assert.equal(await page.inputValue(binding('Circle')), 'Keyboard/Right;SDL-0/FaceEast', 'Escape cancels');

    await page.click('[data-test="capture-Triangle"]');
    await page.locator('[data-test="controls-capture-prompt"]').waitFor({ state: 'visible' });
    await page.keyboard.press('KeyK');
    await until(async () => (await page.inputValue(binding('Triangle'))) === 'Keyboard/K;SDL-0/FaceNorth',
      { what: 'the captured key' });
    assert.equal(await page.isHidden('[data-test="controls-capture-prompt"]'), true);
    // The key went to the binding only: the shell's tabs did not move.
    assert.equal(await page.isVisible('#section-controls'), true);

    // A pad as the browser's Gamepad API reports it (standard mapping; button 3 is the top face button).
    await page.evaluate(() => {
      window.testPad = { index: 0, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
        buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
      navigator.getGamepads = () => [window.testPad];
    });
    await page.click('[data-test="capture-Cross"]');
    await page.evaluate(() => { window.testPad.buttons[3] = { pressed: true, value: 1 }; });
    await until(async () => (await page.inputValue(binding('Cross'))) === 'Keyboard/Down;SDL-0/FaceNorth',
      { what: 'the captured pad button' });

    await page.click('[data-test="controls-save"]');
    await until(async () => /^Saved/.test(await page.innerText('[data-test="controls-status"]')), { what: 'the save' });
    const lines = readIni(launcher.folder).split('\r\n');
    for (const line of ['Triangle=Keyboard/K;SDL-0/FaceNorth', 'Cross=Keyboard/Down;SDL-0/FaceNorth', 'L2=Keyboard/1;SDL-0/+LeftTrigger', 'RLeft=SDL-0/-RightX',
      'AxisScale=2', 'SmallMotor=SDL-0/SmallMotor']) {
      assert.ok(lines.includes(line), `myr.ini holds ${line}`);
    }
    assert.equal(lines.filter((line) => line.startsWith('L2=')).length, 1);
    assert.equal(await page.locator('[data-test="controls-rejected"]').count(), 0);
  } finally {
    await launcher.stop();
  }
});

test('ZEVR_PAD1 in the environment locks the bindings', async () => {
  const launcher = new Launcher({ page: 'player', game: true, environment: { ZEVR_PAD1: 'Keyboard' } });
  try {
    const page = await launcher.attach();
    await openSection(page, 'controls');
    assert.match(await page.innerText('[data-test="controls-locked"]'), /ZEVR_PAD1/);
    assert.equal(await page.isDisabled(binding('Cross')), true);
    assert.equal(await page.isDisabled('[data-test="capture-Cross"]'), true);
    assert.equal(await page.isDisabled('[data-test="controls-save"]'), true);
    assert.equal(readIni(launcher.folder), null);
  } finally {
    await launcher.stop();
  }
});
