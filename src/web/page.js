// The page around the WebAssembly saver (flindra.js): the canvas's size,
// a frame on every browser paint, the settings panel, full screen and its
// input rules. Loaded before flindra.js, which picks Module up.
'use strict';

const canvas = document.getElementById('flakes');
const panel = document.getElementById('panel');
const message = document.getElementById('message');
const hint = document.getElementById('hint');
const fullscreenButton = document.getElementById('fullscreen');
const kPointerSlack = 4;  // CSS pixels a pointer may stray in full screen, either axis

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

function frame(now) {
  const opacity = Module._flindra_tick(now);
  if (opacity >= 0) canvas.style.opacity = String(opacity / 255);
  requestAnimationFrame(frame);
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
      canvas.style.opacity = String(Module._flindra_opacity() / 255);
    });
    label.append(caption, slider, output);
    sliders.append(label);
  }
}

// Outside full screen a key or a click on the flakes shows the panel, Esc
// or another click hides it. In full screen, as a saver, a key, a click or
// a pointer that strays beyond the slack leaves full screen.
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
    else if (Math.abs(event.screenX - pointerStart[0]) > kPointerSlack ||
             Math.abs(event.screenY - pointerStart[1]) > kPointerSlack) leave(event);
  });
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

function start() {
  [canvas.width, canvas.height] = canvasSize();
  const error = Module.ccall('flindra_start', 'string', ['string', 'number', 'number'],
                             [location.search, canvas.width, canvas.height]);
  showMessage(error);
  canvas.style.opacity = String(Module._flindra_opacity() / 255);
  buildPanel();
  followInput();
  window.addEventListener('resize', resize);
  followPixelRatio();
  canvas.addEventListener('webglcontextlost',
                          () => showMessage('The browser stopped WebGL for this page; reload it to see the flakes.'));
  requestAnimationFrame(frame);
}
