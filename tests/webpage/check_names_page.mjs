// A page whose title, statistic, legend title and region names hold markup characters, quotes,
// right-to-left text and emoji: every text is shown exactly as written and none of it becomes
// markup or script.
//   node --experimental-websocket check_names_page.mjs PAGE.html TITLE
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { check, launch } from './browser.mjs';

const [pagePath, title] = process.argv.slice(2);
const statistic = "<b>Births</b> & \"more\" 'q' ולדות 🗺️";
const names = {
  37119: '<b>Meck</b> & "lenburg" \'Co\'',
  37183: 'ויק &amp; Wake',
  37177: 'Tyrrell 🗺️ </script><script>alert(1)</script>',
  37055: '{{TITLE}} ]]> <!-- x -->',
};
const page = await launch();
try {
  await page.eval(`window.alerted = false`);
  await page.open(pathToFileURL(resolve(pagePath)).href);
  const shown = await page.eval(`({
    title: document.title, h1: document.querySelector('h1').textContent,
    statistic: document.querySelector('.statistic').textContent,
    legend: document.querySelector('.legend .lt').textContent,
    source: document.querySelector('.source').textContent,
    scripts: document.scripts.length, bold: document.querySelectorAll('main b, svg b').length,
    italic: document.querySelectorAll('.legend i').length,
    regions: document.querySelectorAll('svg [data-code]').length })`);
  check(shown.title.startsWith(title) && shown.h1.startsWith(title), `the title is shown as written: ${shown.h1}`);
  check(shown.statistic === statistic, `the statistic is shown as written: ${shown.statistic}`);
  check(shown.legend === statistic, `the legend title is shown as written: ${shown.legend}`);
  check(shown.source.includes(title), `the source line names the file as written: ${shown.source}`);
  check(shown.scripts === 1 && shown.bold === 0 && shown.italic === 0, 'no text became markup or script');
  check(shown.regions === 100, 'every region is on the map');
  for (const [code, name] of Object.entries(names)) {
    const el = await page.eval(`(() => { const el = document.querySelector('[data-code="${code}"]');
      el.setAttribute('tabindex', '-1'); el.focus(); const t = document.querySelector('.tip');
      return { name: el.dataset.name, tip: t.querySelector('b').textContent, hidden: t.hidden }; })()`);
    check(el.name === name && el.tip === name && !el.hidden, `region ${code} is named and shown as written: ${el.tip}`);
  }
  await page.eval(`document.querySelector('.show-table').click()`);
  const table = await page.eval(`[...document.querySelectorAll('.figures tbody td:first-child')].map((td) => td.textContent)`);
  check(Object.values(names).every((n) => table.includes(n)), 'the data table lists the names as written');
  const desc = await page.eval(`document.querySelector('.map svg desc').textContent`);
  check(desc.startsWith(statistic), `the description starts with the statistic as written: ${desc.slice(0, 60)}`);
  check(await page.eval(`typeof window.alerted === 'undefined' || window.alerted === false`), 'no script of the data ran');
} finally {
  await page.close();
}
