// The web page's speed in Debian's Chromium, headless, at 1920x1080 and
// 3840x2160: how long a new picture keeps the page busy (compare saver_bench's
// BM_NewPicture natively), the longest stretch of the saver's work on the
// page's thread while pictures come, fade and rotate (the page can answer
// nothing meanwhile), and how many rotations colour cycling makes a second at
// a cycle delay of 10 ms (one is due every 10 ms).
// usage: node bench/web_bench.mjs SITE_FOLDER [CHROMIUM]
import { launchChromium, openTab } from "../tests/web/chromium.mjs";
import { serveSite } from "../tests/web/site_server.mjs";

const [siteFolder, chromium = "/usr/bin/chromium"] = process.argv.slice(2);
if (!siteFolder) {
  console.error("usage: node bench/web_bench.mjs SITE_FOLDER [CHROMIUM]");
  process.exit(2);
}
const pause = (ms) => new Promise((r) => setTimeout(r, ms));

// Wraps the page's wait to note each stretch the program kept the page busy
// (from its return to the page's next wait) and how late each wait's time came.
const WATCH = `(() => {
  const wait = VelmoraPage.wait;
  window.bench = { busy: [], late: 0 };
  let resumed = 0;
  VelmoraPage.wait = (ms, wantFrame) => {
    const called = performance.now();
    if (resumed) bench.busy.push([resumed, called]);
    return wait(ms, wantFrame).then((frame) => {
      resumed = performance.now();
      if (!frame) bench.late = Math.max(bench.late, resumed - called - ms);
      return frame;
    });
  };
})()`;

const site = await serveSite(siteFolder);
const browser = await launchChromium(chromium);
const longestOf = "Math.max(0, ...bench.busy.map(([a, b]) => b - a))";
const topOf = "JSON.stringify(bench.busy.map(([a, b]) => +(b - a).toFixed(1)).sort((x, y) => y - x).slice(0, 6))";
// With VELMORA_BENCH_STRETCHES set, the six longest stretches of the mode just measured.
async function listStretches(tab) {
  if (process.env.VELMORA_BENCH_STRETCHES) console.log(await tab.evaluate(topOf));
}
try {
  for (const [width, height] of [[1920, 1080], [3840, 2160]]) {
    const size = `${width}x${height}`;
    // New pictures, one a second, nothing else moving: stretches of work less
    // than 30 ms apart belong to one picture.
    let tab = await openTab(browser, width, height);
    await tab.go(site.url + "?time=1700000000&ms=417&time-on-screen=1&psychedelic-colors=0&moving-clouds=0&transforming-clouds=0");
    await tab.waitFor("VelmoraPage.displayChanges > 0");
    await tab.evaluate(WATCH);
    await pause(8000);
    const pictures = await tab.evaluate(`(() => {
      const pictures = [];
      for (const [from, to] of bench.busy) {
        if (to - from < 1) continue;
        const last = pictures[pictures.length - 1];
        if (last && from - last.end < 30) { last.busy += to - from; last.end = to; }
        else pictures.push({ busy: to - from, start: from, end: to });
      }
      return pictures.map((p) => [p.busy, p.end - p.start]);
    })()`);
    const busy = pictures.map((p) => p[0]).sort((a, b) => a - b);
    const wall = pictures.map((p) => p[1]).sort((a, b) => a - b);
    const longestPicture = await tab.evaluate(longestOf);
    await listStretches(tab);
    console.log(`new picture at ${size} (${pictures.length} pictures): the page busy ${busy[busy.length >> 1].toFixed(1)} ms ` +
                `(median), shown ${wall[wall.length >> 1].toFixed(1)} ms after its work began (median); ` +
                `longest stretch ${longestPicture.toFixed(1)} ms`);
    await tab.close();

    // Fading from picture to picture, every step a new frame.
    tab = await openTab(browser, width, height);
    await tab.go(site.url + "?time=1700000000&ms=417&time-on-screen=1&psychedelic-colors=0&moving-clouds=0" +
                 "&transforming-clouds=1&effect-cycle=0");
    await tab.waitFor("VelmoraPage.displayChanges > 0");
    await pause(1000);
    await tab.evaluate(WATCH);
    await pause(6000);
    const longestFade = await tab.evaluate(longestOf);
    await listStretches(tab);
    console.log(`fading at ${size}: longest stretch ${longestFade.toFixed(1)} ms`);
    await tab.close();

    tab = await openTab(browser, width, height);
    await tab.go(site.url + "?time=1700000000&ms=417&time-on-screen=0&psychedelic-colors=1&cycle-delay=10");
    await tab.waitFor("VelmoraPage.displayChanges > 0");
    await pause(1000);
    await tab.evaluate(WATCH);
    const [changes0, t0] = await tab.evaluate("[VelmoraPage.displayChanges, performance.now()]");
    await pause(5000);
    await listStretches(tab);
    const [changes1, t1, longest, late] = await tab.evaluate(
      `[VelmoraPage.displayChanges, performance.now(), ${longestOf}, bench.late]`);
    // Every rotation repaints the whole display, and the page counts each change of it.
    const rate = ((changes1 - changes0) * 1000) / (t1 - t0);
    console.log(`colour cycling at ${size}, cycle delay 10 ms: ${rate.toFixed(1)} rotations a second; ` +
                `longest stretch ${longest.toFixed(1)} ms, a wait ${late.toFixed(1)} ms late at most`);
    await tab.close();
  }
} finally {
  await browser.close();
  site.close();
}
