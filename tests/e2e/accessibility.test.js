// What the page owes players who read it closely, use the keyboard or ask for less motion: text
// that stands out from what is behind it in both themes, a name on every control, visible focus.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { Launcher, demoImage, windowsPath } from './launcher.js';
import { openSection, writeIni } from './fixtures/page.js';
import { png, writeBlankCard, writePortSave, writeState } from './fixtures/saves.js';

const sections = ['play', 'settings', 'controls', 'saves', 'maintenance'];

// Two launchers between them show every kind of text: one ready with saves, a locked setting and a
// refused one; one without a disc, where the page explains what is missing.
const setups = [
  {
    name: 'ready, with saves',
    environment: { MYR_ISO: windowsPath(demoImage), ZEVR_ASPECT: 'stretch' },
    prepare: (folder) => {
      writeIni(folder, ['[Display]', 'Scale=Auto']);
      writeBlankCard(folder, 1);
      writePortSave(folder, 1, { bytes: Buffer.from('a save'), picture: png(64, 48, [40, 120, 90]),
        sidecar: { place: 'Harbour of Lune', play_time_seconds: 7384, quil: 1250, party: [{ name: 'Ayla', level: 12 }] } });
      writeState(folder, 'quick.state', Buffer.from('state'));
    },
  },
  { name: 'without a disc', environment: { MYR_ISO: '' } },
];

// Runs in the page. Colours are composed as the browser paints them: each element's background
// over what is behind it, opacity mixing a whole element with what is behind it. Text over a
// picture (the game's art) has no single background colour and is left out.
function lowContrastTexts() {
  const parse = (text) => {
    const [r, g, b, a = 1] = text.match(/[\d.]+/g).map(Number);
    return { r, g, b, a };
  };
  const over = (top, below) => ({
    r: top.r * top.a + below.r * (1 - top.a), g: top.g * top.a + below.g * (1 - top.a),
    b: top.b * top.a + below.b * (1 - top.a), a: 1,
  });
  const mix = (inner, behind, opacity) => over({ ...inner, a: opacity }, behind);
  const luminance = ({ r, g, b }) => {
    const linear = (c) => ((c /= 255) <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4);
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
  };
  const ratio = (x, y) => {
    const [light, dark] = [luminance(x), luminance(y)].sort((p, q) => q - p);
    return (light + 0.05) / (dark + 0.05);
  };
  const chainOf = (element) => {
    const chain = [];
    for (let e = element; e; e = e.parentElement) chain.unshift(e);
    // An open modal dialog is painted above everything, not over its parents.
    const dialog = chain.findIndex((e) => e.tagName === 'DIALOG');
    return dialog >= 0 ? chain.slice(dialog) : chain;
  };
  const paint = (chain, index, behind, text) => {
    const style = getComputedStyle(chain[index]);
    const here = over(parse(style.backgroundColor), behind);
    const inner = index === chain.length - 1
      ? (text ? over(parse(style.color), here) : here)
      : paint(chain, index + 1, here, text);
    return mix(inner, behind, Number(style.opacity));
  };
  const canvas = getComputedStyle(document.documentElement).colorScheme === 'dark'
    ? { r: 18, g: 18, b: 18, a: 1 } : { r: 255, g: 255, b: 255, a: 1 };
  const shown = (e) => e.getClientRects().length > 0 && getComputedStyle(e).visibility === 'visible';
  // Controls that cannot be used now need not stand out.
  const inactive = (e) => e.closest(':disabled, [aria-disabled="true"]') !== null;
  const overPicture = (chain) => chain.some((e) => getComputedStyle(e).backgroundImage.includes('url('));
  const hasOwnText = (e) => [...e.childNodes].some((n) => n.nodeType === Node.TEXT_NODE && n.textContent.trim());

  const found = [];
  for (const element of document.body.querySelectorAll('*')) {
    const isField = element.matches('input:not([type=checkbox]):not([type=radio]):not([type=range]), select, textarea');
    if (!(isField || hasOwnText(element)) || !shown(element) || inactive(element)) continue;
    const chain = chainOf(element);
    if (overPicture(chain)) continue;
    const contrast = ratio(paint(chain, 0, canvas, true), paint(chain, 0, canvas, false));
    if (contrast < 4.5) {
      const text = (isField ? element.value : element.textContent).trim().slice(0, 40);
      found.push(`${element.tagName.toLowerCase()}.${element.className} "${text}": ${contrast.toFixed(2)}`);
    }
  }
  return found;
}

// Runs in the page: controls a screen reader could only call "button" or "edit".
function unnamedControls() {
  const named = (e) => (e.labels?.length > 0 && [...e.labels].some((l) => l.textContent.trim()))
    || e.getAttribute('aria-label')?.trim() || e.getAttribute('aria-labelledby') || e.title?.trim()
    || (e.matches('button, [role=button], [role=tab], a, summary') && e.textContent.trim());
  return [...document.querySelectorAll('button, input, select, textarea, [role=tab], [role=button], a[href], summary')]
    .filter((e) => e.getClientRects().length > 0 && e.type !== 'hidden' && !named(e))
    .map((e) => e.outerHTML.slice(0, 80));
}

// Runs in the page: the focused element's outline, or nothing when focus is not shown.
function focusRing() {
  const e = document.activeElement;
  if (!e || e === document.body) return null;
  const style = getComputedStyle(e);
  const width = parseFloat(style.outlineWidth);
  return { what: e.dataset.test ?? e.outerHTML.slice(0, 60), shown: style.outlineStyle !== 'none' && width >= 2 };
}

for (const setup of setups) {
  test(`text stands out, controls are named and focus shows in both themes: ${setup.name}`, async () => {
    const launcher = new Launcher({ page: 'player', environment: setup.environment, prepare: setup.prepare });
    try {
      const page = await launcher.attach();
      for (const colorScheme of ['light', 'dark']) {
        await page.emulateMedia({ colorScheme });
        // The page hears of the change a moment later.
        await page.waitForFunction((theme) => document.documentElement.dataset.theme === theme, colorScheme);
        for (const section of sections) {
          await openSection(page, section);
          await page.locator(`#section-${section}[data-loaded="true"], #section-${section}:not([data-loaded])`).waitFor();
          const where = `${section}, ${colorScheme}`;
          assert.deepEqual(await page.evaluate(lowContrastTexts), [], `contrast below 4.5:1 in ${where}`);
          assert.deepEqual(await page.evaluate(unnamedControls), [], `controls without a name in ${where}`);

          await page.focus(`[data-test="tab-${section}"]`);
          for (let step = 0; step < 6; step += 1) {
            await page.keyboard.press('Tab');
            const ring = await page.evaluate(focusRing);
            if (ring) assert.ok(ring.shown, `focus not shown on ${ring.what} in ${where}`);
          }
        }
      }
    } finally {
      await launcher.stop();
    }
  });
}

test('asking for less motion stops every transition and animation', async () => {
  const launcher = new Launcher({ page: 'player', environment: { MYR_ISO: windowsPath(demoImage) } });
  try {
    const page = await launcher.attach();
    await page.emulateMedia({ reducedMotion: 'reduce' });
    const moving = await page.evaluate(() => [...document.querySelectorAll('*')].filter((e) => {
      const style = getComputedStyle(e);
      const longest = (list) => Math.max(...list.split(',').map((t) => parseFloat(t)));
      return longest(style.transitionDuration) > 0 || (style.animationName !== 'none' && longest(style.animationDuration) > 0);
    }).map((e) => e.className));
    assert.deepEqual(moving, []);
  } finally {
    await launcher.stop();
  }
});
