// The ways a picture of the page can leave Chromium, timed from a change of the page until the
// picture arrives over the protocol, with their sizes and how far their pixels are from the page's
// (lossless PNG as the reference). Also draws a crop of each at 100 % side by side.
//   node bench/frames/formats.mjs [changes] [WIDTHxHEIGHT] [picture.png]
// Chromium runs headless here without Wine, as the launcher starts it; the page is page.html
// with the launcher's stylesheet (1024 x 700 unless told), changed by a key press sent over the
// protocol, as the launcher forwards the player's keys.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../../tests/e2e/package.json'));
const { chromium } = require('playwright-core');

// An even number, so that every way ends on the same picture of the page.
const changes = 2 * Math.ceil(Number(process.argv[2] ?? 20) / 2);
const [width, height] = (process.argv[3] ?? '1024x700').split('x').map(Number);
const picture = process.argv[4];
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-frames-'));
fs.copyFileSync(path.join(here, 'page.html'), path.join(folder, 'index.html'));
fs.copyFileSync(path.join(here, '../../launcher-ui/styles.css'), path.join(folder, 'styles.css'));

const ways = [
  { name: 'screencast PNG', screencast: { format: 'png' } },
  { name: 'screencast JPEG q100', screencast: { format: 'jpeg', quality: 100 } },
  { name: 'screenshot PNG', shot: { format: 'png' } },
  { name: 'screenshot PNG, optimizeForSpeed', shot: { format: 'png', optimizeForSpeed: true } },
  { name: 'screenshot WebP q100', shot: { format: 'webp', quality: 100 } },
  { name: 'screenshot WebP q100, optimizeForSpeed', shot: { format: 'webp', quality: 100, optimizeForSpeed: true } },
  { name: 'screenshot JPEG q100, optimizeForSpeed', shot: { format: 'jpeg', quality: 100, optimizeForSpeed: true } },
];

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const browser = await chromium.launch({ executablePath: '/usr/lib/chromium/chromium', args: ['--no-sandbox', ...(process.env.MYR_BROWSER_ARGS ?? '').split(' ').filter(Boolean)] });
const page = await browser.newPage({ viewport: { width, height } });
await page.goto(`file://${folder}/index.html`);
const session = await page.context().newCDPSession(page);
const toggle = async () => {
  await session.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', key: 'a', code: 'KeyA', windowsVirtualKeyCode: 65 });
  await session.send('Input.dispatchKeyEvent', { type: 'keyUp', key: 'a', code: 'KeyA', windowsVirtualKeyCode: 65 });
};

// Resolves with the next screencast frame's data, acknowledging every frame.
let nextFrame = null;
session.on('Page.screencastFrame', ({ data, sessionId }) => {
  session.send('Page.screencastFrameAck', { sessionId }).catch(() => {});
  if (nextFrame) {
    const resolve = nextFrame;
    nextFrame = null;
    resolve(data);
  }
});
const frame = () => new Promise((resolve) => { nextFrame = resolve; });

async function changeToPicture(way) {
  await new Promise((r) => setTimeout(r, 50)); // the page is at rest
  const started = performance.now();
  let data;
  if (way.screencast) {
    const arrived = frame();
    await toggle();
    data = await arrived;
  } else {
    await toggle();
    data = (await session.send('Page.captureScreenshot', way.shot)).data;
  }
  return { ms: performance.now() - started, data };
}

const results = [];
for (const way of ways) {
  if (way.screencast) {
    const first = frame();
    await session.send('Page.startScreencast', { ...way.screencast, maxWidth: 8192, maxHeight: 8192 });
    await first;
  }
  const runs = [];
  for (let i = 0; i < changes; i++) runs.push(await changeToPicture(way));
  if (way.screencast) await session.send('Page.stopScreencast');
  const last = runs[runs.length - 1].data;
  results.push({ way, ms: median(runs.map((r) => r.ms)), min: Math.min(...runs.map((r) => r.ms)),
    kib: median(runs.map((r) => r.data.length * 3 / 4 / 1024)), data: last,
    mime: way.screencast?.format === 'jpeg' || way.shot?.format === 'jpeg' ? 'image/jpeg'
      : way.shot?.format === 'webp' ? 'image/webp' : 'image/png' });
}

// Every picture against the lossless one, in a page of its own: largest channel difference and
// how many pixels differ at all.
const reference = results.find((r) => r.way.name === 'screenshot PNG');
const compare = await browser.newPage({ viewport: { width: 1200, height: 800 } });
await compare.setContent('<body style="margin:0;background:#fff"></body>');
for (const result of results) {
  Object.assign(result, await compare.evaluate(async ([a, b]) => {
    const pixels = async (url) => {
      const image = new Image();
      image.src = url;
      await image.decode();
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height).data;
    };
    const [x, y] = await Promise.all([pixels(a), pixels(b)]);
    let largest = 0;
    let differing = 0;
    for (let i = 0; i < x.length; i += 4) {
      const d = Math.max(Math.abs(x[i] - y[i]), Math.abs(x[i + 1] - y[i + 1]), Math.abs(x[i + 2] - y[i + 2]));
      largest = Math.max(largest, d);
      if (d) differing++;
    }
    return { largest, differing };
  }, [`data:${result.mime};base64,${result.data}`, `data:image/png;base64,${reference.data}`]));
}

for (const r of results) {
  console.log(`${r.way.name}: change to picture median ${r.ms.toFixed(1)} ms (min ${r.min.toFixed(1)}), ` +
    `${r.kib.toFixed(0)} KiB, largest difference ${r.largest}, ${r.differing} pixels differ`);
}

// A crop of the text at 100 % from each picture, side by side, saved as a lossless PNG.
if (picture) {
  const crop = { x: 236, y: 178, width: 330, height: 122 };
  const cells = results.map((r) => `<figure style="margin:4px;width:${crop.width}px"><div style="width:${crop.width}px;height:${crop.height}px;` +
    `overflow:hidden;position:relative;flex:none"><img src="data:${r.mime};base64,${r.data}" style="position:absolute;` +
    `left:${-crop.x}px;top:${-crop.y}px"></div><figcaption style="font:12px sans-serif;padding-top:3px">${r.way.name}: ` +
    `${r.kib.toFixed(0)} KiB, largest difference ${r.largest}</figcaption></figure>`).join('');
  await compare.setContent(`<body style="margin:0;background:#fff"><div id="all" style="display:flex;flex-wrap:wrap;` +
    `width:${(crop.width + 8) * 2}px">${cells}</div></body>`);
  await compare.locator('#all').screenshot({ path: picture });
}
await browser.close();
fs.rmSync(folder, { recursive: true });
