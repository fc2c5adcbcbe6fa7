// The page of the North Carolina births map, opened in headless Chromium as a reader would:
// region colours, tooltips by mouse, keyboard and touch, legend highlighting, zoom, the data
// table, and no request leaving the page.
//   node --experimental-websocket check_nc_page.mjs PAGE.html [SCREENSHOT.png]
import { writeFileSync } from 'node:fs';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { check, launch } from './browser.mjs';

const [pagePath, screenshotPath] = process.argv.slice(2);
const url = pathToFileURL(resolve(pagePath)).href;
const page = await launch();
try {
  await page.open(url);

  // A point inside the region, found where the page shows it (the region is on top there).
  async function pointIn(name) {
    return page.eval(`(() => {
      const el = document.querySelector('[data-name="${name}"]');
      const r = el.getBoundingClientRect();
      for (let i = 1; i < 24; ++i) for (let j = 1; j < 24; ++j) {
        const x = Math.round(r.left + r.width * i / 24), y = Math.round(r.top + r.height * j / 24);
        const inside = [[0, 0], [-3, -3], [3, -3], [-3, 3], [3, 3]]
          .every(([dx, dy]) => document.elementFromPoint(x + dx, y + dy) === el);
        if (inside) return [x, y];
      }
      return null;
    })()`);
  }
  const tip = () => page.eval(`(() => { const t = document.querySelector('.tip');
    return t.hidden ? null : t.textContent; })()`);

  // Colours: Tyrrell has the fewest births (lowest class, light yellow), Mecklenburg the most
  // (highest class, maroon), as on the map pictures; the pixels shown are those colours.
  const colours = { Tyrrell: [255, 255, 128], Mecklenburg: [128, 0, 0] };
  for (const [name, rgb] of Object.entries(colours)) {
    const p = await pointIn(name);
    check(p !== null, `${name} is shown on the page`);
    const pixel = await page.pixel(p[0], p[1]);
    check(pixel.every((c, i) => Math.abs(c - rgb[i]) <= 2), `${name} is drawn in rgb(${rgb}) (got ${pixel})`);
    const fill = await page.eval(`getComputedStyle(document.querySelector('[data-name="${name}"]')).fill`);
    check(fill === `rgb(${rgb.join(', ')})`, `${name}'s class fill is rgb(${rgb}) (${fill})`);
  }
  // Every region's fill is the colour of its class's legend swatch, and the legend range of its
  // class holds its value.
  const classes = await page.eval(`(() => {
    const bad = [];
    document.querySelectorAll('svg [data-code]').forEach((el) => {
      const cls = [...el.classList].find((c) => /^c\\d+$/.test(c));
      const item = document.querySelector('.legend [data-class="' + cls.slice(1) + '"]');
      const swatch = item && item.querySelector('rect');
      if (!swatch || getComputedStyle(swatch).fill !== getComputedStyle(el).fill) bad.push(el.dataset.name);
      const range = item.querySelector('.range').textContent.split(' \\u2013 ').map((t) => Number(t.replace(/,/g, '')));
      const v = Number(el.dataset.value);
      if (range.length === 2 && (v < range[0] || v > range[1])) bad.push(el.dataset.name + ' ' + v);
    });
    return bad;
  })()`);
  check(classes.length === 0, `every region has its legend class's colour and range (${classes.join(', ')})`);

  // Pointing at Mecklenburg shows its name, code and value as the legend writes numbers, and
  // outlines it.
  const meck = await pointIn('Mecklenburg');
  await page.mouse('mouseMoved', meck[0], meck[1]);
  const hovered = await tip();
  check(hovered !== null && hovered.includes('Mecklenburg') && hovered.includes('21,588') && hovered.includes('37119'),
        `pointing at Mecklenburg shows "${hovered}"`);
  const outlined = await page.eval(`document.querySelector('.hl').getAttribute('d') ===
    document.querySelector('[data-name="Mecklenburg"]').getAttribute('d')`);
  check(outlined, 'Mecklenburg is outlined');
  await page.mouse('mouseMoved', 2, 2);
  check(await tip() === null, 'the tooltip goes when the pointer leaves the map');

  // Keyboard: Tab reaches the map and then a region; the arrow keys move to a neighbour; the
  // focused region shows its tooltip; Escape hides it.
  await page.eval(`document.activeElement.blur()`);
  let focused = null;
  for (let i = 0; i < 12 && !focused; ++i) {
    await page.key('Tab', 'Tab', 9);
    focused = await page.eval(`document.activeElement.dataset ? document.activeElement.dataset.name || null : null`);
  }
  check(focused !== null, `Tab reaches a region (${focused})`);
  check((await tip() || '').includes(focused), `the focused region's tooltip shows (${await tip()})`);
  await page.key('ArrowRight', 'ArrowRight', 39);
  const moved = await page.eval(`document.activeElement.dataset.name`);
  check(moved && moved !== focused && (await tip()).includes(moved), `the right arrow moves to ${moved} and shows it`);
  await page.key('Escape', 'Escape', 27);
  check(await tip() === null, 'Escape hides the tooltip');
  // Walk by arrow keys towards Mecklenburg: the focus reaches it and its tooltip shows.
  const target = await page.eval(`(() => { const b = document.querySelector('[data-name="Mecklenburg"]').getBBox();
    return [b.x + b.width / 2, b.y + b.height / 2]; })()`);
  let name = moved;
  for (let step = 0; step < 60 && name !== 'Mecklenburg'; ++step) {
    const here = await page.eval(`(() => { const b = document.activeElement.getBBox();
      return [b.x + b.width / 2, b.y + b.height / 2]; })()`);
    const dx = target[0] - here[0], dy = target[1] - here[1];
    const key = Math.abs(dx) > Math.abs(dy) ? (dx > 0 ? ['ArrowRight', 39] : ['ArrowLeft', 37])
                                             : (dy > 0 ? ['ArrowDown', 40] : ['ArrowUp', 38]);
    await page.key(key[0], key[0], key[1]);
    name = await page.eval(`document.activeElement.dataset.name`);
  }
  const byKeys = await tip();
  check(name === 'Mecklenburg' && byKeys.includes('Mecklenburg') && byKeys.includes('21,588'),
        `the arrow keys reach Mecklenburg and show "${byKeys}"`);

  // The legend: pointing at the highest class leaves its regions in their colour and dims
  // the others, as the reader sees it.
  const tyrrell = await pointIn('Tyrrell');
  const item = await page.eval(`(() => { const items = document.querySelectorAll('.legend [data-class]');
    const li = [...items].find((i) => i.dataset.class === '4'); const r = li.getBoundingClientRect();
    return [r.left + r.width / 2, r.top + r.height / 2, Number(li.querySelector('.count').textContent.slice(1, -1))]; })()`);
  await page.mouse('mouseMoved', item[0], item[1]);
  const litMeck = await page.pixel(meck[0], meck[1]);
  const dimTyrrell = await page.pixel(tyrrell[0], tyrrell[1]);
  check(litMeck.every((c, i) => Math.abs(c - [128, 0, 0][i]) <= 2), `Mecklenburg keeps its class colour (${litMeck})`);
  check(dimTyrrell[2] >= 220, `Tyrrell, of another class, is dimmed (${dimTyrrell})`);
  // Every region of the class, and only they, are drawn again over the veil.
  const shown = await page.eval(`(() => { const hot = document.querySelector('.over path.c4');
    const d = hot ? hot.getAttribute('d') : '';
    const mine = [...document.querySelectorAll('.map svg [data-code].c4')].map((e) => e.getAttribute('d'));
    return { all: mine.every((x) => d.includes(x)), length: mine.join('').length === d.length, n: mine.length }; })()`);
  check(shown.all && shown.length && shown.n === item[2], `the ${item[2]} regions of the class stand out`);
  await page.mouse('mouseMoved', 2, 2);
  const undimmed = await page.pixel(tyrrell[0], tyrrell[1]);
  check(undimmed.every((c, i) => Math.abs(c - [255, 255, 128][i]) <= 2), `leaving the legend shows the map as before (${undimmed})`);
  const counts = await page.eval(`[...document.querySelectorAll('.legend .count')].reduce((s, c) => s + Number(c.textContent.slice(1, -1)), 0)`);
  check(counts === 100, `the legend counts 100 regions in its classes (${counts})`);
  await page.mouse('mouseMoved', 2, 2);

  // Zoom: the + button narrows the view; outlines keep their width; reset shows the whole map.
  const whole = await page.eval(`document.querySelector('.map svg').getAttribute('viewBox')`);
  const plus = await page.eval(`(() => { const r = document.querySelector('.zoom-in').getBoundingClientRect(); return [r.left + 5, r.top + 5]; })()`);
  await page.click(plus[0], plus[1]);
  await page.eval(`new Promise((r) => setTimeout(r, 400))`);
  const zoomedBox = await page.eval(`document.querySelector('.map svg').viewBox.baseVal.width`);
  check(zoomedBox < Number(whole.split(' ')[2]), `the + button zooms in (view ${zoomedBox} of ${whole})`);
  const stroke = await page.eval(`getComputedStyle(document.querySelector('[data-name="Wake"]')).vectorEffect`);
  check(stroke === 'non-scaling-stroke', 'outlines keep their width when zoomed');
  const reset = await page.eval(`(() => { const r = document.querySelector('.zoom-reset').getBoundingClientRect(); return [r.left + 5, r.top + 5]; })()`);
  await page.click(reset[0], reset[1]);
  await page.eval(`new Promise((r) => setTimeout(r, 400))`);
  check(await page.eval(`document.querySelector('.map svg').getAttribute('viewBox')`) === whole, 'Reset shows the whole map again');

  // A tap shows the tooltip.
  const tapAt = await pointIn('Wake');
  await page.tap(tapAt[0], tapAt[1]);
  await page.eval(`new Promise((r) => setTimeout(r, 100))`);
  check((await tip() || '').includes('Wake'), `a tap on Wake shows its tooltip (${await tip()})`);

  if (screenshotPath) {
    await page.mouse('mouseMoved', meck[0], meck[1]);
    writeFileSync(screenshotPath, await page.screenshot());
  }

  // The data table: 100 rows, sorted by name, then by value.
  const button = await page.eval(`(() => { const r = document.querySelector('.show-table').getBoundingClientRect(); return [r.left + 5, r.top + 5]; })()`);
  await page.click(button[0], button[1]);
  const rows = await page.eval(`document.querySelectorAll('.figures tbody tr').length`);
  check(rows === 100, `the data table lists ${rows} rows`);
  const first = await page.eval(`document.querySelector('.figures tbody td').textContent`);
  check(first === 'Alamance', `sorted by name it starts with ${first}`);
  // Sorting by value puts the highest first; a second click the lowest.
  const byValue = async () => page.eval(`[...document.querySelectorAll('.figures tbody tr')].map((r) => r.cells[0].textContent + ' ' + r.cells[2].textContent)`);
  await page.eval(`document.querySelector('[data-sort="value"]').click()`);
  const high = await byValue();
  check(high[0] === 'Mecklenburg 21,588' && high[99] === 'Tyrrell 248', `sorted by value: ${high[0]} ... ${high[99]}`);
  await page.eval(`document.querySelector('[data-sort="value"]').click()`);
  const low = await byValue();
  check(low[0] === 'Tyrrell 248', `a second click sorts from the lowest (${low[0]})`);

  // The description of the map for assistive technology.
  const desc = await page.eval(`document.querySelector('.map svg desc').textContent`);
  check(/100 regions, from 248 \(Tyrrell\) to 21,588 \(Mecklenburg\); highest: Mecklenburg 21,588/.test(desc),
        `the map is described: ${desc}`);
  check(await page.eval(`document.querySelector('.map svg').getAttribute('role')`) === 'img', 'the map has role img');

  // Texts stand out from what is behind them by a contrast of at least 4.5:1.
  const contrasts = await page.eval(`(() => {
    const rgb = (c) => c.match(/[\\d.]+/g).map(Number);
    const lum = ([r, g, b]) => [r, g, b].map((v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; })
      .reduce((s, v, i) => s + v * [0.2126, 0.7152, 0.0722][i], 0);
    const behind = (el) => { for (; el; el = el.parentElement) { const c = rgb(getComputedStyle(el).backgroundColor);
      if (c.length < 4 || c[3] > 0) return c.slice(0, 3); } return [255, 255, 255]; };
    document.querySelector('.tip').hidden = false;
    const texts = [...document.querySelectorAll('h1, .statistic, .source, button, .legend p, .legend .range, .legend .count, .tip, .tip .code, th, td')];
    return texts.map((el) => { const a = lum(rgb(getComputedStyle(el).color)), b = lum(behind(el));
      return [el.className || el.tagName, (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05)]; });
  })()`);
  const lowest = contrasts.reduce((m, c) => (c[1] < m[1] ? c : m), ['', Infinity]);
  check(lowest[1] >= 4.5, `every text has a contrast of at least 4.5:1 (lowest ${lowest[1].toFixed(1)}:1, ${lowest[0]})`);
  await page.key('Escape', 'Escape', 27);

  // With reduced motion asked for, the zoom buttons change the view at once, without easing.
  await page.media('prefers-reduced-motion', 'reduce');
  const now = await page.eval(`(() => { const svg = document.querySelector('.map svg'); const before = svg.viewBox.baseVal.width;
    document.querySelector('.zoom-in').click(); return [before, svg.viewBox.baseVal.width]; })()`);
  check(now[1] < now[0], `with reduced motion the view zooms at once (${now[0]} -> ${now[1]})`);
  await page.eval(`document.querySelector('.zoom-reset').click()`);

  // Nothing but the page itself was asked for.
  const foreign = page.requests.filter((u) => u !== url && !u.startsWith('data:'));
  check(foreign.length === 0, `no request leaves the page (${page.requests.length} requests: ${foreign.join(' ')})`);
} finally {
  await page.close();
}
