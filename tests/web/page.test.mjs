// The page in Debian's Chromium, headless, as a visitor meets it: a fresh
// browser profile for each case, the page served from the build's site folder.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { chromium } from "playwright-core";
import { PNG } from "pngjs";
import { serveSite } from "./site_server.mjs";

const SITE = process.env.VELMORA_SITE;
const RENDER = process.env.VELMORA_RENDER;
const CHROMIUM = process.env.VELMORA_CHROMIUM || "/usr/bin/chromium";
const WIDTH = 640, HEIGHT = 400;

let site, browser;

before(async () => {
  assert.ok(SITE && RENDER, "VELMORA_SITE and VELMORA_RENDER name the page's folder and velmora-render");
  site = await serveSite(SITE);
  browser = await chromium.launch({ executablePath: CHROMIUM, args: ["--no-sandbox"] });
});

after(async () => {
  await browser?.close();
  site?.close();
});

// A page in a new profile, with every console error and uncaught exception kept.
async function openPage(query = "") {
  const context = await browser.newContext({ viewport: { width: WIDTH, height: HEIGHT } });
  const page = await context.newPage();
  const problems = [];
  page.on("console", (m) => { if (m.type() === "error") problems.push(m.text()); });
  page.on("pageerror", (e) => problems.push(e.message));
  await page.goto(site.url + query);
  return { context, page, problems };
}

// The canvas as RGBA bytes.
async function canvasPixels(page) {
  const url = await page.evaluate(() => document.getElementById("screen").toDataURL("image/png"));
  return PNG.sync.read(Buffer.from(url.slice(url.indexOf(",") + 1), "base64"));
}

function distinctColors(png) {
  const seen = new Set();
  for (let i = 0; i < png.data.length; i += 4) seen.add(png.data.readUInt32BE(i));
  return seen;
}

// The saver has shown its first picture once the display changed at all.
async function firstPicture(page) {
  await page.waitForFunction(() => VelmoraPage.displayChanges > 0, null, { timeout: 20000 });
  await page.waitForTimeout(200);
}

test("the page shows plasma pictures, never a black screen, without console errors", async () => {
  const { context, page, problems } = await openPage("?time-on-screen=1");
  await firstPicture(page);
  // Across the change to the next picture every look finds a picture of many colours.
  for (let look = 0; look < 10; look++) {
    const png = await canvasPixels(page);
    assert.equal(png.width, WIDTH);
    assert.equal(png.height, HEIGHT);
    const colours = distinctColors(png).size;
    assert.ok(colours > 50, `look ${look}: only ${colours} colours`);
    await page.waitForTimeout(250);
  }
  // The address now reproduces this start.
  assert.match(await page.evaluate(() => location.search), /^\?time=\d+&ms=\d+&time-on-screen=1&/);
  assert.deepEqual(problems, []);
  await context.close();
});

test("with psychedelic colours the picture changes from moment to moment", async () => {
  const { context, page, problems } = await openPage("?psychedelic-colors=1&cycle-delay=10&time-on-screen=0");
  await firstPicture(page);
  const first = await canvasPixels(page);
  await page.waitForTimeout(300);
  const second = await canvasPixels(page);
  let changed = 0;
  for (let i = 0; i < first.data.length; i += 4) changed += first.data.readUInt32BE(i) !== second.data.readUInt32BE(i);
  assert.ok(changed > first.data.length / 4 / 2, `only ${changed} pixels changed`);
  assert.deepEqual(problems, []);
  await context.close();
});

test("a link with seed and time shows velmora-render's picture, pixel for pixel", async () => {
  const folder = mkdtempSync(join(tmpdir(), "velmora-web-"));
  try {
    for (const [time, ms] of [[1700000000, 417], [1234567890, 0]]) {
      const { context, page, problems } = await openPage(`?time=${time}&ms=${ms}&time-on-screen=0`);
      await firstPicture(page);
      const shown = await canvasPixels(page);
      execFileSync(RENDER, ["--width", String(WIDTH), "--height", String(HEIGHT), "--ms", String(ms),
        "--time", String(time), "--out", join(folder, "render")]);
      const rendered = PNG.sync.read(readFileSync(join(folder, "render-0.png")));
      let different = 0;
      for (let i = 0; i < shown.data.length; i += 4)
        different += shown.data[i] !== rendered.data[i] || shown.data[i + 1] !== rendered.data[i + 1] ||
          shown.data[i + 2] !== rendered.data[i + 2];
      assert.equal(different, 0, `${different} pixels differ for time ${time}, ms ${ms}`);
      assert.deepEqual(problems, []);
      await context.close();
    }
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});

test("a setting changed in the panel restarts the saver with it and survives a reload", async () => {
  const { context, page, problems } = await openPage();
  await firstPicture(page);
  const startedAt = await page.evaluate(() => location.search);
  assert.match(startedAt, /&time-on-screen=3&/);
  await page.click("#show-settings");
  await page.fill("#setting-time-on-screen", "17");
  await page.press("#setting-time-on-screen", "Enter");
  await page.waitForFunction(() => location.search.includes("&time-on-screen=17&"), null, { timeout: 20000 });
  const stored = await page.evaluate(() => localStorage.getItem("velmora/control.ini"));
  assert.match(stored, /^TimeOnScreen=17$/m, "the browser keeps the settings file's own text");
  // A bare address reads what the browser kept.
  await page.goto(site.url);
  await firstPicture(page);
  assert.equal(await page.inputValue("#setting-time-on-screen"), "17");
  assert.match(await page.evaluate(() => location.search), /&time-on-screen=17&/);
  assert.deepEqual(problems, []);
  await context.close();
});

test("in full screen the saver ends on input as on Windows, and the page goes on", async () => {
  const { context, page, problems } = await openPage("?time-on-screen=0");
  await firstPicture(page);
  await page.mouse.move(100, 100);
  await page.click("#full-screen");
  await page.waitForFunction(() => document.fullscreenElement != null, null, { timeout: 10000 });
  const fullScreenStart = await page.waitForFunction(
    () => VelmoraPage.starts > 1 && document.fullscreenElement != null && VelmoraPage.inputTaken, null,
    { timeout: 20000 });
  assert.ok(fullScreenStart);
  const starts = await page.evaluate(() => VelmoraPage.starts);
  // A small move is no reason to end; a long one is.
  await page.mouse.move(101, 101);
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => document.fullscreenElement != null), true);
  await page.mouse.move(300, 250, { steps: 5 });
  await page.waitForFunction((before) => document.fullscreenElement == null && VelmoraPage.starts > before,
    starts, { timeout: 20000 });
  assert.equal(await page.evaluate(() => VelmoraPage.inputTaken), false, "back on the page, input is the page's");
  assert.deepEqual(problems, []);
  await context.close();
});
