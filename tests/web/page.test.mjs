// The page in Debian's Chromium, headless, as a visitor meets it: a fresh
// browser profile for each case, the page served from the build's site folder.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { launchChromium, openTab } from "./chromium.mjs";
import { serveSite } from "./site_server.mjs";

const SITE = process.env.VELMORA_SITE;
const RENDER = process.env.VELMORA_RENDER;
const CHROMIUM = process.env.VELMORA_CHROMIUM || "/usr/bin/chromium";
const WIDTH = 640, HEIGHT = 400;
// Each case fails after this long instead of holding the test command for good.
const LIMIT = { timeout: 120000 };

let site, browser;

before(async () => {
  assert.ok(SITE && RENDER, "VELMORA_SITE and VELMORA_RENDER name the page's folder and velmora-render");
  site = await serveSite(SITE);
  browser = await launchChromium(CHROMIUM);
});

after(async () => {
  await browser?.close();
  site?.close();
});

async function openPage(query = "") {
  const tab = await openTab(browser, WIDTH, HEIGHT);
  await tab.go(site.url + query);
  return tab;
}

// The saver has shown its first picture once the display changed at all.
async function firstPicture(tab) {
  await tab.waitFor("VelmoraPage.displayChanges > 0");
  await new Promise((r) => setTimeout(r, 200));
}

// Looks at the canvas inside the page (or at its bottom-right quarter): its
// size and how many colours it shows; with a name, it is also kept under that
// name for a later comparison.
function look(tab, keep = "", quarter = false) {
  return tab.evaluate(`(() => {
    const c = document.getElementById("screen");
    const [x, y] = ${quarter} ? [c.width >> 1, c.height >> 1] : [0, 0];
    const pixels = c.getContext("2d").getImageData(x, y, c.width - x, c.height - y).data;
    const colours = new Set(new Uint32Array(pixels.buffer));
    if (${JSON.stringify(keep)}) (window.kept ??= {})[${JSON.stringify(keep)}] = pixels;
    return { width: c.width, height: c.height, colours: colours.size };
  })()`);
}

// Pixels (RGB) that differ between a kept look and a PNG picture, decoded by the browser.
function differFromPicture(tab, keep, png) {
  return tab.evaluate(`(async () => {
    const bytes = Uint8Array.from(atob(${JSON.stringify(png.toString("base64"))}), (ch) => ch.charCodeAt(0));
    const image = await createImageBitmap(new Blob([bytes], { type: "image/png" }),
                                          { colorSpaceConversion: "none", premultiplyAlpha: "none" });
    const c = new OffscreenCanvas(image.width, image.height);
    const context = c.getContext("2d");
    context.drawImage(image, 0, 0);
    const picture = context.getImageData(0, 0, image.width, image.height).data, shown = window.kept[${JSON.stringify(keep)}];
    if (picture.length !== shown.length) return -1;
    let different = 0;
    for (let i = 0; i < shown.length; i += 4)
      different += shown[i] !== picture[i] || shown[i + 1] !== picture[i + 1] || shown[i + 2] !== picture[i + 2];
    return different;
  })()`);
}

// Pixels that differ between the kept look "shown" and velmora-render's first
// picture for the link's second and for the next one: the page's clock starts
// at the link's time, and a page slower to start than the rest of that second
// (on a busy machine) makes the next second's picture.
async function againstRender(tab, folder, width, height, time, ms) {
  const differences = [];
  for (const second of [time, time + 1]) {
    const out = join(folder, `render-${second}`);
    execFileSync(RENDER, ["--width", String(width), "--height", String(height), "--ms", String(ms),
      "--time", String(second), "--out", out]);
    differences.push(await differFromPicture(tab, "shown", readFileSync(`${out}-0.png`)));
  }
  return differences;
}

// A page of this address, and how many pixels its canvas changed over 300 ms after the first picture.
async function changeOverAMoment(query) {
  const tab = await openPage(query);
  await firstPicture(tab);
  await look(tab, "first");
  await new Promise((r) => setTimeout(r, 300));
  await look(tab, "second");
  return { tab, changed: await changedBetween(tab, "first", "second") };
}

function changedBetween(tab, a, b) {
  return tab.evaluate(`(() => {
    const x = new Uint32Array(window.kept.${a}.buffer), y = new Uint32Array(window.kept.${b}.buffer);
    let changed = 0;
    for (let i = 0; i < x.length; i++) changed += x[i] !== y[i];
    return changed;
  })()`);
}

test("the page shows plasma pictures, never a black screen, without console errors", LIMIT, async () => {
  const tab = await openPage("?time=1700000000&ms=417&time-on-screen=1");
  await firstPicture(tab);
  // Across the change to the next picture every look finds a picture of many colours.
  for (let n = 0; n < 10; n++) {
    const seen = await look(tab);
    assert.equal(seen.width, WIDTH);
    assert.equal(seen.height, HEIGHT);
    assert.ok(seen.colours > 50, `look ${n}: only ${seen.colours} colours`);
    await new Promise((r) => setTimeout(r, 250));
  }
  // The address now reproduces this start.
  assert.match(await tab.evaluate("location.search"), /^\?time=\d+&ms=\d+&time-on-screen=1&/);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("with psychedelic colours the picture changes from moment to moment", LIMIT, async () => {
  const { tab, changed } = await changeOverAMoment(
    "?time=1700000000&ms=417&psychedelic-colors=1&cycle-delay=10&time-on-screen=0");
  assert.ok(changed > WIDTH * HEIGHT / 10, `only ${changed} pixels changed`);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("a link with seed and time shows velmora-render's picture, pixel for pixel", LIMIT, async () => {
  const folder = mkdtempSync(join(tmpdir(), "velmora-web-"));
  try {
    for (const [time, ms] of [[1700000000, 417], [1234567890, 0]]) {
      const tab = await openPage(`?time=${time}&ms=${ms}&time-on-screen=1000&psychedelic-colors=0`);
      await firstPicture(tab);
      await new Promise((r) => setTimeout(r, 1000));  // the first picture drawn to its end
      await look(tab, "shown");
      const differences = await againstRender(tab, folder, WIDTH, HEIGHT, time, ms);
      assert.ok(differences.includes(0), `${differences.join(" and ")} pixels differ for time ${time}, ms ${ms}`);
      assert.deepEqual(tab.problems, []);
      await tab.close();
    }
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});

// At 3840x2160 a frame takes longer than the page's turn allows: it goes into
// the canvas's copy in pieces, with the page's turns between them.
test("a frame made in pieces at 3840x2160 is velmora-render's picture, pixel for pixel", LIMIT, async () => {
  const folder = mkdtempSync(join(tmpdir(), "velmora-web-"));
  try {
    const tab = await openTab(browser, 3840, 2160);
    // The first picture stays, in its own colours, once drawn (which takes a while here).
    await tab.go(site.url + "?time=1700000000&ms=0&time-on-screen=1000&psychedelic-colors=0");
    await firstPicture(tab);
    await new Promise((r) => setTimeout(r, 3000));
    const { width, height } = await look(tab, "shown");
    assert.deepEqual([width, height], [3840, 2160]);
    const differences = await againstRender(tab, folder, 3840, 2160, 1700000000, 0);
    assert.ok(differences.includes(0), `${differences.join(" and ")} pixels differ`);
    assert.deepEqual(tab.problems, []);
    await tab.close();
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});

test("a setting changed in the panel restarts the saver with it and survives a reload", LIMIT, async () => {
  const tab = await openPage();
  await firstPicture(tab);
  assert.match(await tab.evaluate("location.search"), /&time-on-screen=3&/);
  await tab.click("#show-settings");
  await tab.click("#setting-time-on-screen");
  await tab.evaluate(`document.getElementById("setting-time-on-screen").select()`);
  await tab.type("17");
  await tab.pressEnter();
  await tab.waitFor(`location.search.includes("&time-on-screen=17&")`);
  const stored = await tab.evaluate(`localStorage.getItem("velmora/control.ini")`);
  assert.match(stored, /^TimeOnScreen=17$/m, "the browser keeps the settings file's own text");
  // A bare address reads what the browser kept.
  await tab.go(site.url);
  await firstPicture(tab);
  assert.equal(await tab.evaluate(`document.getElementById("setting-time-on-screen").value`), "17");
  assert.match(await tab.evaluate("location.search"), /&time-on-screen=17&/);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("in full screen the saver ends on input as on Windows, and the page goes on", LIMIT, async () => {
  const tab = await openPage("?time-on-screen=0");
  await firstPicture(tab);
  const [x, y] = await tab.evaluate(`(() => { const r = document.getElementById("full-screen").getBoundingClientRect();
    return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
  await tab.click("#full-screen");
  await tab.waitFor("document.fullscreenElement != null && VelmoraPage.starts > 1 && VelmoraPage.inputTaken");
  const starts = await tab.evaluate("VelmoraPage.starts");
  // A small move is no reason to end; a long one is.
  await tab.moveMouse(x + 1, y + 1);
  await tab.moveMouse(x + 2, y + 2);
  await new Promise((r) => setTimeout(r, 300));
  assert.equal(await tab.evaluate("document.fullscreenElement != null"), true);
  for (const step of [1, 2, 3]) await tab.moveMouse(x - 60 * step, y + 40 * step);
  await tab.waitFor(`document.fullscreenElement == null && VelmoraPage.starts > ${starts}`);
  assert.equal(await tab.evaluate("VelmoraPage.inputTaken"), false, "back on the page, input is the page's");
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("a new page size or pixel density starts the saver over on a display of the canvas's device pixels", LIMIT, async () => {
  const folder = mkdtempSync(join(tmpdir(), "velmora-web-"));
  const tab = await openPage("?time=1700000000&ms=417&time-on-screen=0");
  try {
    await firstPicture(tab);
    for (const [width, height, scale] of [[400, 300, 2], [500, 260, 1.5]]) {
      const starts = await tab.evaluate("VelmoraPage.starts");
      await tab.setViewport(width, height, scale);
      await tab.waitFor(`VelmoraPage.starts > ${starts}`);
      // The saver started over at this moment, as the address says: its picture
      // is velmora-render's at the canvas's size in device pixels.
      const wanted = [Math.round(width * scale), Math.round(height * scale)];
      let seen, different = -1;
      for (const end = Date.now() + 5000; Date.now() < end && different !== 0; await new Promise((r) => setTimeout(r, 100))) {
        seen = await look(tab, "shown");
        if (seen.width !== wanted[0] || seen.height !== wanted[1]) continue;
        const [, time, ms] = (await tab.evaluate("location.search")).match(/time=(\d+)&ms=(\d+)/);
        execFileSync(RENDER, ["--width", String(wanted[0]), "--height", String(wanted[1]), "--ms", ms, "--time", time,
          "--out", join(folder, "render")]);
        different = await differFromPicture(tab, "shown", readFileSync(join(folder, "render-0.png")));
      }
      assert.deepEqual([seen.width, seen.height], wanted);
      assert.equal(different, 0, `${width}x${height} at ${scale}: ${different} pixels differ from velmora-render's`);
    }
    assert.deepEqual(tab.problems, []);
  } finally {
    await tab.close();
    rmSync(folder, { recursive: true, force: true });
  }
});

test("a saver always behind (colour cycling without delay) still leaves the page its turn and shows its colours", LIMIT, async () => {
  const { tab, changed } = await changeOverAMoment(
    "?time=1700000000&ms=417&psychedelic-colors=1&cycle-delay=0&time-on-screen=0");
  assert.ok(changed > WIDTH * HEIGHT / 10, `only ${changed} pixels changed: the canvas does not follow the colours`);
  await tab.click("#show-settings");
  await tab.waitFor(`!document.getElementById("settings").hidden`);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

// The panel's text of a notice, and the stored settings file's text.
const noticeText = (tab) => tab.evaluate(`document.getElementById("notice").textContent`);
const storedText = (tab) => tab.evaluate(`localStorage.getItem("velmora/control.ini") ?? ""`);

test("a field left empty, or holding no number, is refused and nothing is saved", LIMIT, async () => {
  const tab = await openPage();
  await firstPicture(tab);
  const starts = await tab.evaluate("VelmoraPage.starts");
  const before = await storedText(tab);
  await tab.click("#show-settings");
  for (const typed of ["", "-"]) {
    await tab.click("#setting-time-on-screen");
    await tab.evaluate(`document.getElementById("setting-time-on-screen").select()`);
    await tab.pressKey("Backspace", 8);
    if (typed) await tab.type(typed);
    await tab.pressEnter();
    await tab.waitFor(`document.getElementById("notice").textContent.includes("time on screen takes a whole number")`);
    assert.equal(await tab.evaluate(`document.getElementById("setting-time-on-screen").value`), "3");
  }
  await new Promise((r) => setTimeout(r, 300));
  assert.equal(await tab.evaluate("VelmoraPage.starts"), starts, "a refused field started the saver over");
  assert.equal(await storedText(tab), before);
  assert.doesNotMatch(await storedText(tab), /TimeOnScreen=0/);
  assert.match(await tab.evaluate("location.search"), /&time-on-screen=3&/);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("stored settings out of range are left out with a notice, and the page's link gives its pictures again",
  LIMIT, async () => {
    const tab = await openPage();
    await firstPicture(tab);
    await tab.evaluate(`localStorage.setItem("velmora/control.ini",
      "[ScreenSaver.Velmora]\\nTimeOnScreen=4294967295\\nEffectCycle=4294967289\\nMovingSpeed=0\\nPsycheDelay=12\\n")`);
    await tab.go(site.url);
    await firstPicture(tab);
    const said = await noticeText(tab);
    for (const line of ["the stored time-on-screen 4294967295 is not one the page takes (0 to 99999): the built-in 3",
      "the stored effect-cycle 4294967289 is not one the page takes (0 to 99999): the built-in 30",
      "the stored moving-speed 0 is not one the page takes (1 to 240): the built-in 4"])
      assert.ok(said.includes(line), `"${line}" not in: ${said}`);
    assert.ok(!said.includes("cycle-delay"), said);
    const search = await tab.evaluate("location.search");
    assert.match(search, /&time-on-screen=3&effect-cycle=30&.*&moving-speed=4&.*&cycle-delay=12&/);
    assert.equal(await tab.evaluate(`document.getElementById("setting-time-on-screen").value`), "3");
    // The page's own link is taken whole.
    await tab.go(site.url + search);
    await firstPicture(tab);
    assert.ok(!(await noticeText(tab)).includes("Left out of the address"), await noticeText(tab));
    assert.equal(await tab.evaluate("location.search"), search);
    assert.deepEqual(tab.problems, []);
    await tab.close();
  });

test("a notice repeats no more than a line of the address", LIMIT, async () => {
  const tab = await openPage(`?${"k".repeat(300000)}=1&time-on-screen=${"9".repeat(200)}`);
  await firstPicture(tab);
  const said = await noticeText(tab);
  assert.ok(said.length < 600, `a notice of ${said.length} characters`);
  assert.match(said, /not a setting: k{80}\u2026/);
  assert.match(said, /"9{80}\u2026"/);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("a change the program cannot take saves nothing and keeps the link's settings", LIMIT, async () => {
  const tab = await openPage("?time=1700000000&ms=417&time-on-screen=7");
  await firstPicture(tab);
  const starts = await tab.evaluate("VelmoraPage.starts");
  // What no control of the panel sends: a setting that does not exist.
  await tab.evaluate(`document.getElementById("settings").dispatchEvent(
    new CustomEvent("velmora-setting", { detail: { index: 9999, value: 5 } }))`);
  await tab.waitFor(`VelmoraPage.starts > ${starts}`);
  await firstPicture(tab);
  assert.match(await tab.evaluate("location.search"), /&time-on-screen=7&/);
  assert.doesNotMatch(await storedText(tab), /TimeOnScreen=7/);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

// The panel's preview canvas: how many colours it shows; with a name, kept for a later comparison.
function lookAtPreview(tab, keep = "") {
  return tab.evaluate(`(() => {
    const c = document.getElementById("preview");
    const pixels = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    if (${JSON.stringify(keep)}) (window.kept ??= {})[${JSON.stringify(keep)}] = pixels;
    return { width: c.width, height: c.height, colours: new Set(new Uint32Array(pixels.buffer)).size };
  })()`);
}

test("the panel's preview shows the value being edited while the saver behind it goes on as it was", LIMIT, async () => {
  const still = "time-on-screen=0&moving-clouds=0&psychedelic-colors=0&transforming-clouds=0";
  const tab = await openPage(`?time=1700000000&ms=417&${still}`);
  await firstPicture(tab);
  await look(tab, "before");
  const starts = await tab.evaluate("VelmoraPage.starts");
  const address = await tab.evaluate("location.search");
  await tab.click("#show-settings");
  await tab.waitFor(`(() => { const c = document.getElementById("preview");
    return new Set(new Uint32Array(c.getContext("2d").getImageData(0, 0, c.width, c.height).data.buffer)).size > 50; })()`);
  assert.deepEqual((await lookAtPreview(tab)).width, 256);
  // As stored, a still picture.
  await lookAtPreview(tab, "p1");
  await new Promise((r) => setTimeout(r, 1500));
  await lookAtPreview(tab, "p2");
  assert.equal(await changedBetween(tab, "p1", "p2"), 0, "the preview changed with a still picture");
  // A new picture every second, typed but not yet confirmed: the preview shows it.
  await tab.click("#setting-time-on-screen");
  await tab.evaluate(`document.getElementById("setting-time-on-screen").select()`);
  await tab.type("1");
  let changed = 0;
  for (const end = Date.now() + 10000; Date.now() < end && changed === 0;) {
    await lookAtPreview(tab, "p3");
    await new Promise((r) => setTimeout(r, 1200));
    await lookAtPreview(tab, "p4");
    changed = await changedBetween(tab, "p3", "p4");
  }
  assert.ok(changed > 1000, `the preview kept its picture: ${changed} pixels changed`);
  // Behind it the saver went on untouched: no new start, the same picture, nothing saved.
  await look(tab, "after");
  assert.equal(await changedBetween(tab, "before", "after"), 0, "the saver behind the panel changed");
  assert.equal(await tab.evaluate("VelmoraPage.starts"), starts);
  assert.equal(await tab.evaluate("location.search"), address);
  assert.doesNotMatch(await storedText(tab), /TimeOnScreen=1/);
  // Confirmed, the value is the saver's, and the preview goes on with it.
  await tab.pressEnter();
  await tab.waitFor(`location.search.includes("&time-on-screen=1&")`);
  await tab.waitFor(`(() => { const c = document.getElementById("preview");
    return new Set(new Uint32Array(c.getContext("2d").getImageData(0, 0, c.width, c.height).data.buffer)).size > 50; })()`);
  await tab.click("#show-settings");  // closed: the preview stops
  await new Promise((r) => setTimeout(r, 500));
  await firstPicture(tab);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

// The PNG the page offered last, as base64.
function savedPicture(tab) {
  return tab.evaluate(`(async () => {
    const bytes = new Uint8Array(await (await fetch(document.getElementById("picture").href)).arrayBuffer());
    let text = "";
    for (let i = 0; i < bytes.length; i += 32768) text += String.fromCharCode(...bytes.subarray(i, i + 32768));
    return btoa(text);
  })()`);
}

// Width, height and colour type of a PNG file, from its header.
function pngHeader(png) {
  assert.equal(png.subarray(12, 16).toString("latin1"), "IHDR");
  return { width: png.readUInt32BE(16), height: png.readUInt32BE(20), bitDepth: png[24], colourType: png[25] };
}

// Pixels (RGB) that differ between two PNG pictures, both decoded by the browser.
function pngsDiffer(tab, a, b) {
  return tab.evaluate(`(async () => {
    const decode = async (base64) => {
      const bytes = Uint8Array.from(atob(base64), (ch) => ch.charCodeAt(0));
      const image = await createImageBitmap(new Blob([bytes], { type: "image/png" }),
                                            { colorSpaceConversion: "none", premultiplyAlpha: "none" });
      const c = new OffscreenCanvas(image.width, image.height);
      c.getContext("2d").drawImage(image, 0, 0);
      return c.getContext("2d").getImageData(0, 0, image.width, image.height).data;
    };
    const [x, y] = [await decode(${JSON.stringify(a.toString("base64"))}), await decode(${JSON.stringify(b.toString("base64"))})];
    if (x.length !== y.length) return -1;
    let different = 0;
    for (let i = 0; i < x.length; i += 4) different += x[i] !== y[i] || x[i + 1] !== y[i + 1] || x[i + 2] !== y[i + 2];
    return different;
  })()`);
}

test("Save picture writes velmora-render's picture for the same settings, seed and time, at any size up to 8192",
  LIMIT, async () => {
    const folder = mkdtempSync(join(tmpdir(), "velmora-web-"));
    const tab = await openPage("?time=1700000000&ms=417&time-on-screen=0&continuous-colors=0");
    try {
      await firstPicture(tab);
      writeFileSync(join(folder, "settings.ini"), "[ScreenSaver.Velmora]\nTimeOnScreen=0\nContColorChange=0\n");
      const render = (width, height) => {
        execFileSync(RENDER, ["--width", String(width), "--height", String(height), "--ms", "417", "--time",
          "1700000000", "--settings", join(folder, "settings.ini"), "--out", join(folder, "render")]);
        return readFileSync(join(folder, "render-0.png"));
      };
      const save = async (width, height) => {
        await tab.evaluate(`(() => { document.getElementById("picture").hidden = true;
          document.getElementById("picture-width").value = ${JSON.stringify(width)};
          document.getElementById("picture-height").value = ${JSON.stringify(height)}; })()`);
        await tab.click("#save-picture");
        await tab.waitFor(`!document.getElementById("picture").hidden`, 60000);
        return Buffer.from(await savedPicture(tab), "base64");
      };
      // The canvas's size when none is asked, then others (an odd width too).
      for (const [width, height] of [["", ""], ["37", "23"], ["1000", "3"]]) {
        const saved = await save(width, height);
        const [w, h] = [Number(width) || WIDTH, Number(height) || HEIGHT];
        assert.deepEqual(pngHeader(saved), { width: w, height: h, bitDepth: 8, colourType: 3 });
        assert.equal(await tab.evaluate(`document.getElementById("picture").download`),
          `velmora-1700000000-417-${w}x${h}.png`);
        const different = await pngsDiffer(tab, saved, render(w, h));
        assert.equal(different, 0, `${w}x${h}: ${different} pixels differ from velmora-render's`);
      }
      // The largest either way.
      assert.deepEqual(pngHeader(await save("8192", "8192")), { width: 8192, height: 8192, bitDepth: 8, colourType: 3 });
      // Beyond it, or no number, the page says so and saves nothing.
      for (const [width, height] of [["8193", ""], ["", "0"], ["1.5", "5"]]) {
        await tab.evaluate(`(() => { document.getElementById("notice").textContent = "";
          document.getElementById("picture").hidden = true;
          document.getElementById("picture-width").value = ${JSON.stringify(width)};
          document.getElementById("picture-height").value = ${JSON.stringify(height)}; })()`);
        await tab.click("#save-picture");
        await tab.waitFor(`document.getElementById("notice").textContent.includes("whole numbers from 1 to 8192")`);
        await new Promise((r) => setTimeout(r, 300));
        assert.equal(await tab.evaluate(`document.getElementById("picture").hidden`), true, `${width}x${height} was saved`);
      }
      assert.deepEqual(tab.problems, []);
    } finally {
      await tab.close();
      rmSync(folder, { recursive: true, force: true });
    }
  });
