// What the Settings page offers and what the launcher accepts, held together: every choice of
// every select, both ends of every range and both states of every switch are saved through the
// page's own Save, accepted by "saveSettings", written to myr.ini and shown again from it.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { Launcher, until } from './launcher.js';
import { openSection, readIni } from './fixtures/page.js';

// myr.ini as "Section.Key" → value.
function iniValues(text) {
  const values = {};
  let section = '';
  for (const line of (text ?? '').split(/\r?\n/)) {
    const header = /^\[(.+)\]$/.exec(line);
    if (header) section = header[1];
    const entry = /^([^;=]+)=(.*)$/.exec(line);
    if (entry && section) values[`${section}.${entry[1]}`] = entry[2];
  }
  return values;
}

const idOf = (testName) => testName.replace(/^setting-input-/, '').replace(/-auto$/, '');

test('every choice the Settings page offers is accepted by the launcher and written to myr.ini', async () => {
  const launcher = new Launcher({ page: 'player' });
  try {
    const page = await launcher.attach();
    await openSection(page, 'settings');
    // What the page offers, read from the page itself.
    const offered = await page.evaluate(() => {
      const section = document.getElementById('section-settings');
      const editable = (e) => !e.disabled;
      return {
        selects: [...section.querySelectorAll('select[data-test^="setting-input-"]')].filter(editable)
          .map((s) => ({ test: s.dataset.test, values: [...s.options].map((o) => o.value), current: s.value })),
        ranges: [...section.querySelectorAll('input[type=range][data-test^="setting-input-"]')]
          .map((r) => ({ test: r.dataset.test, ends: [r.min, r.max], auto: `${r.dataset.test}-auto` })),
        switches: [...section.querySelectorAll('input[type=checkbox][role=switch][data-test^="setting-input-"]')].filter(editable)
          .map((c) => c.dataset.test),
      };
    });
    assert.ok(offered.selects.length >= 12 && offered.ranges.length >= 1 && offered.switches.length >= 5, JSON.stringify(offered));

    // Each round moves every select on to its next choice, so that every choice is sent as a
    // change; the range goes to each end and then to "auto"; the switches flip.
    const rounds = Math.max(...offered.selects.map((s) => s.values.length), offered.ranges.length ? 3 : 0, 2);
    const seen = new Map(); // setting → values the launcher accepted
    for (let round = 0; round < rounds; round += 1) {
      const expected = {};
      for (const select of offered.selects) {
        const start = select.values.indexOf(select.current) + 1;
        const value = select.values[(start + round) % select.values.length];
        await page.selectOption(`[data-test="${select.test}"]`, value);
        expected[idOf(select.test)] = value;
      }
      for (const range of offered.ranges) {
        if (round < 2) {
          await page.uncheck(`[data-test="${range.auto}"]`);
          await page.fill(`[data-test="${range.test}"]`, range.ends[round]);
          expected[idOf(range.test)] = range.ends[round];
        } else if (round === 2) {
          await page.check(`[data-test="${range.auto}"]`);
          expected[idOf(range.test)] = 'auto';
        }
      }
      for (const name of offered.switches) {
        const on = !(await page.isChecked(`[data-test="${name}"]`));
        await page.setChecked(`[data-test="${name}"]`, on);
        expected[idOf(name)] = on ? '1' : '0';
      }

      await page.click('[data-test="settings-save"]');
      await until(async () => /^(Saved|Not saved)/.test(await page.innerText('[data-test="settings-status"]')),
        { what: `the save of round ${round + 1}` });
      const status = await page.innerText('[data-test="settings-status"]');
      assert.match(status, /^Saved \d+ settings? to myr\.ini\./,
        `round ${round + 1}: ${await page.innerText('[data-test="settings-messages"]')}\n${JSON.stringify(expected)}`);

      const written = iniValues(readIni(launcher.folder));
      for (const [id, value] of Object.entries(expected)) {
        // The first save switches fast loading on once, whatever the page sent.
        if (id === 'Game.FastLoad' && round === 0) continue;
        assert.equal(written[id], value, `round ${round + 1}: myr.ini's ${id}`);
        if (!seen.has(id)) seen.set(id, new Set());
        seen.get(id).add(value);
      }
      // Drawn again from the launcher's reading of the file.
      for (const select of offered.selects) {
        assert.equal(await page.inputValue(`[data-test="${select.test}"]`), expected[idOf(select.test)]);
      }
      assert.equal(await page.getAttribute('#section-settings', 'data-dirty'), 'false');
      await until(async () => (await page.locator('[data-test="settings-rejected"]').count()) === 0,
        { what: 'no refused values' });
    }

    for (const select of offered.selects) {
      assert.deepEqual([...seen.get(idOf(select.test))].sort(), [...select.values].sort(), `every choice of ${select.test}`);
    }
    for (const range of offered.ranges) {
      assert.deepEqual([...seen.get(idOf(range.test))].sort(), [...range.ends, 'auto'].sort(), `both ends of ${range.test}`);
    }
  } finally {
    await launcher.stop();
  }
});
