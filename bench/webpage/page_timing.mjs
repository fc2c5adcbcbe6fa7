// How long a map page takes in headless Chromium: from navigation to the load event and to the
// first paint, and how long the page takes to answer pointing (a tooltip) and the legend (the
// highlighting of a class), each the median of a few tries.
//   node --experimental-websocket page_timing.mjs PAGE.html [RUNS]
import { statSync } from 'node:fs';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch } from '../../tests/webpage/browser.mjs';

const [pagePath, runsText] = process.argv.slice(2);
const runs = Number(runsText) || 3;
const url = pathToFileURL(resolve(pagePath)).href;
const median = (xs) => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const page = await launch();
const results = { open: [], load: [], paint: [], tooltip: [], legend: [] };
try {
  for (let run = 0; run < runs; ++run) {
    results.open.push(await page.open(url));
    const timing = await page.eval(`new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(() => {
      const nav = performance.getEntriesByType('navigation')[0];
      const paint = performance.getEntriesByType('paint').find((p) => p.name === 'first-contentful-paint');
      done({ load: nav.loadEventEnd, paint: paint ? paint.startTime : -1, shown: performance.now() });
    })))`);
    results.load.push(timing.load);
    results.paint.push(timing.shown);
    // Pointing: the time from a mouse move over a region until its tooltip is laid out.
    const at = await page.eval(`(() => { const els = document.querySelectorAll('svg [data-code]');
      const el = els[Math.floor(els.length / 2)]; const r = el.getBoundingClientRect();
      return [r.left + r.width / 2, r.top + r.height / 2]; })()`);
    await page.eval(`window.__t = performance.now()`);
    await page.mouse('mouseMoved', at[0], at[1]);
    results.tooltip.push(await page.eval(`new Promise((done) => requestAnimationFrame(() =>
      done(performance.now() - window.__t)))`));
    // The legend: highlighting the first class and painting the result.
    results.legend.push(await page.eval(`new Promise((done) => { const t = performance.now();
      document.querySelector('.legend [data-class]').dispatchEvent(new PointerEvent('pointerenter'));
      requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now() - t))); })`));
    await page.mouse('mouseMoved', 1, 1);
  }
} finally {
  await page.close();
}
const size = statSync(pagePath).size;
console.log(`${pagePath}: ${(size / 1048576).toFixed(2)} MB`);
for (const [name, xs] of Object.entries(results))
  console.log(`  ${name.padEnd(8)} median ${median(xs).toFixed(0)} ms  (${xs.map((x) => x.toFixed(0)).join(', ')})`);
