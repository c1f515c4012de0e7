// The picture script: each section asked for comes out as a PNG in both themes, the dark one dark.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { after, test } from 'node:test';
import { pictureDifference } from './launcher.js';

const script = fileURLToPath(new URL('../../scripts/page-pictures.sh', import.meta.url));
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-pictures-'));
after(() => fs.rmSync(folder, { recursive: true, force: true }));

const brightness = (file) => Number(execFileSync('convert', [file, '-colorspace', 'Gray', '-format', '%[fx:mean]', 'info:'],
  { encoding: 'utf8' }));

test('pictures of two sections in both themes, each showing its own section', () => {
  execFileSync(script, [folder, 'play', 'maintenance'], { stdio: 'ignore', timeout: 240000 });
  const signature = Buffer.from([0x89, 0x50, 0x4e, 0x47]);
  for (const section of ['play', 'maintenance']) {
    const [light, dark] = ['light', 'dark'].map((theme) => path.join(folder, `${section}-${theme}.png`));
    for (const file of [light, dark]) assert.deepEqual(fs.readFileSync(file).subarray(0, 4), signature, file);
    assert.ok(brightness(light) > 0.7 && brightness(dark) < 0.3, `${section}: ${brightness(light)} / ${brightness(dark)}`);
  }
  assert.ok(pictureDifference(path.join(folder, 'play-light.png'), path.join(folder, 'maintenance-light.png')) > 0.02);
});
