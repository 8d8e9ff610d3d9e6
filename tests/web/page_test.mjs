// The web page in headless Chromium (Debian's, driven by puppeteer-core), served from the web build's
// page folder by a small server of our own, which can also leave a data file out. Run by CTest in
// build-web (label web) with:
//   VELMORROW_PAGE_DIR  the page folder (build-web/page)
//   VELMORROW_NODE_DIR  where puppeteer-core is installed (build-web/node)
//   VELMORROW_CAPTURE   the desktop build's velmorrow-capture, whose frames the page's must match
//   VELMORROW_SHOTS     optional: a folder for the screenshots, to look at
// Figures (PSNR per clock, start-up time) are printed as lines starting with "figure:".
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

const pageDir = process.env.VELMORROW_PAGE_DIR;
const puppeteer = createRequire(path.join(process.env.VELMORROW_NODE_DIR, 'package.json'))('puppeteer-core');
const shots = process.env.VELMORROW_SHOTS || '';
// The frames before a clock are all drawn (about 25 to 80 ms each in headless Chromium on software
// WebGL), so the clocks compared by default come early; VELMORROW_WEB_CLOCKS=2000,20000,47000 reaches
// scene 3 (lines and points) in about four minutes.
const comparedClocks = (process.env.VELMORROW_WEB_CLOCKS || '2000,9000,16000').split(',').map(Number);

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm', '.json': 'application/json' };
let server;
let base;
let browser;
const leftOut = new Set(); // paths the server answers 404 for

before(async () => {
  server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://localhost');
    const relative = url.pathname === '/' ? 'index.html' : decodeURIComponent(url.pathname.slice(1));
    const file = path.join(pageDir, relative);
    if (leftOut.has(relative) || !file.startsWith(pageDir) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    protocolTimeout: 600000,
    args: ['--headless=new', '--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--autoplay-policy=no-user-gesture-required'],
  });
});

after(async () => {
  await browser?.close();
  server?.close();
});

async function openPage(query = '') {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  page.on('pageerror', (error) => console.log('page error: ' + error.message));
  await page.goto(base + query);
  return page;
}

const status = (page) => page.evaluate(() => window.velmorrow);
const waitForState = (page, states, timeout = 120000) =>
  page.waitForFunction((s) => s.includes(window.velmorrow.state), { timeout, polling: 100 }, states);

async function shoot(page, name) {
  if (shots) await page.screenshot({ path: path.join(shots, name + '.png') });
}

// The dialog as the page shows it: each control's kind, text, state, and which one has the focus.
const dialogControls = (page) =>
  page.evaluate(() =>
    [...document.querySelectorAll('.dialog-body > *')].map((e) => ({
      tag: e.tagName.toLowerCase(),
      text: e.tagName === 'SELECT' ? e.options[e.selectedIndex]?.text : e.textContent,
      checked: e.querySelector('input')?.checked,
      items: e.tagName === 'SELECT' ? [...e.options].map((o) => o.text) : undefined,
      focused: e === document.activeElement || e.contains(document.activeElement),
    })),
  );
const focusedText = async (page) => (await dialogControls(page)).find((c) => c.focused)?.text ?? null;
const checkOf = async (page, text) => (await dialogControls(page)).find((c) => c.text === text).checked;
const clickControl = (page, text) =>
  page.evaluate((t) => [...document.querySelectorAll('.dialog-body button, .dialog-body label')].find((e) => e.textContent === t).click(), text);

// RGBA pixels of a PNG, decoded by the browser.
async function pixels(png) {
  const page = await openPage('index.html?decode');
  const result = await page.evaluate(async (data) => {
    const bitmap = await createImageBitmap(await (await fetch('data:image/png;base64,' + data)).blob());
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const bytes = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let text = '';
    for (let i = 0; i < bytes.length; i += 32768) text += String.fromCharCode(...bytes.subarray(i, i + 32768));
    return { width: bitmap.width, height: bitmap.height, data: btoa(text) };
  }, Buffer.from(png).toString('base64'));
  await page.close();
  return { width: result.width, height: result.height, data: Buffer.from(result.data, 'base64') };
}

function psnr(a, b) {
  assert.equal(a.width, b.width);
  assert.equal(a.height, b.height);
  let sum = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    for (let c = 0; c < 3; ++c) sum += (a.data[i + c] - b.data[i + c]) ** 2;
  }
  const mse = sum / ((a.data.length / 4) * 3);
  return mse === 0 ? Infinity : 10 * Math.log10((255 * 255) / mse);
}

test('the dialog: its controls and defaults, and the keys and clicks of the desktop dialog', async () => {
  const page = await openPage();
  await waitForState(page, ['dialog']);
  await shoot(page, 'dialog');
  assert.equal(await page.evaluate(() => document.querySelector('.dialog-title span').textContent), 'Config');
  const controls = await dialogControls(page);
  assert.deepEqual(
    controls.map((c) => c.text),
    ['Go!', 'Cancel', '800 x 600', 'Fullscreen', 'True Color', 'Music', 'Resolution', 'Performance', 'Kelvane Inc. -  Velmorrow'],
  );
  assert.ok(controls[2].items.length > 1 && controls[2].items.includes('800 x 600'));
  assert.deepEqual(controls.slice(3, 6).map((c) => c.checked), [true, true, true]);
  assert.equal(await focusedText(page), null, 'no control has the focus when the dialog opens');

  // Tab walks the tab stops in template order and wraps; Shift+Tab goes back.
  const order = [];
  for (let i = 0; i < 7; ++i) {
    await page.keyboard.press('Tab');
    order.push(await focusedText(page));
  }
  assert.deepEqual(order, ['Go!', 'Cancel', '800 x 600', 'Fullscreen', 'True Color', 'Music', 'Go!']);
  await page.keyboard.down('Shift');
  await page.keyboard.press('Tab');
  await page.keyboard.up('Shift');
  assert.equal(await focusedText(page), 'Music');
  // Space toggles the focused check box; a click toggles another and gives it the focus.
  await page.keyboard.press('Space');
  await clickControl(page, 'True Color');
  assert.equal(await checkOf(page, 'Music'), false);
  assert.equal(await checkOf(page, 'True Color'), false);
  await page.keyboard.press('Space');
  assert.equal(await checkOf(page, 'True Color'), true);
  // Escape is Cancel: the program ends, and the page says so and offers to start again.
  await page.keyboard.press('Escape');
  await waitForState(page, ['cancelled']);
  assert.match(await page.evaluate(() => document.getElementById('report').textContent), /Cancelled.*Start again/s);
  await page.close();
});

test('Go! plays: the music from its first sample, the scenes on the audio clock, leaving fullscreen ends', async () => {
  const page = await openPage();
  await waitForState(page, ['dialog']);
  const goPressed = await page.evaluate(() => performance.now());
  await page.keyboard.press('Enter'); // Go!, the default button, with Fullscreen checked
  await waitForState(page, ['playing']);
  await page.waitForFunction(() => window.velmorrow.frames.length >= 40, { timeout: 60000, polling: 100 });
  const s = await status(page);
  await shoot(page, 'playing');
  console.log(`figure: Go! to the first demo frame ${(s.firstDemoFrameMs - goPressed).toFixed(0)} ms ` +
    `(page load to first frame ${(s.firstDemoFrameMs).toFixed(0)} ms with the dialog answered at once)`);
  const frames = s.frames.slice(5);
  assert.ok(frames.at(-1).audioClock > frames[0].audioClock + 200, 'the audio clock advances');
  // Each frame is drawn at the demo clock read as it started: within one frame of the audio clock.
  let worst = 0;
  for (let i = 1; i < frames.length; ++i) {
    const late = frames[i].audioClock - frames[i].demoClock;
    const frame = frames[i].at - frames[i - 1].at;
    assert.ok(late >= -1 && late <= frame + 1, `frame ${i}: demo clock ${frames[i].demoClock} vs audio ${frames[i].audioClock}`);
    assert.ok(frames[i].demoClock >= frames[i - 1].demoClock, 'the demo clock never runs backwards');
    worst = Math.max(worst, late);
  }
  console.log(`figure: demo clock behind the audio clock by at most ${worst.toFixed(1)} ms over ${frames.length} frames`);

  // The music as played starts with the music's first sample, as the desktop decoder (mpg123, gapless)
  // gives it: the same length, and the samples line up at offset 0.
  const played = await page.evaluate(() => ({ length: velmorrow.music.length, left: [...velmorrow.music.getChannelData(0).subarray(0, 40000)] }));
  const raw = execFileSync('mpg123', ['-q', '-s', path.join(pageDir, 'data', 'music.mp3')], { maxBuffer: 1 << 28 });
  const desktop = new Int16Array(raw.buffer, raw.byteOffset, raw.length / 2);
  assert.equal(played.length, desktop.length / 2, 'the music has the length its LAME tag gives');
  let best = { offset: null, error: Infinity };
  for (let offset = -1200; offset <= 1200; ++offset) {
    let error = 0;
    for (let i = 4000; i < 36000; i += 4) error += (played.left[i + offset] - desktop[2 * i] / 32768) ** 2;
    if (error < best.error) best = { offset, error };
  }
  assert.equal(best.offset, 0, 'the first sample is at 0 ms');

  // Leaving the page's fullscreen (the browser's Escape) ends the demo as Escape does.
  assert.ok(await page.evaluate(() => document.fullscreenElement !== null), 'Go! entered fullscreen');
  await page.evaluate(() => document.exitFullscreen());
  await waitForState(page, ['ended']);
  await page.close();
});

test('?at=MS: the frames match the desktop capture at the same clocks', async () => {
  const references = fs.mkdtempSync(path.join(os.tmpdir(), 'velmorrow-web-'));
  execFileSync(process.env.VELMORROW_CAPTURE, ['--data', path.join(pageDir, 'data'), '--at', comparedClocks.join(','),
    '--size', '800x600', '--out', references], { stdio: 'ignore' });
  const page = await openPage('index.html?at=' + comparedClocks.join(','));
  await waitForState(page, ['frame', 'report'], 600000);
  const shown = (await status(page)).shownFrames;
  await shoot(page, 'at');
  await page.close();
  for (const clock of comparedClocks) {
    const png = Buffer.from(shown[clock].split(',')[1], 'base64');
    if (shots) fs.writeFileSync(path.join(shots, `at-${clock}.png`), png);
    const reference = fs.readdirSync(references).find((name) => name.endsWith(String(clock).padStart(6, '0') + '.png'));
    const db = psnr(await pixels(png), await pixels(fs.readFileSync(path.join(references, reference))));
    console.log(`figure: ?at=${clock} against velmorrow-capture: ${db.toFixed(2)} dB PSNR`);
    assert.ok(db >= 30, `${clock} ms: ${db.toFixed(2)} dB`);
  }
  fs.rmSync(references, { recursive: true });
});

test('reports: a missing data/cloud.hwl is named; True Color off shows 16-bit colour; Escape ends', async () => {
  leftOut.add('data/cloud.hwl');
  let page = await openPage();
  await waitForState(page, ['dialog']);
  await clickControl(page, 'Fullscreen');
  await page.keyboard.press('Enter');
  await waitForState(page, ['report']);
  const report = await page.evaluate(() => document.getElementById('report').textContent);
  await shoot(page, 'missing-file');
  assert.match(report, /data\/cloud\.hwl/);
  leftOut.clear();
  await page.close();

  page = await openPage();
  await waitForState(page, ['dialog']);
  await clickControl(page, 'Fullscreen');
  await clickControl(page, 'True Color');
  await clickControl(page, 'Music');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.velmorrow.frames.length >= 30, { timeout: 60000, polling: 100 });
  const picture = await pixels(await page.screenshot({ type: 'png' }));
  await shoot(page, 'high-colour');
  await page.keyboard.press('Escape'); // ends the demo
  await waitForState(page, ['ended']);
  await page.close();
  const colours = new Set();
  for (let i = 0; i < picture.data.length; i += 4) {
    const [r, g, b] = picture.data.subarray(i, i + 3);
    colours.add((r << 16) | (g << 8) | b);
  }
  assert.ok(colours.size > 16 && colours.size <= 65536, `${colours.size} colours`);
  console.log(`figure: True Color off: ${colours.size} colours on the page`);
});
