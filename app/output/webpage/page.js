// The interactive part of a map page: tooltips on pointing, focus and tap; the legend's classes
// highlighting their regions; moving between regions with the keyboard; zoom and pan; the data
// table. Everything it shows comes from the page itself: it loads nothing.
(function () {
  'use strict';
  const main = document.querySelector('main.chorel');
  const box = main.querySelector('.map');
  const svg = box.querySelector('svg');
  const tip = box.querySelector('.tip');
  const regions = Array.from(svg.querySelectorAll('[data-code]'));
  // Regions the map shows (a region too small to draw has an element without a shape).
  const shownRegions = regions.filter((el) => el.tagName !== 'path' || el.hasAttribute('d'));
  const reduceMotion = window.matchMedia('(prefers-reduced-motion: reduce)');
  const NS = 'http://www.w3.org/2000/svg';

  // Numbers as the legend writes them: fixed decimals, grouped thousands, the page's signs.
  const decimals = Number(main.dataset.decimals) || 0;
  const group = main.dataset.group || '';
  const point = main.dataset.point || '.';
  const minus = main.dataset.minus || '-';
  function formatNumber(v) {
    const fixed = Math.abs(v).toFixed(decimals);
    const parts = fixed.split('.');
    let whole = parts[0];
    if (group) whole = whole.replace(/\B(?=(\d{3})+(?!\d))/g, group);
    const text = parts.length > 1 ? whole + point + parts[1] : whole;
    return v < 0 && Number(fixed) !== 0 ? minus + text : text;
  }
  function valueText(el) {
    return el.hasAttribute('data-value') ? formatNumber(Number(el.dataset.value)) : main.dataset.nodata;
  }

  // The outline of the region shown: a copy of its shape drawn on top of all regions, in a
  // picture of its own over the map, so that changing it lays out no region of the map.
  const over = document.createElementNS(NS, 'svg');
  over.setAttribute('class', 'over');
  over.setAttribute('aria-hidden', 'true');
  over.setAttribute('viewBox', svg.getAttribute('viewBox'));
  // Over the map: a veil and the regions of a legend class on it (see highlight), then the
  // outline of the region shown.
  const veil = document.createElementNS(NS, 'rect');
  const hot = document.createElementNS(NS, 'path');
  veil.setAttribute('class', 'veil');
  ['x', 'y'].forEach((a) => veil.setAttribute(a, '-100%'));
  ['width', 'height'].forEach((a) => veil.setAttribute(a, '300%'));
  veil.style.display = 'none';
  hot.style.display = 'none';
  over.append(veil, hot);
  const outline = document.createElementNS(NS, 'g');
  const outer = document.createElementNS(NS, 'path');
  const inner = document.createElementNS(NS, 'path');
  outer.setAttribute('class', 'hl');
  inner.setAttribute('class', 'hl2');
  outline.append(outer, inner);
  over.append(outline);
  svg.after(over);
  function shapeOf(el) {
    if (el.tagName === 'path') return el.getAttribute('d');
    const cx = Number(el.getAttribute('cx')), cy = Number(el.getAttribute('cy'));
    const rx = Number(el.getAttribute('r') || el.getAttribute('rx'));
    const ry = Number(el.getAttribute('r') || el.getAttribute('ry'));
    return 'M' + (cx - rx) + ' ' + cy + 'a' + rx + ' ' + ry + ' 0 1 0 ' + 2 * rx + ' 0a' + rx +
      ' ' + ry + ' 0 1 0 ' + -2 * rx + ' 0z';
  }

  let shown = null;
  function showTip(el, x, y) {
    if (el !== shown) {
      const d = shapeOf(el);
      outer.setAttribute('d', d);
      inner.setAttribute('d', d);
      outline.style.display = '';
      fillTip(el);
    }
    shown = el;
    tip.hidden = false;
    const area = box.getBoundingClientRect();
    let left = x - area.left + 14, top = y - area.top + 14;
    if (left + tip.offsetWidth > box.clientWidth) left = Math.max(0, x - area.left - tip.offsetWidth - 10);
    if (top + tip.offsetHeight > box.clientHeight) top = Math.max(0, y - area.top - tip.offsetHeight - 10);
    tip.style.left = left + 'px';
    tip.style.top = top + 'px';
  }
  function fillTip(el) {
    tip.textContent = '';
    const name = document.createElement('b');
    name.textContent = el.dataset.name || el.dataset.code;
    const code = document.createElement('span');
    code.className = 'code';
    code.textContent = el.dataset.code;
    const value = document.createElement('span');
    value.className = 'value';
    value.textContent = valueText(el);
    tip.append(name, code, document.createTextNode(': '), value);
  }
  function hideTip() {
    shown = null;
    tip.hidden = true;
    outline.style.display = 'none';
  }
  function showTipAtElement(el) {
    const r = el.getBoundingClientRect();
    showTip(el, r.left + r.width / 2, r.top + r.height / 2);
  }
  hideTip();

  svg.addEventListener('pointermove', (e) => {
    if (dragging) return;
    const el = e.target.closest('[data-code]');
    if (el && e.pointerType === 'mouse') showTip(el, e.clientX, e.clientY);
    else if (!el && e.pointerType === 'mouse' && shown && document.activeElement !== shown) hideTip();
  });
  // A touch ends by leaving: its tooltip stays until the next tap elsewhere.
  svg.addEventListener('pointerleave', (e) => {
    if (e.pointerType === 'mouse' && shown && document.activeElement !== shown) hideTip();
  });

  // Keyboard: Tab reaches one region (the last one visited), the arrow keys move to the
  // nearest region in their direction, Escape hides the tooltip.
  let current = shownRegions[0] || null;
  if (current) current.setAttribute('tabindex', '0');
  function moveFocus(el) {
    if (!el) return;
    if (current) current.setAttribute('tabindex', '-1');
    current = el;
    el.setAttribute('tabindex', '0');
    el.focus({ preventScroll: true });
  }
  svg.addEventListener('focusin', (e) => {
    const el = e.target.closest('[data-code]');
    if (!el) return;
    if (current && current !== el) current.setAttribute('tabindex', '-1');
    current = el;
    el.setAttribute('tabindex', '0');
    showTipAtElement(el);
  });
  svg.addEventListener('focusout', () => hideTip());
  let centres = null;
  function centreOf(i) {
    if (!centres) centres = new Array(shownRegions.length);
    if (!centres[i]) {
      const b = shownRegions[i].getBBox();
      centres[i] = [b.x + b.width / 2, b.y + b.height / 2];
    }
    return centres[i];
  }
  function nearest(from, dx, dy) {
    const i0 = shownRegions.indexOf(from);
    const [x0, y0] = centreOf(i0);
    // The nearest region within 60 degrees of the direction; failing that, the nearest on
    // that side at all.
    let best = null, bestScore = Infinity, inCone = false;
    for (let i = 0; i < shownRegions.length; ++i) {
      if (i === i0) continue;
      const [x, y] = centreOf(i);
      const along = (x - x0) * dx + (y - y0) * dy;
      if (along <= 0) continue;
      const across = Math.abs((x - x0) * dy - (y - y0) * dx);
      const cone = across <= along * 1.7;
      if (inCone && !cone) continue;
      const score = along + 2 * across;
      if ((cone && !inCone) || score < bestScore) { bestScore = score; best = shownRegions[i]; inCone = cone; }
    }
    return best;
  }
  const directions = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
  svg.addEventListener('keydown', (e) => {
    const el = e.target.closest('[data-code]');
    if (!el) return;
    if (e.key === 'Escape') { hideTip(); e.stopPropagation(); return; }
    const d = directions[e.key];
    if (!d) return;
    e.preventDefault();
    e.stopPropagation();
    moveFocus(nearest(el, d[0], d[1]));
  });
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') hideTip();
  });

  // The legend: pointing at a class (or focusing it) highlights its regions: a veil over the
  // map dims every region, and the class's regions are drawn again on it as one shape. However
  // many regions the map has, the map itself is neither restyled nor laid out anew.
  const classShapes = new Map();
  function highlight(cls) {
    if (cls === null) {
      veil.style.display = 'none';
      hot.style.display = 'none';
      return;
    }
    if (!classShapes.has(cls))
      classShapes.set(cls, shownRegions.filter((el) => el.classList.contains(cls)).map(shapeOf).join(''));
    hot.setAttribute('class', cls);
    hot.setAttribute('d', classShapes.get(cls));
    veil.style.display = '';
    hot.style.display = '';
  }
  main.querySelectorAll('.legend [data-class]').forEach((item) => {
    const cls = 'c' + item.dataset.class;
    item.addEventListener('pointerenter', () => highlight(cls));
    item.addEventListener('pointerleave', () => highlight(null));
    item.addEventListener('focus', () => highlight(cls));
    item.addEventListener('blur', () => highlight(null));
  });

  // Zoom and pan: the view box moves; outlines keep their width (non-scaling strokes).
  const whole = svg.viewBox.baseVal;
  const home = { x: whole.x, y: whole.y, w: whole.width, h: whole.height };
  let view = Object.assign({}, home);
  function apply(v) {
    view = v;
    const box = v.x + ' ' + v.y + ' ' + v.w + ' ' + v.h;
    svg.setAttribute('viewBox', box);
    over.setAttribute('viewBox', box);
  }
  function animateTo(target) {
    if (reduceMotion.matches) { apply(target); return; }
    const from = Object.assign({}, view), start = performance.now();
    function step(now) {
      const t = Math.min(1, (now - start) / 180);
      const k = t * (2 - t);
      apply({ x: from.x + (target.x - from.x) * k, y: from.y + (target.y - from.y) * k,
              w: from.w + (target.w - from.w) * k, h: from.h + (target.h - from.h) * k });
      if (t < 1) requestAnimationFrame(step);
    }
    requestAnimationFrame(step);
  }
  function zoomed(factor, fx, fy) {
    const w = Math.min(home.w, Math.max(home.w / 64, view.w / factor));
    const k = w / view.w;
    return { x: fx - (fx - view.x) * k, y: fy - (fy - view.y) * k, w: w, h: view.h * k };
  }
  function zoomCentre(factor) {
    animateTo(zoomed(factor, view.x + view.w / 2, view.y + view.h / 2));
  }
  function pan(dx, dy) {
    animateTo({ x: view.x + dx * view.w, y: view.y + dy * view.h, w: view.w, h: view.h });
  }
  function unitsPerPixel() {
    return view.w / svg.getBoundingClientRect().width;
  }
  svg.addEventListener('wheel', (e) => {
    e.preventDefault();
    const r = svg.getBoundingClientRect();
    const fx = view.x + (e.clientX - r.left) * unitsPerPixel();
    const fy = view.y + (e.clientY - r.top) * unitsPerPixel();
    apply(zoomed(e.deltaY < 0 ? 1.25 : 0.8, fx, fy));
  }, { passive: false });
  let dragging = false, pressed = null;
  svg.addEventListener('pointerdown', (e) => {
    if (e.button !== 0) return;
    pressed = { x: e.clientX, y: e.clientY, view: Object.assign({}, view), id: e.pointerId,
                target: e.target.closest('[data-code]') };
  });
  svg.addEventListener('pointermove', (e) => {
    if (!pressed || e.pointerId !== pressed.id) return;
    const dx = e.clientX - pressed.x, dy = e.clientY - pressed.y;
    if (!dragging && Math.abs(dx) + Math.abs(dy) < 5) return;
    if (!dragging) {
      dragging = true;
      svg.setPointerCapture(e.pointerId);
      svg.classList.add('dragging');
      hideTip();
    }
    const k = pressed.view.w / svg.getBoundingClientRect().width;
    apply({ x: pressed.view.x - dx * k, y: pressed.view.y - dy * k, w: view.w, h: view.h });
  });
  function release(e) {
    if (!pressed) return;
    // A tap or click without moving shows the tooltip of the region under it.
    if (!dragging && e.type === 'pointerup') {
      if (pressed.target) showTip(pressed.target, e.clientX, e.clientY);
      else hideTip();
    }
    dragging = false;
    pressed = null;
    svg.classList.remove('dragging');
  }
  svg.addEventListener('pointerup', release);
  svg.addEventListener('pointercancel', release);
  main.querySelector('.zoom-in').addEventListener('click', () => zoomCentre(1.5));
  main.querySelector('.zoom-out').addEventListener('click', () => zoomCentre(1 / 1.5));
  main.querySelector('.zoom-reset').addEventListener('click', () => animateTo(home));
  box.addEventListener('keydown', (e) => {
    if (e.target !== box && !e.target.closest('[data-code]')) return;
    if (e.key === '+' || e.key === '=') zoomCentre(1.5);
    else if (e.key === '-' || e.key === '_') zoomCentre(1 / 1.5);
    else if (e.key === '0') animateTo(home);
    else if (e.target === box && directions[e.key]) {
      const d = directions[e.key];
      pan(d[0] * 0.2, d[1] * 0.2);
    } else return;
    e.preventDefault();
  });

  // The data table: every region with its code and value, sorted by name or by value.
  const section = main.querySelector('.figures');
  const toggle = main.querySelector('.show-table');
  const table = section.querySelector('table');
  const tbody = table.tBodies[0] || table.createTBody();
  // The rows are read from the map's regions when the table is first shown.
  const rows = [];
  function readRows() {
    const seen = new Set();
    regions.forEach((el) => {
      if (seen.has(el.dataset.code)) return;
      seen.add(el.dataset.code);
      rows.push({ name: el.dataset.name || el.dataset.code, code: el.dataset.code,
                  value: el.hasAttribute('data-value') ? Number(el.dataset.value) : null, el: el });
    });
  }
  const byName = new Intl.Collator(document.documentElement.lang || undefined, { numeric: true });
  let sortKey = 'name', ascending = true;
  function fillTable() {
    rows.sort((a, b) => {
      let c;
      if (sortKey === 'value') {
        if (a.value === null || b.value === null) c = (a.value === null) - (b.value === null);
        else c = a.value - b.value;
        if (a.value !== null && b.value !== null && !ascending) c = -c;
      } else {
        c = byName.compare(a.name, b.name);
        if (!ascending) c = -c;
      }
      return c || byName.compare(a.code, b.code);
    });
    const body = document.createDocumentFragment();
    rows.forEach((r) => {
      const tr = document.createElement('tr');
      const name = document.createElement('td');
      const code = document.createElement('td');
      const value = document.createElement('td');
      name.textContent = r.name;
      code.textContent = r.code;
      value.textContent = valueText(r.el);
      value.className = 'num';
      tr.append(name, code, value);
      body.append(tr);
    });
    tbody.replaceChildren(body);
    section.querySelectorAll('th').forEach((th) => {
      const b = th.querySelector('button');
      if (!b) return;
      if (b.dataset.sort === sortKey) th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
      else th.removeAttribute('aria-sort');
    });
  }
  section.querySelectorAll('th button').forEach((b) => {
    b.addEventListener('click', () => {
      if (sortKey === b.dataset.sort) ascending = !ascending;
      else { sortKey = b.dataset.sort; ascending = sortKey === 'name'; }
      fillTable();
    });
  });
  toggle.addEventListener('click', () => {
    const open = section.hidden;
    if (open && !tbody.firstChild) {
      readRows();
      fillTable();
    }
    section.hidden = !open;
    toggle.setAttribute('aria-expanded', String(open));
  });
})();
