// A small driver of headless Chromium through its DevTools protocol, for the tests of the map
// page: opens a page, records every request it makes, evaluates script in it, moves the mouse,
// presses keys and takes screenshots. Node 20 with --experimental-websocket; no packages.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { inflateSync } from 'node:zlib';

export async function launch({ width = 1200, height = 900 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'browser-profile-'));
  const binary = process.env.CHROMIUM || 'chromium';
  const args = ['--headless=new', '--disable-gpu', '--no-first-run', '--no-default-browser-check',
    '--disable-extensions', '--disable-background-networking', '--disable-sync',
    '--disable-component-update', '--disable-features=Translate,MediaRouter,OptimizationHints',
    '--hide-scrollbars', '--mute-audio', `--window-size=${width},${height}`,
    `--user-data-dir=${profile}`, '--remote-debugging-port=0', 'about:blank'];
  if (process.getuid && process.getuid() === 0) args.unshift('--no-sandbox');
  // The browser's sockets live in its temporary folder, and a socket's path may be at most
  // 107 bytes long: a deep temporary folder is replaced by the profile or /tmp.
  const socketFolder = profile.length <= 60 ? profile : '/tmp';
  const child = spawn(binary, args, { stdio: ['ignore', 'ignore', 'pipe'],
                                      env: { ...process.env, TMPDIR: socketFolder } });
  const endpoint = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('Chromium did not start: ' + text)), 30000);
    child.stderr.on('data', (chunk) => {
      text += chunk;
      const m = text.match(/DevTools listening on (ws:\/\/\S+)/);
      if (m) { clearTimeout(timer); resolve(m[1]); }
    });
    child.on('exit', (code) => reject(new Error(`Chromium ended (${code}): ${text}`)));
  });
  const ws = new WebSocket(endpoint);
  await new Promise((resolve, reject) => { ws.onopen = resolve; ws.onerror = reject; });
  let next = 1;
  const pending = new Map();
  const listeners = [];
  ws.onmessage = (event) => {
    const msg = JSON.parse(event.data);
    if (msg.id && pending.has(msg.id)) {
      const { resolve, reject } = pending.get(msg.id);
      pending.delete(msg.id);
      if (msg.error) reject(new Error(JSON.stringify(msg.error)));
      else resolve(msg.result);
    } else if (msg.method) {
      listeners.forEach((l) => l(msg));
    }
  };
  function send(method, params = {}, sessionId) {
    const id = next++;
    ws.send(JSON.stringify({ id, method, params, sessionId }));
    return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
  }
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const call = (method, params) => send(method, params, sessionId);
  const requests = [];
  listeners.push((msg) => {
    if (msg.sessionId === sessionId && msg.method === 'Network.requestWillBeSent')
      requests.push(msg.params.request.url);
  });
  await call('Network.enable');
  await call('Page.enable');
  await call('Runtime.enable');
  await call('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });

  const page = {
    requests,
    async open(url) {
      const loaded = new Promise((resolve) => {
        const l = (msg) => {
          if (msg.sessionId === sessionId && msg.method === 'Page.loadEventFired') {
            listeners.splice(listeners.indexOf(l), 1);
            resolve();
          }
        };
        listeners.push(l);
      });
      const started = performance.now();
      await call('Page.navigate', { url });
      await loaded;
      return performance.now() - started;
    },
    // The value of an expression (awaited when it is a promise).
    async eval(expression) {
      const r = await call('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
      if (r.exceptionDetails) throw new Error(`${expression}: ${JSON.stringify(r.exceptionDetails)}`);
      return r.result.value;
    },
    async mouse(type, x, y, button = 'none') {
      await call('Input.dispatchMouseEvent', { type, x, y, button, clickCount: type === 'mouseMoved' ? 0 : 1,
        buttons: type === 'mousePressed' ? 1 : 0 });
    },
    async click(x, y) {
      await page.mouse('mouseMoved', x, y);
      await page.mouse('mousePressed', x, y, 'left');
      await page.mouse('mouseReleased', x, y, 'left');
    },
    async tap(x, y) {
      await call('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 1 });
      await call('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
      await call('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    },
    async key(key, code = key, keyCode = 0, modifiers = 0) {
      const text = key.length === 1 ? key : undefined;
      await call('Input.dispatchKeyEvent', { type: 'keyDown', key, code, windowsVirtualKeyCode: keyCode, text, modifiers });
      await call('Input.dispatchKeyEvent', { type: 'keyUp', key, code, windowsVirtualKeyCode: keyCode, modifiers });
    },
    // Emulates a media feature of the reader's system, such as prefers-reduced-motion.
    async media(name, value) {
      await call('Emulation.setEmulatedMedia', { features: [{ name, value }] });
    },
    async screenshot(clip) {
      const r = await call('Page.captureScreenshot', clip ? { format: 'png', clip: { ...clip, scale: 1 } } : { format: 'png' });
      return Buffer.from(r.data, 'base64');
    },
    // The colour of the pixel at (x, y) of the page as shown, as [r, g, b].
    async pixel(x, y) {
      return firstPixel(await page.screenshot({ x, y, width: 1, height: 1 }));
    },
    async close() {
      try { await send('Browser.close'); } catch { /* already gone */ }
      ws.close();
      await new Promise((resolve) => { if (child.exitCode !== null) resolve(); else child.on('exit', resolve); });
      rmSync(profile, { recursive: true, force: true });
    },
  };
  return page;
}

// The first pixel of a PNG image of eight bits per channel (what the screenshots are): with
// nothing above it and nothing left of it, every filter leaves its bytes as they are.
function firstPixel(png) {
  let at = 8, idat = [], channels = 4;
  while (at < png.length) {
    const length = png.readUInt32BE(at), type = png.toString('ascii', at + 4, at + 8);
    if (type === 'IHDR') channels = { 2: 3, 6: 4, 0: 1, 4: 2 }[png[at + 8 + 9]];
    if (type === 'IDAT') idat.push(png.subarray(at + 8, at + 8 + length));
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(idat));
  return channels >= 3 ? [raw[1], raw[2], raw[3]] : [raw[1], raw[1], raw[1]];
}

// Fails the test with the message unless the condition holds.
export function check(condition, message) {
  if (!condition) throw new Error('Failed: ' + message);
  console.log('ok - ' + message);
}
