// The page around the WebAssembly saver (flindra.js): the canvas's size,
// a frame on every browser paint, the settings panel, full screen and its
// input rules, a lost WebGL context, the frame rate on request and the
// offline copy. Loaded before flindra.js, which picks Module up.
'use strict';

const canvas = document.getElementById('flakes');
const panel = document.getElementById('panel');
const message = document.getElementById('message');
const door = document.getElementById('door');
const hint = document.getElementById('hint');
const fpsLine = document.getElementById('fps');
const fullscreenButton = document.getElementById('fullscreen');
const kDoorRestsAfterMs = 6000;

let contextLost = false;

var Module = {
  onRuntimeInitialized: start,
  onAbort: () => showMessage('Flindra could not start in this browser.'),
};

function showMessage(text) {
  message.textContent = text;
  message.hidden = !text;
}

function showPanel(shown) {
  panel.hidden = !shown;
  hint.hidden = true;
}

// The canvas in device pixels: the window's size times the pixel ratio.
function canvasSize() {
  const ratio = window.devicePixelRatio || 1;
  return [Math.max(1, Math.round(window.innerWidth * ratio)), Math.max(1, Math.round(window.innerHeight * ratio))];
}

function resize() {
  const [width, height] = canvasSize();
  if (width === canvas.width && height === canvas.height) return;
  canvas.width = width;
  canvas.height = height;
  Module._flindra_resize(width, height);
}

// A change of pixel ratio (zoom, another monitor) fires no resize everywhere.
function followPixelRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
    resize();
    followPixelRatio();
  }, {once: true});
}

// "FPS: 31.9" in a corner: the core counts the frames; the line is touched
// only when its text changes.
function frameRateCounter() {
  fpsLine.hidden = false;
  const show = () => {
    const text = Module.ccall('flindra_frame_rate', 'string', [], []);
    if (fpsLine.textContent !== text) fpsLine.textContent = text;
  };
  show();
  return show;
}

// The canvas's opacity, touched only when it changes: a style set on every
// frame costs the browser a style pass each time.
function showOpacity(byte) {
  const opacity = String(byte / 255);
  if (canvas.style.opacity !== opacity) canvas.style.opacity = opacity;
}

function startFrames(countFrame) {
  const frame = (now) => {
    if (!contextLost) {
      const opacity = Module._flindra_tick(now);
      if (opacity >= 0) {
        showOpacity(opacity);
        countFrame?.(now);
      }
    }
    requestAnimationFrame(frame);
  };
  requestAnimationFrame(frame);
}

// While the browser has taken WebGL away nothing is stepped or drawn; when
// it gives it back the same field goes on.
function followContext() {
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault();  // asks the browser for the context back
    contextLost = true;
    Module._flindra_context_lost();
  });
  canvas.addEventListener('webglcontextrestored', () => {
    if (Module._flindra_context_restored()) {
      contextLost = false;
      showMessage('');
    } else {
      showMessage('The browser gave WebGL back, but Flindra could not set it up again; reload the page.');
    }
  });
}

function buildPanel() {
  const sliders = document.getElementById('sliders');
  for (const setting of JSON.parse(Module.ccall('flindra_settings', 'string', [], []))) {
    const label = document.createElement('label');
    const caption = document.createElement('span');
    caption.textContent = setting.label;
    label.title = setting.meaning;
    const input = Object.assign(document.createElement('input'),
                                {type: 'range', name: setting.name, min: setting.low, max: setting.high});
    const ends = document.createElement('span');
    ends.className = 'ends';
    ends.append(Object.assign(document.createElement('span'), {textContent: setting.lowLabel}),
                Object.assign(document.createElement('span'), {textContent: setting.highLabel}));
    const slider = document.createElement('span');
    slider.className = 'slider';
    slider.append(input, ends);
    input.value = setting.value;
    const output = document.createElement('output');
    output.value = setting.value;
    input.addEventListener('input', () => {
      showMessage(Module.ccall('flindra_set', 'string', ['string', 'string'], [setting.name, input.value]));
      output.value = input.value;
      const query = Module.ccall('flindra_query', 'string', [], []);
      history.replaceState(null, '', query ? '?' + query : location.pathname);
      showOpacity(Module._flindra_opacity());
    });
    label.append(caption, slider, output);
    sliders.append(label);
  }
}

// The front door rests (dims) once the visitor leaves it alone, and wakes
// when the pointer moves or a key is pressed outside full screen.
function followDoor() {
  let timer = 0;
  const wake = () => {
    door.classList.remove('resting');
    clearTimeout(timer);
    timer = setTimeout(() => door.classList.add('resting'), kDoorRestsAfterMs);
  };
  document.addEventListener('pointermove', () => { if (!document.fullscreenElement) wake(); });
  document.addEventListener('keydown', () => { if (!document.fullscreenElement) wake(); });
  wake();
}

// Outside full screen a key or a click on the flakes shows the panel, Esc
// or another click hides it. In full screen, as a saver, a key, a click, the
// wheel or a pointer that strays beyond the core's slack leaves full screen.
function followInput() {
  const inFullscreen = () => document.fullscreenElement != null;
  let pointerStart = null;
  let leftByPress = false;
  const leave = (event) => {
    event.preventDefault();
    document.exitFullscreen();
  };
  document.addEventListener('keydown', (event) => {
    if (inFullscreen()) return leave(event);
    if (event.key === 'Escape') showPanel(false);
    else if (panel.hidden && !event.ctrlKey && !event.metaKey && !event.altKey) showPanel(true);
  });
  document.addEventListener('pointerdown', (event) => {
    leftByPress = inFullscreen();
    if (leftByPress) leave(event);
  });
  document.addEventListener('pointermove', (event) => {
    if (!inFullscreen()) return;
    if (pointerStart === null) pointerStart = [event.screenX, event.screenY];
    else if (Module._flindra_pointer_strayed(event.screenX - pointerStart[0], event.screenY - pointerStart[1])) {
      leave(event);
    }
  });
  document.addEventListener('wheel', (event) => { if (inFullscreen()) leave(event); }, {passive: false});
  canvas.addEventListener('click', () => {
    if (!leftByPress) showPanel(panel.hidden);
    leftByPress = false;
  });
  document.addEventListener('fullscreenchange', () => {
    pointerStart = null;
    if (inFullscreen()) showPanel(false);
  });
  document.getElementById('close').addEventListener('click', () => showPanel(false));
  if (!document.documentElement.requestFullscreen) fullscreenButton.hidden = true;
  fullscreenButton.addEventListener('click', () => {
    document.documentElement.requestFullscreen({navigationUI: 'hide'})
        .catch(() => showMessage('This browser did not allow full screen here.'));
  });
}

// Keeps the page's files for a visit without the network. Only where the
// browser allows service workers (https, or this machine).
function keepOffline() {
  if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
  navigator.serviceWorker.register('sw.js').catch(() => {});
}

function start() {
  [canvas.width, canvas.height] = canvasSize();
  const started = JSON.parse(Module.ccall('flindra_start', 'string', ['string', 'number', 'number'],
                                          [location.search, canvas.width, canvas.height]));
  showMessage(started.line);
  if (started.note) console.info(`Flindra: ${started.note}`);
  followDoor();
  keepOffline();
  if (!started.running) {
    // Nothing to set or show: the explanation stays, and so does the address.
    hint.hidden = true;
    return;
  }
  showOpacity(Module._flindra_opacity());
  buildPanel();
  followInput();
  followContext();
  window.addEventListener('resize', resize);
  followPixelRatio();
  startFrames(started.fps ? frameRateCounter() : null);
}
