// Debian's Chromium, headless, driven through its DevTools protocol over a
// pipe (--remote-debugging-pipe: messages of JSON, each ended by a NUL byte),
// so that the tests need nothing beyond Node.js and the browser.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

export async function launchChromium(executable) {
  const profile = mkdtempSync(join(tmpdir(), "velmora-chromium-"));
  const child = spawn(executable, [
    "--headless=new", "--remote-debugging-pipe", `--user-data-dir=${profile}`, "--no-first-run",
    "--no-default-browser-check", "--disable-gpu", "--no-sandbox", "about:blank",
  ], { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
  let stderr = "";
  child.stderr.on("data", (d) => { stderr = (stderr + d).slice(-4000); });
  const toBrowser = child.stdio[3], fromBrowser = child.stdio[4];
  let nextId = 1;
  const waiting = new Map();
  const listeners = new Set();
  let pending = "";
  fromBrowser.on("data", (chunk) => {
    pending += chunk.toString("utf8");
    let end;
    while ((end = pending.indexOf("\0")) >= 0) {
      const message = JSON.parse(pending.slice(0, end));
      pending = pending.slice(end + 1);
      if (message.id && waiting.has(message.id)) {
        const { resolve, reject } = waiting.get(message.id);
        waiting.delete(message.id);
        if (message.error) reject(new Error(`${message.error.message} (${JSON.stringify(message.error.data ?? "")})`));
        else resolve(message.result);
      } else {
        for (const listener of listeners) listener(message);
      }
    }
  });
  const exited = new Promise((resolve) => child.on("exit", resolve));
  exited.then(() => {
    for (const { reject } of waiting.values()) reject(new Error("Chromium ended: " + stderr));
    waiting.clear();
  });

  function send(method, params = {}, sessionId = undefined) {
    const id = nextId++;
    const message = JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) });
    return new Promise((resolve, reject) => {
      waiting.set(id, { resolve, reject });
      toBrowser.write(message + "\0");
    });
  }

  return {
    send,
    listen(listener) { listeners.add(listener); return () => listeners.delete(listener); },
    async close() {
      await send("Browser.close").catch(() => {});
      await Promise.race([exited, new Promise((r) => setTimeout(r, 5000))]);
      child.kill("SIGKILL");
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A tab in a profile of its own (no storage from another), the viewport at this size.
export async function openTab(browser, width, height) {
  const { browserContextId } = await browser.send("Target.createBrowserContext");
  const { targetId } = await browser.send("Target.createTarget", { url: "about:blank", browserContextId });
  const { sessionId } = await browser.send("Target.attachToTarget", { targetId, flatten: true });
  const send = (method, params) => browser.send(method, params, sessionId);
  const problems = [];
  let loads = 0;
  const stop = browser.listen((m) => {
    if (m.sessionId !== sessionId) return;
    if (m.method === "Runtime.consoleAPICalled" && m.params.type === "error")
      problems.push(m.params.args.map((a) => a.value ?? a.description).join(" "));
    else if (m.method === "Runtime.exceptionThrown")
      problems.push(m.params.exceptionDetails.exception?.description ?? m.params.exceptionDetails.text);
    else if (m.method === "Log.entryAdded" && m.params.entry.level === "error")
      problems.push(m.params.entry.text + " " + (m.params.entry.url ?? ""));
    else if (m.method === "Page.loadEventFired")
      loads++;
  });
  await send("Page.enable");
  await send("Runtime.enable");
  await send("Log.enable");
  await send("Emulation.setDeviceMetricsOverride", { width, height, deviceScaleFactor: 1, mobile: false });

  async function evaluate(expression) {
    const r = await send("Runtime.evaluate", { expression, awaitPromise: true, returnByValue: true, userGesture: false });
    if (r.exceptionDetails) throw new Error(r.exceptionDetails.exception?.description ?? r.exceptionDetails.text);
    return r.result.value;
  }

  async function waitFor(expression, timeout = 20000) {
    const end = Date.now() + timeout;
    for (;;) {
      if (await evaluate(expression).catch(() => false)) return;
      if (Date.now() > end) throw new Error(`timed out after ${timeout} ms waiting for ${expression}`);
      await new Promise((r) => setTimeout(r, 50));
    }
  }

  async function mouse(type, x, y, button = "none") {
    await send("Input.dispatchMouseEvent", { type, x, y, button, buttons: button === "left" ? 1 : 0, clickCount: button === "none" ? 0 : 1 });
  }

  return {
    problems,
    send,
    evaluate,
    waitFor,
    async go(url) {
      const before = loads;
      await send("Page.navigate", { url });
      const end = Date.now() + 20000;
      while (loads === before) {
        if (Date.now() > end) throw new Error("the page did not load: " + url);
        await new Promise((r) => setTimeout(r, 20));
      }
    },
    async setViewport(width, height, scale = 1) {
      await send("Emulation.setDeviceMetricsOverride", { width, height, deviceScaleFactor: scale, mobile: false });
    },
    async moveMouse(x, y) { await mouse("mouseMoved", x, y); },
    // A real click, which the browser counts as the user's gesture.
    async click(selector) {
      const [x, y] = await evaluate(`(() => { const r = document.querySelector(${JSON.stringify(selector)})
        .getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
      await mouse("mouseMoved", x, y);
      await mouse("mousePressed", x, y, "left");
      await mouse("mouseReleased", x, y, "left");
    },
    async screenshot() {
      const { data } = await send("Page.captureScreenshot", { format: "png" });
      return Buffer.from(data, "base64");
    },
    async type(text) { await send("Input.insertText", { text }); },
    async pressEnter() { await this.pressKey("Enter", 13, "\r"); },
    // A key as the keyboard sends it: down, its character if it has one, up.
    async pressKey(key, keyCode, text = "", modifiers = 0) {
      for (const type of text ? ["rawKeyDown", "char", "keyUp"] : ["rawKeyDown", "keyUp"])
        await send("Input.dispatchKeyEvent", { type, key, code: key, windowsVirtualKeyCode: keyCode, modifiers,
          ...(type === "char" ? { text } : {}) });
    },
    async close() {
      stop();
      await browser.send("Target.disposeBrowserContext", { browserContextId });
    },
  };
}
