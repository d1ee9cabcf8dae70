// The page as people use it, in Debian's Chromium, headless: the accessibility
// engine axe-core, the keyboard alone, a phone, a tiny window, a system that
// asks for reduced motion, and what a shared link shows.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { launchChromium, openTab } from "./chromium.mjs";
import { serveSite } from "./site_server.mjs";

const SITE = process.env.VELMORA_SITE;
const CHROMIUM = process.env.VELMORA_CHROMIUM || "/usr/bin/chromium";
const LIMIT = { timeout: 120000 };
const AXE = readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");

let site, browser;

before(async () => {
  assert.ok(SITE, "VELMORA_SITE names the page's folder");
  site = await serveSite(SITE);
  browser = await launchChromium(CHROMIUM);
});

after(async () => {
  await browser?.close();
  site?.close();
});

// A page at this size, its first picture shown; setup runs before the page's scripts.
async function openPage({ query = "", width = 640, height = 400, setup = null } = {}) {
  const tab = await openTab(browser, width, height);
  if (setup) await setup(tab);
  await tab.go(site.url + query);
  await tab.waitFor("VelmoraPage.displayChanges > 0");
  await tab.waitFor("VelmoraPage.starts > 0");
  return tab;
}

const focused = (tab) => tab.evaluate("document.activeElement.id || document.activeElement.tagName");
const pressTab = (tab) => tab.pressKey("Tab", 9);
const pressEscape = (tab) => tab.pressKey("Escape", 27);

async function axeViolations(tab) {
  await tab.evaluate(AXE + "; true");
  return tab.evaluate(`axe.run(document, { resultTypes: ["violations"] }).then((r) =>
    r.violations.map((v) => v.id + ": " + v.nodes.map((n) => n.target.join(" ")).join(", ")))`);
}

// How many canvas pixels changed over a moment.
async function changedOverAMoment(tab, ms = 300) {
  const read = `(() => { const c = document.getElementById("screen");
    return Array.from(c.getContext("2d").getImageData(0, 0, c.width, c.height).data); })()`;
  const first = await tab.evaluate(read);
  await new Promise((r) => setTimeout(r, ms));
  const second = await tab.evaluate(read);
  let changed = 0;
  for (let i = 0; i < first.length; i += 4) changed += first[i] !== second[i] || first[i + 1] !== second[i + 1] ||
    first[i + 2] !== second[i + 2];
  return changed;
}

test("axe-core finds no violation, as the page opens and with its panel and a notice showing", LIMIT, async () => {
  // A light picture behind the controls: their text must stay readable over it.
  const tab = await openPage({ query: "?time=1700000000&ms=417" });
  assert.deepEqual(await axeViolations(tab), []);
  await tab.click("#show-settings");
  await tab.waitFor("document.querySelectorAll('#settings input').length > 5");
  await tab.evaluate(`VelmoraPage.showNotice("A notice for the test.")`);
  assert.deepEqual(await axeViolations(tab), []);
  const label = await tab.evaluate("document.getElementById('screen').getAttribute('aria-label')");
  assert.match(label, /a new picture every \d+ seconds/);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

// The contrast of every text of the bar, the panel and the notices over the
// lightest and the darkest picture that can lie behind its translucent box.
test("every text of the controls is 4.5:1 or better over any picture", LIMIT, async () => {
  const tab = await openPage();
  await tab.click("#show-settings");
  await tab.waitFor("document.querySelectorAll('#settings input').length > 5");
  await tab.evaluate(`VelmoraPage.showNotice("A notice for the test.")`);
  const worst = await tab.evaluate(`(() => {
    const rgba = (text) => { const [r, g, b, a = 1] = text.match(/[0-9.]+/g).map(Number); return [r, g, b, a]; };
    const over = (top, under) => top.slice(0, 3).map((c, i) => c * top[3] + under[i] * (1 - top[3]));
    const luminance = (c) => { const l = c.map((v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; });
      return 0.2126 * l[0] + 0.7152 * l[1] + 0.0722 * l[2]; };
    const ratio = (a, b) => { const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p); return (x + 0.05) / (y + 0.05); };
    const texts = [...document.querySelectorAll("#controls a, #settings label, #settings .help, #version, #notice span, #calm p")]
      .filter((e) => e.getClientRects().length > 0 && e.textContent.trim());
    let worst = { ratio: Infinity, what: "" };
    for (const e of texts) {
      // The boxes behind the text, innermost first, over the picture.
      const boxes = [];
      for (let n = e; n && n !== document.body; n = n.parentElement) {
        const b = rgba(getComputedStyle(n).backgroundColor);
        if (b[3] > 0) boxes.push(b);
      }
      for (const picture of [[255, 255, 255], [0, 0, 0]]) {
        const behind = boxes.reduceRight((under, box) => over(box, under), picture);
        const r = ratio(over(rgba(getComputedStyle(e).color), behind), behind);
        if (r < worst.ratio) worst = { ratio: r, what: (e.id || e.className || e.tagName) + ": " + e.textContent.slice(0, 30) };
      }
    }
    return { count: texts.length, ...worst };
  })()`);
  assert.ok(worst.count >= 15, "texts looked at: " + worst.count);
  assert.ok(worst.ratio >= 4.5, `${worst.what} at ${worst.ratio.toFixed(2)}:1`);
  await tab.close();
});

test("the keyboard: the panel follows its button, Escape closes it, notices are read out and dismissed", LIMIT, async () => {
  const tab = await openPage();
  await tab.evaluate("document.getElementById('show-settings').focus()");
  await tab.pressEnter();
  await tab.waitFor("!document.getElementById('settings').hidden");
  await pressTab(tab);
  assert.equal(await focused(tab), "picture-width", "after Settings, Tab goes into the panel");

  // Every field's help is visible text that describes it.
  const helps = await tab.evaluate(`[...document.querySelectorAll("#settings input")].map((input) => {
    const help = document.getElementById((input.getAttribute("aria-describedby") || "").split(" ")[0]);
    return [input.id, help ? help.textContent.trim().length : 0, help ? help.getBoundingClientRect().height : 0];
  })`);
  assert.ok(helps.length >= 8, JSON.stringify(helps));
  for (const [id, length, height] of helps) assert.ok(length > 10 && height > 0, `the help of ${id}`);

  // A refused value: a notice in the live region, naming the field.
  await tab.evaluate("document.getElementById('setting-time-on-screen').focus()");
  await tab.evaluate("document.getElementById('setting-time-on-screen').select()");
  await tab.type("100000");
  await pressTab(tab);
  await tab.waitFor("document.querySelector('#notice p') !== null");
  const notice = await tab.evaluate(`(() => { const n = document.getElementById("notice");
    return { role: n.getAttribute("role"), text: n.textContent,
             described: document.getElementById("setting-time-on-screen").getAttribute("aria-describedby") }; })()`);
  assert.equal(notice.role, "status");
  assert.match(notice.text, /time on screen takes a whole number/);
  assert.match(notice.text, /\(time on screen \(seconds\)\)/, "the notice names its field as labelled");
  assert.match(notice.described, /notice-/);
  await tab.evaluate("document.querySelector('#notice button').focus()");
  await tab.pressEnter();
  await tab.waitFor("document.querySelector('#notice p') === null");

  // Escape closes the panel and gives the keyboard back to Settings.
  await tab.evaluate("document.getElementById('setting-cycle-delay').focus()");
  await pressEscape(tab);
  await tab.waitFor("document.getElementById('settings').hidden");
  assert.equal(await focused(tab), "show-settings");
  assert.equal(await tab.evaluate("document.getElementById('show-settings').getAttribute('aria-expanded')"), "false");
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("after full screen the keyboard is back on the Full screen button", LIMIT, async () => {
  const tab = await openPage();
  await tab.click("#full-screen");
  await tab.waitFor("document.fullscreenElement !== null");
  await tab.waitFor("VelmoraPage.inputTaken");
  await tab.pressKey("a", 65, "a");
  await tab.waitFor("document.fullscreenElement === null");
  await tab.waitFor("document.activeElement.id === 'full-screen'");
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("on a phone every control is 44 pixels tall, and without element full screen nothing throws", LIMIT, async () => {
  const tab = await openPage({
    width: 390, height: 844,
    setup: async (t) => {
      await t.send("Emulation.setDeviceMetricsOverride", { width: 390, height: 844, deviceScaleFactor: 3, mobile: true });
      await t.send("Emulation.setTouchEmulationEnabled", { enabled: true, maxTouchPoints: 5 });
      await t.send("Page.addScriptToEvaluateOnNewDocument", { source: "delete Element.prototype.requestFullscreen;" });
    },
  });
  assert.equal(await tab.evaluate("matchMedia('(pointer: coarse)').matches"), true, "the emulation is a touch screen");
  assert.equal(await tab.evaluate("document.getElementById('full-screen').hidden"), true);
  await tab.evaluate("document.getElementById('show-settings').click()");
  await tab.waitFor("document.querySelectorAll('#settings input').length > 5");
  const small = await tab.evaluate(`[...document.querySelectorAll("#controls button, #controls a, #settings input")]
    .filter((e) => e.getClientRects().length > 0)
    .map((e) => {
      const label = e.id && document.querySelector('label[for="' + e.id + '"]');
      const tallest = Math.max(e.getBoundingClientRect().height, label ? label.getBoundingClientRect().height : 0);
      return [e.id || e.textContent, tallest];
    }).filter(([, tallest]) => tallest < 44)`);
  assert.deepEqual(small, []);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("at 200x150 the bar and the panel stay inside the window, apart, and the panel scrolls to every setting", LIMIT, async () => {
  const tab = await openPage({ width: 200, height: 150 });
  await tab.click("#show-settings");
  await tab.waitFor("document.querySelectorAll('#settings input').length > 5");
  const layout = await tab.evaluate(`(() => {
    const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
    const bar = [...document.querySelectorAll("#full-screen, #show-settings, #save-picture, #link")].map(box);
    const panel = box(document.getElementById("settings"));
    return { bar, panel, controls: box(document.getElementById("controls")) };
  })()`);
  const [left, top, right, bottom] = layout.controls;
  assert.ok(left >= 0 && top >= 0 && right <= 200 && bottom <= 150, "the controls: " + layout.controls);
  for (const b of layout.bar) {
    assert.ok(b[0] >= 0 && b[2] <= 200, "a button leaves the window: " + b);
    assert.ok(b[3] <= layout.panel[1] || b[1] >= layout.panel[3], "a button covers the panel: " + b + " " + layout.panel);
  }
  // Each setting can be scrolled to and then lies inside the window.
  const unreachable = await tab.evaluate(`[...document.querySelectorAll("#settings input")].filter((input) => {
    input.scrollIntoView({ block: "nearest" });
    const r = input.getBoundingClientRect();
    return r.top < 0 || r.bottom > 150 || r.left < 0 || r.right > 200;
  }).map((input) => input.id)`);
  assert.deepEqual(unreachable, []);
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("asked for reduced motion, the page shows still pictures until the visitor plays the effects", LIMIT, async () => {
  const reduce = async (t) => t.send("Emulation.setEmulatedMedia",
    { features: [{ name: "prefers-reduced-motion", value: "reduce" }] });
  const query = "?psychedelic-colors=1&cycle-delay=0&moving-clouds=1&transforming-clouds=1&time-on-screen=60";
  const tab = await openPage({ query, setup: reduce });
  await new Promise((r) => setTimeout(r, 300));
  assert.equal(await changedOverAMoment(tab, 1500), 0, "the canvas stays still");
  assert.equal(await tab.evaluate("document.getElementById('calm').hidden"), false);
  // The link and the panel still say what the visitor's settings are.
  assert.match(await tab.evaluate("location.search"), /psychedelic-colors=1/);
  assert.match(await tab.evaluate("document.getElementById('screen').getAttribute('aria-label')"), /paused/);

  await tab.click("#play-effects");
  await tab.waitFor("document.readyState === 'complete' && !VelmoraPage.still && VelmoraPage.displayChanges > 0");
  assert.equal(await tab.evaluate("document.getElementById('calm').hidden"), true);
  await new Promise((r) => setTimeout(r, 300));
  assert.ok(await changedOverAMoment(tab) > 1000, "the colours flow once chosen");
  assert.equal(await tab.evaluate("localStorage.getItem('velmora-play-effects')"), null, "nothing stored for good");
  assert.deepEqual(tab.problems, []);
  await tab.close();
});

test("a shared link has a description, Open Graph and Twitter tags, our own icon and picture, and a noscript text", LIMIT, async () => {
  const html = await (await fetch(site.url)).text();
  const content = (attribute, name) =>
    html.match(new RegExp(`<meta ${attribute}="${name}" content="([^"]+)"`))?.[1];
  assert.ok(content("name", "description")?.length > 40);
  for (const name of ["og:title", "og:description", "og:image", "og:type"]) assert.ok(content("property", name), name);
  for (const name of ["twitter:card", "twitter:title", "twitter:description", "twitter:image"])
    assert.ok(content("name", name), name);
  const picture = Buffer.from(await (await fetch(new URL(content("property", "og:image"), site.url))).arrayBuffer());
  assert.equal(picture.toString("latin1", 1, 4), "PNG");
  assert.deepEqual([picture.readUInt32BE(16), picture.readUInt32BE(20)], [1200, 630]);
  const icon = html.match(/<link rel="icon"[^>]* href="([^"]+)"/)?.[1];
  assert.ok(icon && !icon.startsWith("data:"), "an icon of our own: " + icon);
  const iconFile = Buffer.from(await (await fetch(new URL(icon, site.url))).arrayBuffer());
  assert.equal(iconFile.toString("latin1", 1, 4), "PNG");
  assert.match(html, /<noscript>[^<]*<p[^>]*>[^<]*JavaScript[^<]*<\/p><\/noscript>/);
});
