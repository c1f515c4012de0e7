// A player's first start in the demo game folder, through the launcher's real window: one line
// per step with its time, a picture of the window after each, then a summary. Exits non-zero
// naming the step that failed. Run by scripts/run-demo.sh inside its Wine session.
//
//   node first_start.mjs <demo folder> <game folder> <disc image>
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { Launcher, browserProcesses, until } from '../../tests/e2e/launcher.js';
import {
  backUpSaves, dropImage, gameFilesReady, listedBackup, play, preparationSeen, stop, text, watchPreparation,
} from '../../tests/e2e/player.js';

const [demoFolder, gameFolder, image] = process.argv.slice(2).map((p) => path.resolve(p));
// What the stand-in game prints and the save it writes, as run-demo.sh tells it.
const save = process.env.STANDIN_WRITE_FILE.replaceAll('\\', '/');
const gameLines = Array.from({ length: Number(process.env.STANDIN_LINES) }, (_, n) => `line ${n}`);
const started = Date.now();
const seconds = (ms) => `${(ms / 1000).toFixed(1)} s`;
const relative = (file) => path.relative(process.cwd(), file) || '.';
const megabytes = (bytes) => `${(bytes / 1e6).toFixed(1)} MB`;
const pictures = [];
let launcher;
let page;
let stepNumber = 0;

async function step(slug, title, action) {
  stepNumber += 1;
  const number = String(stepNumber).padStart(2, '0');
  const begun = Date.now();
  try {
    const said = await action();
    const picture = path.join(demoFolder, `${number}-${slug}.png`);
    await launcher.picture(picture);
    pictures.push(picture);
    console.log(`${number}  ${seconds(Date.now() - started).padStart(7)}  (${seconds(Date.now() - begun)})  ${title}: ${said}`);
  } catch (error) {
    console.log(`${number}  ${seconds(Date.now() - started).padStart(7)}  FAILED: ${title}: ${error.message}`);
    if (page) await page.screenshot({ path: path.join(demoFolder, `${number}-${slug}-failed.png`) }).catch(() => {});
    error.step = `${number} ${title}`;
    throw error;
  }
}

function filesBelow(folder) {
  return fs.readdirSync(folder, { withFileTypes: true, recursive: true }).filter((e) => e.isFile())
    .map((e) => path.join(e.parentPath ?? e.path, e.name));
}

// Every file of the set against the digest its manifest.sha256 gives.
function verifiedSet(set) {
  const folder = path.join(gameFolder, 'backups', set);
  const lines = fs.readFileSync(path.join(folder, 'manifest.sha256'), 'utf8').split('\n').filter(Boolean);
  return lines.map((line) => {
    const [, digest, file] = /^([0-9a-f]{64}) {2}(.+)$/.exec(line);
    const actual = crypto.createHash('sha256').update(fs.readFileSync(path.join(folder, ...file.split('/')))).digest('hex');
    if (actual !== digest) throw new Error(`${file} in backups/${set} does not match its manifest`);
    return file;
  });
}

async function firstStart() {
  const facts = {};
  await step('window-opens', "The launcher's window opens on the Play page", async () => {
    launcher = new Launcher({ folder: gameFolder, page: 'player' });
    page = await launcher.attach();
    const window = await launcher.window();
    return `${window.width}×${window.height}, "${await text(page, 'play-disc-status')}" (${await text(page, 'play-disc-badge')})`;
  });

  await step('image-dropped', 'The demo disc image is dropped onto the window', async () => {
    await watchPreparation(page);
    return `"${await dropImage(launcher, page, image)}"`;
  });

  await step('files-prepared', "The game's files are prepared", async () => {
    await gameFilesReady(page);
    const seen = await preparationSeen(page);
    const files = filesBelow(path.join(gameFolder, 'disc'));
    facts.prepared = { count: files.length, bytes: files.reduce((sum, f) => sum + fs.statSync(f).size, 0) };
    return `the bar showed ${seen.map((p) => `${p}%`).join(' → ') || 'no step'}, then "${await text(page, 'play-disc-badge')}"; `
      + `${facts.prepared.count} files, ${megabytes(facts.prepared.bytes)} in ${relative(path.join(gameFolder, 'disc'))}`;
  });

  await step('game-running', 'Play starts the stand-in game and its lines reach the log', async () => {
    const rows = await play(launcher, page, gameLines);
    return `"${await text(page, 'play-running')}", ${rows.length} log lines, the last "${rows.at(-1)}"`;
  });

  await step('game-stopped', 'Stop ends the game and the launcher explains the run', async () => {
    facts.run = await stop(launcher, page);
    const { message, code, detail, seconds: ran } = facts.run;
    return `"${message}" ${code}, ${ran}${detail ? `; the game's last error: "${detail}"` : ''}`;
  });

  await step('saves-backed-up', 'The Saves page backs up the save the game wrote', async () => {
    if (!fs.existsSync(path.join(gameFolder, ...save.split('/')))) throw new Error(`the game wrote no ${save}`);
    facts.backup = await backUpSaves(launcher, page);
    facts.verified = verifiedSet(facts.backup.set);
    return `"${facts.backup.status}"`;
  });

  await step('backup-listed', 'The Saves page lists the backup', async () => {
    const entry = await listedBackup(page, facts.backup.set);
    return `"${entry.replace(/\s*\n\s*/g, ' | ')}"`;
  });
  return facts;
}

// The player closes the window; the launcher, its browser and the game must all be gone.
async function closeLauncher() {
  await launcher.detach();
  await launcher.closeWindow();
  await until(() => !launcher.running, { timeout: 15000, what: 'the launcher to end' });
  const code = await launcher.exited;
  await until(() => browserProcesses().length === 0, { timeout: 10000, what: 'the browser to end with the launcher' });
  return code;
}

let status = 0;
try {
  const facts = await firstStart();
  const code = await closeLauncher();
  console.log(`    ${seconds(Date.now() - started).padStart(7)}  The window is closed: the launcher ended with ${code}, its browser with it.`);
  const set = `backups/${facts.backup.set}`;
  console.log('\nSummary');
  console.log(`  Game files prepared: ${facts.prepared.count} files, ${megabytes(facts.prepared.bytes)}, in ${relative(path.join(gameFolder, 'disc'))}`);
  console.log(`  The game ran ${facts.run.seconds.replace(/^ran /, '')}: ${facts.run.message} ${facts.run.code}`);
  console.log(`  Backup set ${set}: ${facts.verified.length} ${facts.verified.length === 1 ? 'file' : 'files'} verified against its manifest.sha256 (${facts.verified.join(', ')})`);
  console.log(`  Pictures of the window after each step: ${relative(demoFolder)}/ (${pictures.map((p) => path.basename(p)).join(', ')})`);
  console.log(`  The demo took ${seconds(Date.now() - started)}.`);
} catch (error) {
  console.log(`\nThe demo stopped at step ${error.step ?? '(closing the launcher)'}: ${error.message}`);
  // Chromium's complaints about the missing system bus say nothing here.
  const output = (launcher?.output ?? '').split('\n').filter((line) => line.trim() && !/:ERROR:dbus\//.test(line));
  if (output.length) console.log(`The end of the launcher's output:\n${output.slice(-20).join('\n')}`);
  status = 1;
} finally {
  await launcher?.stop();
}
process.exit(status);
