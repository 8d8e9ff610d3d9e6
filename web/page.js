// The page around the demo program (velmorrow.js): it fetches the data folder as the page opens, draws
// the dialog the program describes, shows the canvas letterboxed at 4:3, plays the music through Web
// Audio and shows the program's reports. The program calls it as Module.page (platform/web, web/main.cpp).
//
// For tests and measurements the page keeps its state in window.velmorrow: what it shows (state), the
// frames drawn with the demo clock and the audio clock at each, and when the first demo frame came.
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  // ?at=MS[,MS...]: those frames only (clocks in milliseconds, 800 x 600, no dialog, no music).
  const requestedClocks = params.has('at')
    ? [...new Set(params.get('at').split(',').map((t) => Math.max(0, parseInt(t, 10) || 0)))].sort((a, b) => a - b)
    : [];
  const requestedClock = requestedClocks.length ? requestedClocks[requestedClocks.length - 1] : -1;
  const stage = document.getElementById('stage');
  const canvas = document.getElementById('canvas');
  const dialogBox = document.getElementById('dialog');
  const progressBox = document.getElementById('progress');
  const reportBox = document.getElementById('report');

  const status = (window.velmorrow = {
    state: 'starting', // starting, dialog, loading, playing, frame, ended, cancelled, report
    requestedClock,
    frames: [], // {at: page time, drawMs, demoClock, audioClock}
    firstDemoFrameMs: null, // page time of the first frame drawn with the music playing
    frameShownClock: null, // ?at=: the clock of the last frame shown
    shownFrames: {}, // ?at=: each clock's frame as a PNG data URL
    report: null,
    music: null, // the music as played (an AudioBuffer)
    errors: [],
  });

  // ---- Data: every file of data/ fetched as the page opens, written into the program's files on demand.
  const files = new Map(); // name -> promise of Uint8Array (rejects with a reason)
  let fileList = null;
  let bytesTotal = 0;
  let bytesArrived = 0;
  const fetchList = fetch('data/files.json').then((response) => {
    if (!response.ok) throw new Error('data/files.json: ' + response.status + ' ' + response.statusText);
    return response.json();
  });
  fetchList.then(
    (list) => {
      fileList = list;
      for (const entry of list) {
        bytesTotal += entry.size;
        files.set(entry.name, fetchFile(entry.name));
      }
    },
    (error) => console.error('velmorrow: ' + error.message),
  );

  async function fetchFile(name) {
    const response = await fetch('data/' + name);
    if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
    const reader = response.body.getReader();
    const chunks = [];
    let length = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      length += value.length;
      bytesArrived += value.length;
      showProgress();
    }
    const bytes = new Uint8Array(length);
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return bytes;
  }

  const written = new Set();
  // Waits for data/NAME to arrive and puts it into the program's file system; a file that does not
  // arrive stays missing there, so the program reports it as it reports a missing file.
  async function awaitFile(path) {
    const name = path.replace(/^data\//, '');
    try {
      await fetchList;
    } catch (error) {
      return;
    }
    const pending = files.get(name);
    if (!pending || written.has(name)) return;
    try {
      const bytes = await pending;
      try {
        Module.FS.mkdir('data');
      } catch (exists) {}
      Module.FS.writeFile('data/' + name, bytes);
      written.add(name);
    } catch (error) {
      console.error('velmorrow: cannot fetch data/' + name + ': ' + error.message);
    }
  }

  // Every picture (all but the music, which the sound library waits for itself).
  async function awaitPictures() {
    progressShown = true;
    showProgress();
    try {
      await fetchList;
    } catch (error) {
      return;
    }
    for (const entry of fileList) {
      if (!entry.name.endsWith('.mp3')) await awaitFile(entry.name);
    }
    progressShown = false;
    progressBox.hidden = true;
  }

  let progressShown = false;
  function showProgress() {
    if (!progressShown) return;
    const mb = (n) => (n / 1048576).toFixed(1);
    progressBox.hidden = false;
    progressBox.innerHTML =
      'Fetching the pictures and music: ' + mb(bytesArrived) + ' of ' + mb(bytesTotal) + ' MB' +
      '<div class="bar"><div style="width:' + (bytesTotal ? (100 * bytesArrived) / bytesTotal : 0) + '%"></div></div>';
  }

  // ---- The canvas: the drawing buffer at the chosen size, shown as large as fits at 4:3, on whole
  // device pixels so it stays sharp on high-density screens.
  let keepDrawingBuffer = requestedClock >= 0;
  function fitCanvas() {
    if (canvas.hidden) return;
    const ratio = window.devicePixelRatio || 1;
    const width = Math.min(stage.clientWidth, (stage.clientHeight * 4) / 3);
    const devicePixels = Math.floor(width * ratio);
    canvas.style.width = devicePixels / ratio + 'px';
    canvas.style.height = Math.floor((devicePixels * 3) / 4) / ratio + 'px';
    canvas.classList.toggle('upscaled', devicePixels >= canvas.width * 2);
  }
  window.addEventListener('resize', fitCanvas);
  document.addEventListener('fullscreenchange', fitCanvas);

  function showCanvas(width, height, title) {
    document.title = title;
    canvas.width = width;
    canvas.height = height;
    canvas.hidden = false;
    fitCanvas();
    if (status.state !== 'frame') status.state = 'loading';
  }

  let lastResume = performance.now();
  let drawing = false;
  function nextFrame() {
    const now = performance.now();
    if (music && music.playing) {
      if (status.firstDemoFrameMs === null) status.firstDemoFrameMs = now;
      status.state = 'playing';
      status.frames.push({ at: now, drawMs: now - lastResume, demoClock: lastReportedPosition, audioClock: position(music) });
      if (status.frames.length > 20000) status.frames.splice(0, 10000);
    }
    return new Promise((resolve) =>
      requestAnimationFrame(() => {
        lastResume = performance.now();
        resolve();
      }),
    );
  }

  // ---- Sound: one context for the page, made (or resumed) on Go!, the user's gesture.
  let audio = null;
  function prepareAudio() {
    try {
      if (!audio) audio = new AudioContext({ sampleRate: 44100, latencyHint: 'interactive' });
      if (audio.state !== 'running') audio.resume().catch(() => {});
    } catch (error) {
      console.warn('velmorrow: no audio output: ' + error.message);
    }
  }

  const musics = new Map();
  let music = null; // the stream played last
  let lastReportedPosition = 0;

  function openAudio() {
    if (!audio && requestedClock < 0) prepareAudio();
    return audio !== null;
  }

  async function decodeMusic(id, bytes, fileRate) {
    try {
      const decoder = audio || new OfflineAudioContext(2, 1, 44100);
      const buffer = await decoder.decodeAudioData(bytes.buffer);
      musics.set(id, { buffer, playing: false });
      return (buffer.length * fileRate) / buffer.sampleRate;
    } catch (error) {
      console.error('velmorrow: the browser cannot decode the music: ' + (error && error.message));
      return -1;
    }
  }

  function trimMusic(id, start, frames, fileRate) {
    const entry = musics.get(id);
    const source = entry.buffer;
    const scale = source.sampleRate / fileRate;
    const first = Math.round(start * scale);
    const length = Math.max(1, Math.min(source.length - first, Math.round(frames * scale)));
    const trimmed = new AudioBuffer({ length, numberOfChannels: source.numberOfChannels, sampleRate: source.sampleRate });
    for (let c = 0; c < source.numberOfChannels; ++c) {
      trimmed.copyToChannel(source.getChannelData(c).subarray(first, first + length), c);
    }
    entry.buffer = trimmed;
    status.music = trimmed; // for the tests: the samples played from 0 ms
  }

  function playMusic(id, audible, loop) {
    const entry = musics.get(id);
    entry.loop = loop;
    entry.playing = true;
    entry.seconds = entry.buffer.duration;
    if (audio && audio.state === 'running') {
      const source = audio.createBufferSource();
      source.buffer = entry.buffer;
      source.loop = loop;
      const gain = audio.createGain();
      gain.gain.value = audible ? 1 : 0;
      source.connect(gain).connect(audio.destination);
      entry.startTime = audio.currentTime;
      source.start(entry.startTime);
      entry.source = source;
    } else {
      entry.startPerf = performance.now();
    }
    music = entry;
  }

  // The position in milliseconds: the context time of what is heard now, carried forward by the page
  // clock since the output last said so; the page clock alone without an audio output.
  function position(entry) {
    let seconds;
    if (entry.source) {
      const stamp = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
      if (stamp && stamp.performanceTime > 0) {
        seconds = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000 - entry.startTime;
      } else {
        seconds = audio.currentTime - (audio.outputLatency || audio.baseLatency || 0) - entry.startTime;
      }
    } else {
      seconds = (performance.now() - entry.startPerf) / 1000;
    }
    if (!entry.loop) seconds = Math.min(seconds, entry.seconds);
    return Math.max(0, seconds * 1000);
  }

  function musicPosition(id) {
    const entry = musics.get(id);
    if (!entry || !entry.playing) return 0;
    lastReportedPosition = position(entry);
    return lastReportedPosition;
  }

  function closeMusic(id) {
    const entry = musics.get(id);
    if (entry && entry.source) entry.source.stop();
    if (entry) entry.playing = false;
    musics.delete(id);
  }

  // Whether Escape is held down, from the page's own key events since it opened.
  let escapeHeld = false;
  document.addEventListener('keydown', (event) => event.key === 'Escape' && (escapeHeld = true), true);
  document.addEventListener('keyup', (event) => event.key === 'Escape' && (escapeHeld = false), true);
  window.addEventListener('blur', () => (escapeHeld = false));

  // ---- The dialog: the template's controls at their places, in dialog units of its font.
  let dialog = null; // {template, elements, events, waiting}
  function baseUnits(template) {
    const context = document.createElement('canvas').getContext('2d');
    const font = template.points + 'pt "' + template.font + '", "Microsoft Sans Serif", Tahoma, "DejaVu Sans", sans-serif';
    context.font = font;
    const metrics = context.measureText('ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz');
    const height = Math.ceil((metrics.fontBoundingBoxAscent || 10) + (metrics.fontBoundingBoxDescent || 3));
    return { x: Math.max(1, Math.floor((Math.round(metrics.width) / 26 + 1) / 2)), y: Math.max(1, height), font };
  }

  function openDialog(template) {
    const units = baseUnits(template);
    const mapX = (n) => Math.floor((n * units.x + 2) / 4);
    const mapY = (n) => Math.floor((n * units.y + 4) / 8);
    const box = document.createElement('div');
    box.className = 'dialog-window';
    box.setAttribute('role', 'dialog');
    box.setAttribute('aria-label', template.caption);
    box.style.font = units.font;
    const title = document.createElement('div');
    title.className = 'dialog-title';
    title.innerHTML = '<span></span>';
    title.firstChild.textContent = template.caption;
    if (template.closeBox) {
      const close = document.createElement('button');
      close.className = 'dialog-close';
      close.textContent = '\u2715';
      close.tabIndex = -1;
      close.setAttribute('aria-label', 'Close');
      close.addEventListener('click', () => queueDialogEvent(6, 0, 0));
      title.appendChild(close);
    }
    const body = document.createElement('div');
    body.className = 'dialog-body';
    body.style.width = mapX(template.width) + 'px';
    body.style.height = mapY(template.height) + 'px';
    box.append(title, body);
    dialog = { template, elements: [], focusables: [], events: [], waiting: null, box };
    template.controls.forEach((control, index) => {
      const element = makeControl(control, index);
      const height = control.kind === 'list' ? 'auto' : mapY(control.height) + 'px';
      Object.assign(element.style, { left: mapX(control.x) + 'px', top: mapY(control.y) + 'px', width: mapX(control.width) + 'px', height });
      element.dataset.index = index;
      body.appendChild(element);
      dialog.elements.push(element);
    });
    dialogBox.replaceChildren(box);
    dialogBox.hidden = false;
    const scale = Math.max(1, Math.min(2, Math.floor(Math.min(stage.clientWidth / (mapX(template.width) * 1.5), stage.clientHeight / (mapY(template.height) * 1.5)))));
    box.style.transform = 'scale(' + scale + ')';
    document.addEventListener('keydown', onDialogKeyDown, true);
    document.addEventListener('keyup', onDialogKeyUp, true);
    if (document.activeElement && document.activeElement.blur) document.activeElement.blur();
    status.state = 'dialog';
  }

  function focusable(element) {
    return element.matches('label') ? element.querySelector('input') : element;
  }

  function makeControl(control, index) {
    let element;
    if (control.kind === 'button') {
      element = document.createElement('button');
      element.type = 'button';
      element.textContent = control.text;
      if (control.isDefault) element.classList.add('default');
      element.addEventListener('click', () => pressButton(index));
    } else if (control.kind === 'check') {
      element = document.createElement('label');
      const box = document.createElement('input');
      box.type = 'checkbox';
      element.append(box, document.createTextNode(control.text));
      box.addEventListener('click', () => queueDialogEvent(1, index, 0));
    } else if (control.kind === 'list') {
      element = document.createElement('select');
      element.addEventListener('change', () => queueDialogEvent(2, index, element.selectedIndex < 0 ? 0xfff : element.selectedIndex));
    } else if (control.kind === 'group') {
      element = document.createElement('fieldset');
      const legend = document.createElement('legend');
      legend.textContent = control.text;
      element.appendChild(legend);
    } else {
      element = document.createElement('div');
      element.className = 'text' + (control.centred ? ' centred' : '');
      element.textContent = control.text;
    }
    const target = focusable(element);
    if (target && (control.kind === 'button' || control.kind === 'check' || control.kind === 'list')) {
      target.tabIndex = control.tabStop ? 0 : -1;
    }
    if (control.text) element.setAttribute('aria-label', control.text);
    return element;
  }

  // The user's gesture that starts the demo: the audio output, and the page's fullscreen when the
  // dialog asks for it.
  function pressButton(index) {
    const control = dialog.template.controls[index];
    if (control.isDefault) startGesture();
    queueDialogEvent(1, index, 0);
  }

  function startGesture() {
    prepareAudio();
    const fullscreen = dialog.template.controls.findIndex((c) => c.kind === 'check' && c.fullscreen);
    const box = fullscreen >= 0 && focusable(dialog.elements[fullscreen]);
    if (box && box.checked && stage.requestFullscreen) stage.requestFullscreen().catch(() => {});
  }

  function focusedIndex() {
    const active = document.activeElement;
    if (!dialog || !active) return -1;
    return dialog.elements.findIndex((element) => element === active || element.contains(active));
  }

  function tabStops() {
    return dialog.template.controls.map((c, i) => (c.tabStop ? i : -1)).filter((i) => i >= 0);
  }

  function moveFocus(forward) {
    const stops = tabStops();
    if (!stops.length) return;
    const at = stops.indexOf(focusedIndex());
    const next = at < 0 ? (forward ? 0 : stops.length - 1) : (at + (forward ? 1 : stops.length - 1)) % stops.length;
    focusable(dialog.elements[stops[next]]).focus({ focusVisible: true });
  }

  function onDialogKeyDown(event) {
    if (!dialog) return;
    if (event.key === 'Escape') {
      event.preventDefault();
      if (!event.repeat) queueDialogEvent(3, 0, 0);
    } else if (event.key === 'Enter') {
      event.preventDefault();
      const focused = focusedIndex();
      const control = focused >= 0 ? dialog.template.controls[focused] : null;
      if (!control || control.kind !== 'button' || control.isDefault) startGesture();
      queueDialogEvent(5, focused < 0 ? 0xfff : focused, 0);
    } else if (event.key === 'Tab') {
      event.preventDefault();
      moveFocus(!event.shiftKey);
      queueDialogEvent(7, 0, 0);
    } else {
      queueDialogEvent(7, 0, 0);
    }
  }

  function onDialogKeyUp(event) {
    if (dialog) queueDialogEvent(event.key === 'Escape' ? 4 : 7, 0, 0);
  }

  function queueDialogEvent(kind, control, value) {
    if (!dialog) return;
    const code = (kind << 24) | (control << 12) | value;
    if (dialog.waiting) {
      const resolve = dialog.waiting;
      dialog.waiting = null;
      resolve(code);
    } else {
      dialog.events.push(code);
    }
  }

  function nextDialogEvent() {
    if (dialog.events.length) return Promise.resolve(dialog.events.shift());
    return new Promise((resolve) => (dialog.waiting = resolve));
  }

  function closeDialog() {
    document.removeEventListener('keydown', onDialogKeyDown, true);
    document.removeEventListener('keyup', onDialogKeyUp, true);
    dialogBox.hidden = true;
    dialogBox.replaceChildren();
    dialog = null;
  }

  // ---- Reports: what the program leaves in error.txt, or its last words on standard error.
  const errorLines = [];
  function showReport(lines, note) {
    status.report = lines;
    for (const line of lines) console.error(line);
    reportBox.replaceChildren();
    if (lines.length) {
      const pre = document.createElement('pre');
      pre.textContent = lines.join('\n');
      reportBox.appendChild(pre);
    }
    const text = document.createElement('p');
    text.textContent = note;
    const again = document.createElement('button');
    again.textContent = 'Start again';
    again.addEventListener('click', () => location.reload());
    reportBox.append(text, again);
    reportBox.hidden = false;
    again.focus();
  }

  function readErrorTxt() {
    try {
      return Module.FS.readFile('error.txt', { encoding: 'utf8' }).replace(/\r\n$/, '').split('\r\n');
    } catch (missing) {
      return null;
    }
  }

  function onExit(code) {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    progressBox.hidden = true;
    if (requestedClock >= 0 && status.frameShownClock !== null) return;
    const report = readErrorTxt();
    if (report) {
      status.state = 'report';
      showReport(report, 'The demo stopped.');
    } else if (code !== 0) {
      status.state = 'report';
      showReport(errorLines.slice(-4), 'The demo stopped.');
    } else if (status.state === 'dialog') {
      status.state = 'cancelled';
      showReport([], 'Cancelled: the demo did not start.');
    } else {
      status.state = 'ended';
      showReport([], 'The demo has ended.');
    }
    canvas.hidden = status.state === 'cancelled';
  }

  // exit() ends the program by throwing ExitStatus through whatever called it last (a resumed wait):
  // the end itself is what onExit shows, so the throw is no error.
  window.addEventListener('unhandledrejection', (event) => {
    if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
  });

  window.Module = {
    canvas,
    print: (text) => console.log(text),
    printErr: (text) => {
      errorLines.push(text);
      console.error(text);
    },
    onExit,
    onAbort: (what) => {
      status.state = 'report';
      showReport(errorLines.slice(-4), 'The demo stopped: ' + what);
    },
    page: {
      requestedClocks: () => requestedClocks,
      drawing: (clock) => {
        status.drawingClock = clock;
        return new Promise((resolve) => setTimeout(resolve, 0));
      },
      frameShown: (clock) => {
        status.shownFrames[clock] = canvas.toDataURL('image/png');
        if (clock === requestedClock) {
          status.frameShownClock = clock;
          status.state = 'frame';
        }
      },
      keepsDrawingBuffer: () => keepDrawingBuffer,
      showCanvas,
      hideCanvas: () => {}, // the last picture stays under the page's note
      showCursor: (show) => (canvas.style.cursor = show ? '' : 'none'),
      nextFrame,
      awaitFile,
      awaitPictures,
      openAudio,
      decodeMusic,
      trimMusic,
      playMusic,
      musicPosition,
      closeMusic,
      openDialog,
      escapeHeld: () => escapeHeld,
      closeDialog,
      nextDialogEvent,
      dialogShowCheck: (index, checked) => (focusable(dialog.elements[index]).checked = checked),
      dialogAddItem: (index, text) => dialog.elements[index].add(new Option(text)),
      dialogShowSelection: (index, selection) => (dialog.elements[index].selectedIndex = selection),
    },
  };
})();
