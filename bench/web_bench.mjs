// The web page's speed in Debian's Chromium, headless, at 1920x1080: how long
// the page is busy for a new picture (compare saver_bench's BM_NewPicture
// natively), and how often colour cycling changes the canvas at a cycle
// delay of 10 ms (a rotation is due 100 times a second).
// usage: node bench/web_bench.mjs SITE_FOLDER [CHROMIUM]
import { launchChromium, openTab } from "../tests/web/chromium.mjs";
import { serveSite } from "../tests/web/site_server.mjs";

const [site_folder, chromium = "/usr/bin/chromium"] = process.argv.slice(2);
if (!site_folder) {
  console.error("usage: node bench/web_bench.mjs SITE_FOLDER [CHROMIUM]");
  process.exit(2);
}
const pause = (ms) => new Promise((r) => setTimeout(r, ms));
const site = await serveSite(site_folder);
const browser = await launchChromium(chromium);
try {
  let tab = await openTab(browser, 1920, 1080);
  await tab.go(site.url + "?time=1700000000&ms=417&time-on-screen=1&psychedelic-colors=0");
  await tab.waitFor("VelmoraPage.displayChanges > 0");
  await pause(500);
  await tab.evaluate("VelmoraPage.forgetLongestBusy()");
  const before = await tab.evaluate("VelmoraPage.displayChanges");
  await pause(6000);
  const pictures = (await tab.evaluate("VelmoraPage.displayChanges")) - before;
  const busy = await tab.evaluate("VelmoraPage.longestBusy");
  console.log(`new picture at 1920x1080: the page busy ${busy.toFixed(1)} ms at most (${pictures} pictures in 6 s)`);
  await tab.close();

  tab = await openTab(browser, 1920, 1080);
  await tab.go(site.url + "?time=1700000000&ms=417&time-on-screen=0&psychedelic-colors=1&cycle-delay=10");
  await tab.waitFor("VelmoraPage.displayChanges > 0");
  await pause(1000);
  const [changes0, t0] = await tab.evaluate("[VelmoraPage.displayChanges, performance.now()]");
  await pause(5000);
  const [changes1, t1] = await tab.evaluate("[VelmoraPage.displayChanges, performance.now()]");
  const rate = ((changes1 - changes0) * 1000) / (t1 - t0);
  console.log(`colour cycling at 1920x1080, cycle delay 10 ms: ${rate.toFixed(1)} changes of the display a second`);
  await tab.close();
} finally {
  await browser.close();
  site.close();
}
