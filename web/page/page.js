"use strict";
// The page around velmora.wasm. The program calls the functions of
// VelmoraPage (web/page_bridge.cpp); the page never calls the program: it
// queues what happens (input, a new size, a change in the panel) until the
// program takes it.

const VelmoraPage = (() => {
  const canvas = document.getElementById("screen");
  const context = canvas.getContext("2d", { alpha: false });
  const form = document.getElementById("settings");
  const versionLine = document.getElementById("version");  // the panel's last line
  const notice = document.getElementById("notice");
  const link = document.getElementById("link");
  const settingsButton = document.getElementById("show-settings");
  const preview = document.getElementById("preview");
  const previewContext = preview.getContext("2d", { alpha: false });
  const pictureLink = document.getElementById("picture");
  // The preview's size in CSS pixels: over 250 device pixels wide, so that it
  // runs the effects (the display settings' small preview on Windows runs none).
  const PREVIEW_WIDTH = 256;
  const PREVIEW_HEIGHT = 160;
  const LARGEST_PICTURE = 8192;
  const fullScreenButton = document.getElementById("full-screen");
  const PLAY_EFFECTS_KEY = "velmora-play-effects";  // kept for the visit (session storage)

  // Events are queued by name; the program tells the numbers it knows them by.
  let kinds = null;
  const MOST_QUEUED = 1024;  // events kept while the program is busy; the oldest moves go first
  const events = [];  // [name, a, b, c] each
  let wake = null;
  let displayChanges = 0;
  let starts = 0;
  let inputTaken = false;
  let resizeTimer = 0;
  let panelBuilt = false;

  function ratio() { return window.devicePixelRatio || 1; }

  // A system that asks for reduced motion gets still pictures until the
  // visitor chooses the effects for this visit; the settings stay as they are.
  function effectsChosen() {
    try {
      if (window.sessionStorage.getItem(PLAY_EFFECTS_KEY) === "1") return true;
    } catch (e) { /* storage off: the address's mark below */ }
    return window.location.hash === "#play-effects";
  }
  const still = window.matchMedia?.("(prefers-reduced-motion: reduce)").matches === true && !effectsChosen();
  document.getElementById("calm").hidden = !still;
  document.getElementById("play-effects").addEventListener("click", () => {
    try {
      window.sessionStorage.setItem(PLAY_EFFECTS_KEY, "1");
    } catch (e) {
      window.location.hash = "play-effects";
    }
    window.location.reload();
  });
  document.getElementById("controls").hidden = false;  // they work: the script runs

  function queue(kind, a = 0, b = 0, c = 0) {
    if (events.length >= MOST_QUEUED) {
      const moveAt = events.findIndex((e) => e[0] === "pointerMove");
      events.splice(moveAt >= 0 ? moveAt : 0, 1);
    }
    events.push([kind, a | 0, b | 0, c | 0]);
    if (wake) wake(0);
  }

  function size() {
    const width = Math.max(1, Math.round(window.innerWidth * ratio()));
    const height = Math.max(1, Math.round(window.innerHeight * ratio()));
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    const previewWidth = Math.round(PREVIEW_WIDTH * ratio());
    const previewHeight = Math.round(PREVIEW_HEIGHT * ratio());
    if (preview.width !== previewWidth || preview.height !== previewHeight) {
      preview.width = previewWidth;
      preview.height = previewHeight;
    }
    return { width, height, fullScreen: document.fullscreenElement != null, previewWidth, previewHeight };
  }

  function queueSize() {
    clearTimeout(resizeTimer);
    // A window being dragged to a new size sends many; the saver starts over once.
    resizeTimer = setTimeout(() => {
      const s = size();
      queue("resize", s.width, s.height, s.fullScreen ? 1 : 0);
    }, 100);
  }

  function at(e) {
    const r = canvas.getBoundingClientRect();
    return [Math.round((e.clientX - r.left) * ratio()), Math.round((e.clientY - r.top) * ratio())];
  }

  // The pointer is followed over the whole page, so that the saver always knows where it is.
  document.addEventListener("pointermove", (e) => queue("pointerMove", ...at(e)));
  canvas.addEventListener("pointerdown", (e) => queue("buttonDown", e.button, ...at(e)));
  document.addEventListener("keydown", (e) => {
    if (document.fullscreenElement === canvas) {
      queue("keyDown", e.altKey ? 1 : 0);
    } else if (e.key === "Escape" && !form.hidden) {
      showPanel(false);
      settingsButton.focus();
    } else if (e.key === "Escape" && notice.contains(document.activeElement)) {
      dismissNotices();
    }
  });
  window.addEventListener("resize", queueSize);
  document.addEventListener("fullscreenchange", () => {
    queueSize();
    // Back on the page, the keyboard is where it was before full screen.
    if (!document.fullscreenElement) fullScreenButton.focus();
  });

  // Some browsers (phones among them) show no element full screen: the button goes.
  if (typeof canvas.requestFullscreen !== "function" || document.fullscreenEnabled === false) {
    fullScreenButton.hidden = true;
  } else {
    fullScreenButton.addEventListener("click", () => {
      try {
        canvas.requestFullscreen().catch((e) => showNotice("Full screen was refused: " + e.message));
      } catch (e) {
        showNotice("Full screen was refused: " + e.message);
      }
    });
  }

  function showPanel(shown) {
    form.hidden = !shown;
    settingsButton.setAttribute("aria-expanded", String(shown));
    queue("preview", shown ? 1 : 0);  // the preview runs while the panel shows
  }
  settingsButton.addEventListener("click", () => showPanel(form.hidden));

  // A saved picture is the size asked in the panel, or the screen's.
  function pictureSide(id) {
    const text = document.getElementById(id).value.trim();
    if (text === "") return 0;
    const side = /^[0-9]+$/.test(text) ? Number(text) : NaN;
    return Number.isInteger(side) && side >= 1 && side <= LARGEST_PICTURE ? side : NaN;
  }
  document.getElementById("save-picture").addEventListener("click", () => {
    const width = pictureSide("picture-width");
    const height = pictureSide("picture-height");
    if (Number.isNaN(width) || Number.isNaN(height)) {
      showNotice("A picture's width and height are whole numbers from 1 to " + LARGEST_PICTURE + ", or empty for the screen's.",
                 document.getElementById(Number.isNaN(width) ? "picture-width" : "picture-height"));
      return;
    }
    queue("savePicture", width, height);
  });

  form.addEventListener("submit", (e) => e.preventDefault());
  // A change of a setting reaches the program as an event of the form, which
  // the panel's controls send once their value is a number in range; the
  // program checks it again and takes nothing it cannot.
  form.addEventListener("velmora-setting", (e) => queue("settingChange", e.detail.index, e.detail.value));

  // Notices gather in a live region until dismissed (their button, Escape on
  // it, or a click on the text). One about a control names it, and the control
  // is described by it while it stands.
  let notices = 0;
  function showNotice(text, control = null) {
    const line = document.createElement("p");
    line.id = "notice-" + ++notices;
    const words = document.createElement("span");
    words.textContent = text;
    const dismiss = document.createElement("button");
    dismiss.type = "button";
    dismiss.textContent = "Dismiss";
    dismiss.setAttribute("aria-label", "Dismiss this notice");
    line.append(words, dismiss);
    if (control) {
      const name = document.querySelector(`label[for="${control.id}"]`)?.textContent ?? control.id;
      words.textContent = text + " (" + name + ")";
      control.setAttribute("aria-invalid", "true");
      control.setAttribute("aria-describedby", ((control.getAttribute("aria-describedby") ?? "") + " " + line.id).trim());
      line.dataset.control = control.id;
    }
    const gone = () => removeNotice(line);
    dismiss.addEventListener("click", gone);
    words.addEventListener("click", gone);
    notice.append(line);
    console.info("velmora: " + text);
  }

  function removeNotice(line) {
    const control = line.dataset.control && document.getElementById(line.dataset.control);
    if (control) {
      const rest = (control.getAttribute("aria-describedby") ?? "").split(" ").filter((id) => id && id !== line.id);
      control.setAttribute("aria-describedby", rest.join(" "));
      if (!rest.some((id) => id.startsWith("notice-"))) control.removeAttribute("aria-invalid");
    }
    const next = line.nextElementSibling ?? line.previousElementSibling;
    const hadFocus = line.contains(document.activeElement);
    line.remove();
    if (hadFocus) (next?.querySelector("button") ?? document.getElementById("show-settings")).focus();
  }

  function dismissNotices() {
    for (const line of [...notice.children]) removeNotice(line);
  }

  // PNG files as the format lays them out: an 8-bit indexed
  // picture, rows top first without filtering, compressed by the browser.
  const crcTable = (() => {
    const table = new Uint32Array(256);
    for (let n = 0; n < 256; n++) {
      let c = n;
      for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      table[n] = c >>> 0;
    }
    return table;
  })();

  function crc32(bytes, crc = 0xffffffff) {
    for (let i = 0; i < bytes.length; i++) crc = crcTable[(crc ^ bytes[i]) & 255] ^ (crc >>> 8);
    return crc;
  }

  function chunk(type, data) {
    const out = new Uint8Array(12 + data.length);
    const view = new DataView(out.buffer);
    view.setUint32(0, data.length);
    for (let i = 0; i < 4; i++) out[4 + i] = type.charCodeAt(i);
    out.set(data, 8);
    view.setUint32(8 + data.length, (crc32(out.subarray(4, 8 + data.length)) ^ 0xffffffff) >>> 0);
    return out;
  }

  async function indexedPng(indices, width, height, colors) {
    const header = new Uint8Array(13);
    const view = new DataView(header.buffer);
    view.setUint32(0, width);
    view.setUint32(4, height);
    header.set([8, 3, 0, 0, 0], 8);  // 8 bits, indexed colour, deflate, no filtering, not interlaced
    const rows = new Uint8Array((width + 1) * height);  // each row: filter type 0, then its indices
    for (let y = 0; y < height; y++) rows.set(indices.subarray(y * width, (y + 1) * width), y * (width + 1) + 1);
    const compressed = await new Response(new Blob([rows]).stream().pipeThrough(new CompressionStream("deflate")))
      .arrayBuffer();
    const parts = [new Uint8Array([137, 80, 78, 71, 13, 10, 26, 10]), chunk("IHDR", header), chunk("PLTE", colors),
      chunk("IDAT", new Uint8Array(compressed)), chunk("IEND", new Uint8Array(0))];
    return new Blob(parts, { type: "image/png" });
  }

  function buildPanel(settings) {
    for (const s of settings) {
      const label = document.createElement("label");
      label.textContent = s.name.replace(/-/g, " ") + (s.unit ? ` (${s.unit.toLowerCase()})` : "");
      const input = document.createElement("input");
      input.id = label.htmlFor = "setting-" + s.name;
      input.name = s.name;
      // The help is text on the panel, which every visitor sees and hears.
      const help = document.createElement("p");
      help.className = "help";
      help.id = "help-" + s.name;
      help.textContent = s.help;
      input.setAttribute("aria-describedby", help.id);
      if (s.switch) {
        input.type = "checkbox";
      } else {
        input.type = "number";
        input.min = s.min;
        input.max = s.max;
        input.step = 1;
      }
      // An empty field (or one holding no number: the browser empties it)
      // is no number at all, not 0.
      const valueOf = () => {
        const text = input.value.trim();
        return s.switch ? (input.checked ? 1 : 0) : /^[0-9]+$/.test(text) ? Number(text) : NaN;
      };
      const inRange = (value) => Number.isInteger(value) && value >= s.min && value <= s.max;
      // While a value is being edited the preview shows it; a value that is
      // no number in range yet shows nothing new.
      input.addEventListener("input", () => {
        const value = valueOf();
        if (inRange(value)) queue("previewSetting", s.index, value);
      });
      input.addEventListener("change", () => {
        const value = valueOf();
        if (!inRange(value)) {
          showNotice(s.name.replace(/-/g, " ") + " takes a whole number from " + s.min + " to " + s.max + ".", input);
          input.value = input.dataset.value;
          return;
        }
        for (const line of [...notice.children]) if (line.dataset.control === input.id) removeNotice(line);
        form.dispatchEvent(new CustomEvent("velmora-setting", { detail: { index: s.index, value } }));
      });
      versionLine.before(label, input, help);
    }
    panelBuilt = true;
  }

  // What the canvas shows, in words, for those who do not see it.
  function describeScreen(settings) {
    const value = (name) => settings.find((s) => s.name === name)?.value ?? 0;
    const parts = [`a new picture every ${value("time-on-screen")} seconds`];
    if (still) {
      parts.push("the effects paused, as the system asks for reduced motion");
    } else {
      if (value("psychedelic-colors")) parts.push("colours flowing through it");
      if (value("moving-clouds")) parts.push("each picture scrolling into the next");
      if (value("transforming-clouds")) parts.push("each picture fading into the next");
    }
    canvas.setAttribute("aria-label", "Velmora's plasma clouds: " + parts.join(", "));
  }

  function showSettings(settings) {
    describeScreen(settings);
    if (!panelBuilt) buildPanel(settings);
    for (const s of settings) {
      const input = form.elements[s.name];
      if (!input) continue;
      input.dataset.value = s.value;
      if (s.switch) input.checked = s.value === 1;
      else input.value = s.value;
    }
  }

  return {
    size,
    useEventKinds(numbers) { kinds = numbers; },
    takeEvents(heap, at, most) {
      const taken = events.splice(0, Math.min(most, events.length));
      taken.forEach(([kind, a, b, c], i) => heap.set([kinds[kind], a, b, c], at + 4 * i));
      return taken.length;
    },
    // Resolves with 1 on the next animation frame (when one is wanted), else 0
    // when input is queued or the time is up.
    wait(ms, wantFrame) {
      return new Promise((resolve) => {
        let frame = 0;
        const finish = (value) => {
          if (!wake) return;
          wake = null;
          clearTimeout(timer);
          if (frame) cancelAnimationFrame(frame);
          resolve(value);
        };
        wake = finish;
        const timer = setTimeout(() => finish(0), ms);
        if (wantFrame) frame = requestAnimationFrame(() => { frame = 0; finish(1); });
        if (events.length) finish(0);
      });
    },
    putPixels(buffer, address, width, x, y, w, h) {
      const rows = new Uint8ClampedArray(buffer, address + y * width * 4, width * h * 4);
      context.putImageData(new ImageData(rows, width, h), 0, y, x, 0, w, h);
    },
    putPreviewPixels(buffer, address, width, left, x, y, w, h) {
      const rows = new Uint8ClampedArray(buffer, address + y * width * 4, width * h * 4);
      previewContext.putImageData(new ImageData(rows, width, h), -left, y, x, 0, w, h);
    },
    offerPicture(indices, width, height, colors, name) {
      indexedPng(indices, width, height, colors).then((png) => {
        if (pictureLink.href) URL.revokeObjectURL(pictureLink.href);
        pictureLink.href = URL.createObjectURL(new Blob([png], { type: "image/png" }));
        pictureLink.download = name;
        pictureLink.textContent = name;
        pictureLink.hidden = false;
        pictureLink.click();
      }).catch((e) => showNotice("The picture could not be saved: " + e.message));
    },
    displayChanged() { displayChanges++; },
    get displayChanges() { return displayChanges; },
    started(takesInput) {
      starts++;
      inputTaken = takesInput;
    },
    get starts() { return starts; },
    get inputTaken() { return inputTaken; },
    leaveFullScreen() {
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    },
    showCursor(shown) { canvas.style.cursor = shown ? "" : "none"; },
    storedText(key) {
      try {
        return window.localStorage.getItem(key) || "";
      } catch (e) {
        return "";  // storage may be off: the defaults then
      }
    },
    storeText(key, text) {
      try {
        window.localStorage.setItem(key, text);
      } catch (e) {
        showNotice("The browser did not keep the settings: " + e.message);
      }
    },
    showSettings,
    get still() { return still; },
    showAddress(query) {
      history.replaceState(null, "", "?" + query);
      link.href = "?" + query;
    },
    showNotice,
  };
})();

// The address's settings become the program's arguments, "--name value".
var Module = {
  arguments: [...new URLSearchParams(window.location.search)].flatMap(([name, value]) => ["--" + name, value])
    .concat(VelmoraPage.still ? ["--still", "1"] : []),
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  onAbort: (what) => {
    console.error("velmora stopped: " + what);
    VelmoraPage.showNotice("Velmora stopped. Reload the page to start it again.");
  },
};
