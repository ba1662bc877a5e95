// The replay page: reads the run's data from the page itself and shows any moment of it. The
// state is the time t (game ms) and the selection; the address's fragment holds both
// (#t=Day2-14:30&sel=sadie), so a moment can be shared and reopened.
'use strict';

(() => {
  const D = JSON.parse(document.getElementById('run-data').textContent);
  const NS = 'http://www.w3.org/2000/svg';
  const C = D.clock;
  const END = Math.max(C.end, 1);
  const $ = (id) => document.getElementById(id);
  const clamp = (v, lo, hi) => Math.min(hi, Math.max(lo, v));
  const SLEEP = D.segKinds.findIndex((k) => k.name === 'sleep');
  const SPOT = D.segKinds.findIndex((k) => k.name === 'activity spot');
  const EK = Object.fromEntries(D.eventKinds.map((name, i) => [name, i]));
  const VISITORS = D.actors.map((a, i) => (a.visitor ? i : -1)).filter((i) => i >= 0);
  const ROW_ORDER = [0, 2, 1, 3];  // each visitor above its horse

  // ---- the run's data, in the shapes the page reads ------------------------------------------

  const segments = D.segments.map((rows, actor) => {
    const out = rows.map(([start, end, kind, label, what, spot, pass], index) =>
      ({ start, end, kind, label, what, spot, pass, actor, index, stayStart: start }));
    // A stay is a run of segments each beginning where the last ended: the actor is present.
    for (let i = 1; i < out.length; ++i)
      if (out[i].start === out[i - 1].end) out[i].stayStart = out[i - 1].stayStart;
    return out;
  });
  const events = D.events.map(([time, kind, actor, text], index) => ({ time, kind, actor, text, index }));
  const unflatten = (flat) => {
    const n = flat.length / 3, p = { t: new Array(n), x: new Array(n), y: new Array(n) };
    for (let i = 0; i < n; ++i) [p.t[i], p.x[i], p.y[i]] = [flat[3 * i], flat[3 * i + 1], flat[3 * i + 2]];
    return p;
  };
  const paths = D.paths.map(unflatten);
  const playerPath = unflatten(D.player);

  // The last index i of a sorted array with key(i) <= v, or -1.
  function lastAtOrBefore(n, key, v) {
    let lo = 0, hi = n - 1, found = -1;
    while (lo <= hi) {
      const mid = (lo + hi) >> 1;
      if (key(mid) <= v) { found = mid; lo = mid + 1; } else hi = mid - 1;
    }
    return found;
  }

  // ---- the clock ------------------------------------------------------------------------

  // In-game seconds since midnight of day 1; game time t is in ms (C.msPerHour to the hour).
  const clockSeconds = (t) => C.startHour * 3600 + Math.floor(t * 3600 / C.msPerHour);
  const two = (n) => String(n).padStart(2, '0');
  function clockParts(t) {
    const s = clockSeconds(t);
    return { day: Math.floor(s / 86400) + 1, h: Math.floor(s % 86400 / 3600), m: Math.floor(s % 3600 / 60), s: s % 60 };
  }
  function clockText(t) {
    const p = clockParts(t);
    return `Day ${p.day} ${two(p.h)}:${two(p.m)}:${two(p.s)}`;
  }
  function fragmentTime(t) {
    const p = clockParts(t);
    return `Day${p.day}-${two(p.h)}:${two(p.m)}:${two(p.s)}`;
  }
  // "Day2-14:30" or "Day1-08:06:40": the last ms of that in-game second, so that whatever
  // happened during it has happened.
  function parseFragmentTime(text) {
    const m = /^Day(\d+)-(\d{1,2}):(\d{2})(?::(\d{2}))?$/.exec(text || '');
    if (!m) return null;
    const sec = (m[1] - 1) * 86400 + m[2] * 3600 + m[3] * 60 + Number(m[4] || 0) - C.startHour * 3600;
    return clamp(Math.ceil((sec + 1) * C.msPerHour / 3600) - 1, 0, END);
  }
  function lengthText(ms) {
    let s = Math.round(ms * 3600 / C.msPerHour);
    const h = Math.floor(s / 3600), m = Math.floor(s % 3600 / 60);
    s %= 60;
    return h ? `${h} h ${m} min` : m ? `${m} min ${s} s` : `${s} s`;
  }
  const secondsToMs = (sec) => sec * C.msPerHour / 3600;
  function isNight(t) {
    const h = clockParts(t).h;
    return h > C.dayEndHour || h < C.dayStartHour;
  }
  // The nights in [from, to] as game-time intervals.
  function nights(from, to) {
    const out = [], base = C.startHour * 3600;
    for (let d = Math.floor((clockSeconds(from) - 86400) / 86400); ; ++d) {
      const a = secondsToMs(d * 86400 + (C.dayEndHour + 1) * 3600 - base);
      const b = secondsToMs((d + 1) * 86400 + C.dayStartHour * 3600 - base);
      if (a > to) break;
      if (b >= from) out.push([Math.max(a, from), Math.min(b, to)]);
    }
    return out;
  }

  // ---- where everyone was -----------------------------------------------------------------

  // The actor's segment at t: the last begun by then, if it has not ended before t.
  function segmentAt(actor, t) {
    const segs = segments[actor];
    const i = lastAtOrBefore(segs.length, (k) => segs[k].start, t);
    return i >= 0 && t <= segs[i].end ? segs[i] : null;
  }
  // Straight between samples; the data holds a sample where each still stretch ends.
  function positionAt(path, t) {
    const n = path.t.length;
    if (!n) return null;
    const i = lastAtOrBefore(n, (k) => path.t[k], t);
    if (i < 0) return [path.x[0], path.y[0]];
    if (i === n - 1) return [path.x[i], path.y[i]];
    const t0 = path.t[i], t1 = path.t[i + 1], f = t1 > t0 ? (t - t0) / (t1 - t0) : 1;
    return [path.x[i] + (path.x[i + 1] - path.x[i]) * f, path.y[i] + (path.y[i + 1] - path.y[i]) * f];
  }
  // The faults that hit the actor during its present stay, up to t.
  function faultsOn(actor, seg, t) {
    const out = [];
    for (let i = lastAtOrBefore(events.length, (k) => events[k].time, t); i >= 0; --i) {
      const e = events[i];
      if (e.time < seg.stayStart) break;
      if (e.kind === EK.fault && e.actor === actor) out.unshift(e);
    }
    return out;
  }
  const eventAt = (t) => lastAtOrBefore(events.length, (k) => events[k].time, t);

  // ---- the state and the address ----------------------------------------------------------

  const state = { t: 0, sel: null, pinned: null, playing: false, speed: 20000 };
  const actorByKey = Object.fromEntries(D.actors.map((a, i) => [a.key, i]));
  const selActor = () => (Object.hasOwn(actorByKey, state.sel || '') ? actorByKey[state.sel] : -1);
  const selVisit = () => { const m = /^visit-(\d+)$/.exec(state.sel || ''); return m ? Number(m[1]) - 1 : -1; };
  let lastHash = '', lastHashWrite = 0;

  function hashText() {
    return '#t=' + fragmentTime(state.t) + (state.sel ? '&sel=' + encodeURIComponent(state.sel) : '');
  }
  function writeHash(force) {
    const now = performance.now();
    if (!force && now - lastHashWrite < 500) return;
    lastHashWrite = now;
    lastHash = hashText();
    if (location.hash !== lastHash) history.replaceState(null, '', lastHash);
  }
  function readHash() {
    const params = new URLSearchParams(location.hash.slice(1));
    const t = parseFragmentTime(params.get('t'));
    if (t !== null) state.t = t;
    const sel = params.get('sel');
    const visit = /^visit-(\d+)$/.exec(sel || '');
    state.sel = sel && (Object.hasOwn(actorByKey, sel) || (visit && visit[1] >= 1 && visit[1] <= D.visits.length)) ? sel : null;
    state.pinned = null;
  }

  function setTime(t, opts = {}) {
    state.t = clamp(Math.round(t), 0, END);
    if (!opts.keepPin) state.pinned = null;
    render();
    writeHash(!state.playing);
  }
  function select(sel) {
    state.sel = sel;
    render();
    writeHash(true);
  }

  // ---- small DOM helpers -------------------------------------------------------------------

  function svg(tag, attrs, parent) {
    const e = document.createElementNS(NS, tag);
    for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, v);
    if (parent) parent.appendChild(e);
    return e;
  }
  function html(tag, attrs, ...children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) {
      if (k === 'class') e.className = v; else e.setAttribute(k, v);
    }
    for (const c of children) if (c !== null && c !== undefined) e.append(c);
    return e;
  }
  function titled(e, text) {
    svg('title', {}, e).textContent = text;
    return e;
  }

  // ---- the map ---------------------------------------------------------------------------

  const map = { el: $('map'), W: 760, H: 490, scale: 1, cx: 0, cy: 0 };
  const mx = (x) => map.W / 2 + (x - map.cx) * map.scale;
  const my = (y) => map.H / 2 - (y - map.cy) * map.scale;  // north up

  function fitMap(which) {
    const P = D.places, margin = 12;
    let x0 = Infinity, x1 = -Infinity, y0 = Infinity, y1 = -Infinity;
    const add = (x, y) => { x0 = Math.min(x0, x - margin); x1 = Math.max(x1, x + margin); y0 = Math.min(y0, y - margin); y1 = Math.max(y1, y + margin); };
    add(...P.ranch); add(...P.horses);
    for (const p of [...P.arrivals, ...P.spots, ...P.bedrolls]) add(p[0], p[1]);
    if (which === 'all')
      for (const p of [...paths, playerPath]) for (let i = 0; i < p.t.length; ++i) add(p.x[i], p.y[i]);
    map.scale = Math.min(map.W / (x1 - x0), map.H / (y1 - y0));
    map.cx = (x0 + x1) / 2;
    map.cy = (y0 + y1) / 2;
  }

  // The ground and the plug-in's fixed places.
  function drawMapGround() {
    const g = svg('g', { id: 'ground' });
    const P = D.places, grid = svg('g', { class: 'grid' }, g);
    const half = Math.max(map.W, map.H) / map.scale / 2 + 20;
    for (let m = -Math.ceil(half / 20) * 20; m <= half; m += 20) {
      const x = mx(P.ranch[0] + m), y = my(P.ranch[1] + m);
      svg('line', { x1: x, y1: 0, x2: x, y2: map.H }, grid);
      svg('line', { x1: 0, y1: y, x2: map.W, y2: y }, grid);
    }
    titled(svg('circle', { class: 'ranch-circle', cx: mx(P.ranch[0]), cy: my(P.ranch[1]), r: P.radius * map.scale }, g),
      `ranch: a visit starts only with the player within ${P.radius} m`);
    titled(svg('circle', { id: 'ranch-point', cx: mx(P.ranch[0]), cy: my(P.ranch[1]), r: 5, fill: '#7d6608' }, g), 'ranch point');
    P.arrivals.forEach(([x, y], i) => {
      titled(svg('path', { id: `arrival-${i + 1}`, d: `M${mx(x)},${my(y) - 7} l6,10 h-12 z`, fill: '#8e44ad' }, g), `arrival point ${i + 1}`);
      svg('text', { class: 'place-label', x: mx(x) + 8, y: my(y) + 3, fill: '#8e44ad' }, g).textContent = `A${i + 1}`;
    });
    const seen = {};
    P.spots.forEach(([x, y, scenario], i) => {
      const key = `${x},${y}`, shift = (seen[key] = (seen[key] || 0) + 1) - 1;  // spots sharing a place
      titled(svg('circle', { id: `spot-${i + 1}`, cx: mx(x), cy: my(y), r: 4, fill: '#27ae60' }, g), `activity spot ${i + 1}: ${scenario}`);
      svg('text', { class: 'place-label', x: mx(x) + 6 + shift * 16, y: my(y) - 5, fill: '#1e8449' }, g).textContent = `S${i + 1}`;
    });
    P.bedrolls.forEach(([x, y], i) => {
      titled(svg('rect', { id: `bedroll-${i + 1}`, x: mx(x) - 5, y: my(y) - 3, width: 10, height: 6, fill: '#2c3e50' }, g),
        `Bedroll ${i + 1} and its sleep point`);
      svg('text', { class: 'place-label', x: mx(x) - 24, y: my(y) + (i === 0 ? -4 : 11), fill: '#2c3e50' }, g).textContent = `B${i + 1}`;
    });
    titled(svg('rect', { id: 'horse-point', x: mx(P.horses[0]) - 5, y: my(P.horses[1]) - 5, width: 10, height: 10, fill: 'none', stroke: '#a0522d', 'stroke-width': 2 }, g),
      'horse point: the horses are brought here');
    svg('text', { class: 'place-label', x: mx(P.horses[0]) + 8, y: my(P.horses[1]) + 3, fill: '#a0522d' }, g).textContent = 'horses';
    svg('text', { class: 'place-label', x: 6, y: map.H - 6, fill: '#555' }, g).textContent = '20 m grid; north up';
    return g;
  }

  const mapLayers = {};
  const mapActors = [];  // per actor and then the player: trail, marker, label
  function buildMap() {
    map.el.textContent = '';
    fitMap($('mapzoom').value);
    map.el.appendChild(drawMapGround());
    mapLayers.trails = svg('g', { id: 'trails' }, map.el);
    mapLayers.markers = svg('g', { id: 'markers' }, map.el);
    mapLayers.labels = svg('g', { id: 'labels' }, map.el);
    mapActors.length = 0;
    const who = [...D.actors.map((a, i) => ({ key: a.key, name: a.name, colour: a.colour, horse: !a.visitor, actor: i })),
      { key: 'player', name: 'the player', colour: '#7f8c8d', horse: false, actor: -1 }];
    for (const w of who) {
      const trail = svg('polyline', { id: `trail-${w.key}`, class: 'trail' + (w.horse ? ' horse' : ''), stroke: w.colour }, mapLayers.trails);
      const marker = svg('circle', { id: `marker-${w.key}`, class: 'marker', r: w.actor >= 0 && !w.horse ? 6 : 5, fill: w.colour }, mapLayers.markers);
      const z = svg('text', { class: 'sleep-z' }, mapLayers.markers);
      z.textContent = 'z z';
      const label = svg('g', { id: `label-${w.key}`, class: 'label' }, mapLayers.labels);
      const box = svg('rect', { rx: 2 }, label);
      const text = svg('text', {}, label);
      if (w.actor >= 0) {
        const pick = () => select(w.key);
        marker.addEventListener('click', pick);
        label.addEventListener('click', pick);
        marker.style.cursor = label.style.cursor = 'pointer';
      }
      mapActors.push({ ...w, trail, marker, z, label, box, text });
    }
  }

  // The trail from the start of the stay to t, ending where the actor is.
  function trailPoints(path, from, t, here) {
    const first = Math.max(0, lastAtOrBefore(path.t.length, (k) => path.t[k], from));
    const last = lastAtOrBefore(path.t.length, (k) => path.t[k], t);
    const pts = [];
    for (let i = first; i <= last; ++i) pts.push(`${mx(path.x[i]).toFixed(1)},${my(path.y[i]).toFixed(1)}`);
    pts.push(`${mx(here[0]).toFixed(1)},${my(here[1]).toFixed(1)}`);
    return pts.join(' ');
  }

  function renderMap() {
    const t = state.t;
    map.el.classList.toggle('night', isNight(t));
    const boxes = [];
    for (const w of mapActors) {
      let here = null, seg = null, text = w.name;
      if (w.actor >= 0) {
        seg = segmentAt(w.actor, t);
        if (seg) here = positionAt(paths[w.actor], t);
      } else {
        here = positionAt(playerPath, t);
      }
      const shown = !!here;
      for (const e of [w.trail, w.marker, w.z, w.label]) e.style.display = shown ? '' : 'none';
      if (!shown) continue;
      const x = mx(here[0]), y = my(here[1]);
      const held = seg ? faultsOn(w.actor, seg, t) : [];
      const asleep = !!seg && seg.kind === SLEEP;
      if (seg) {
        text = `${w.name}: ${seg.what}`;
        const spot = seg.kind === SPOT && seg.spot ? D.places.spots[seg.spot - 1] : null;
        if (spot && Math.hypot(spot[0] - here[0], spot[1] - here[1]) > 2) text += ', on the way there';
        for (const f of held) text += ` · ${f.text}`;
      }
      w.marker.setAttribute('cx', x.toFixed(1));
      w.marker.setAttribute('cy', y.toFixed(1));
      w.marker.classList.toggle('asleep', asleep);
      w.marker.classList.toggle('held', held.length > 0);
      w.marker.classList.toggle('selected', state.sel === w.key);
      w.label.classList.toggle('selected', state.sel === w.key);
      w.z.style.display = asleep ? '' : 'none';
      w.z.setAttribute('x', (x + 7).toFixed(1));
      w.z.setAttribute('y', (y - 7).toFixed(1));
      w.trail.setAttribute('points', trailPoints(w.actor >= 0 ? paths[w.actor] : playerPath, seg ? seg.stayStart : 0, t, here));
      w.text.textContent = text;
      boxes.push({ w, x, y });
    }
    placeLabels(boxes);
  }

  // Each label beside its marker, moved up or down until it overlaps no other.
  function placeLabels(items) {
    const placed = [], lineH = 15;
    items.sort((a, b) => a.y - b.y);
    for (const it of items) {
      const width = it.w.text.getComputedTextLength() + 8;
      let lx = it.x + 10;
      if (lx + width > map.W) lx = Math.max(2, it.x - 10 - width);
      let top = clamp(it.y - lineH - 2, 2, map.H - lineH - 2);
      for (let k = 1; k < 24; ++k) {
        if (!placed.some((p) => lx < p.x + p.w && p.x < lx + width && top < p.y + lineH && p.y < top + lineH)) break;
        const step = Math.ceil(k / 2) * (lineH + 1) * (k % 2 ? 1 : -1);
        top = clamp(it.y - lineH - 2 + step, 2, map.H - lineH - 2);
      }
      placed.push({ x: lx, y: top, w: width });
      it.w.box.setAttribute('x', lx.toFixed(1));
      it.w.box.setAttribute('y', top.toFixed(1));
      it.w.box.setAttribute('width', width.toFixed(1));
      it.w.box.setAttribute('height', lineH);
      it.w.text.setAttribute('x', (lx + 4).toFixed(1));
      it.w.text.setAttribute('y', (top + lineH - 4).toFixed(1));
    }
  }

  // ---- the timeline ----------------------------------------------------------------------

  const tl = { el: $('timeline'), W: 760, H: 176, left: 104, right: 8, top: 20, rowH: 22, gap: 6, w0: 0, w1: END };
  const tx = (t) => tl.left + (t - tl.w0) / (tl.w1 - tl.w0) * (tl.W - tl.left - tl.right);
  const tAt = (x) => tl.w0 + (x - tl.left) / (tl.W - tl.left - tl.right) * (tl.w1 - tl.w0);
  const rowY = (r) => tl.top + 22 + r * (tl.rowH + tl.gap);
  let tlCursor = null, tlPinned = null, tlSel = null;

  function timelineWindow() {
    const span = Number($('zoom').value) * C.msPerHour;
    if (!span || span >= END) return [0, END];
    const w0 = clamp(state.t - span / 2, 0, END - span);
    return [w0, w0 + span];
  }

  function drawTicks() {
    const plotW = tl.W - tl.left - tl.right, spanSec = (tl.w1 - tl.w0) * 3600 / C.msPerHour;
    let every = 2880 * 60;
    for (const min of [5, 10, 15, 30, 60, 120, 180, 360, 720, 1440, 2880])
      if (min * 60 / spanSec * plotW >= 64) { every = min * 60; break; }
    const first = Math.ceil(clockSeconds(tl.w0) / every) * every;
    for (let s = first; ; s += every) {
      const t = secondsToMs(s - C.startHour * 3600);
      if (t > tl.w1) break;
      const x = tx(t);
      svg('line', { class: 'tick', x1: x, y1: tl.top - 3, x2: x, y2: rowY(4) - tl.gap }, tl.el);
      const h = Math.floor(s % 86400 / 3600), m = Math.floor(s % 3600 / 60);
      svg('text', { class: 'tick-label', x, y: tl.top - 6 }, tl.el).textContent =
        h === 0 && m === 0 ? `Day ${Math.floor(s / 86400) + 1}` : `${two(h)}:${two(m)}`;
    }
  }

  function drawVisitsRow() {
    const y = tl.top + 2;
    svg('text', { class: 'row-name', x: 6, y: y + 11 }, tl.el).textContent = 'visits';
    D.visits.forEach(([start, end, ended, nobody], i) => {
      if (end < tl.w0 || start > tl.w1) return;
      const x = tx(Math.max(start, tl.w0)), w = Math.max(nobody ? 6 : 2, tx(Math.min(end, tl.w1)) - x);
      const r = svg('rect', { class: 'visit-bar' + (nobody ? ' nobody' : '') + (selVisit() === i ? ' selected' : ''),
        x, y, width: w, height: 14, 'data-visit': i }, tl.el);
      titled(r, nobody ? `visit ${i + 1}: the start brought nobody, ${clockText(start)}`
        : `visit ${i + 1}: ${clockText(start)} to ${ended ? clockText(end) : 'the end of the run'}`);
    });
    for (const e of events) {
      if (e.kind !== EK.fault || e.time < tl.w0 || e.time > tl.w1) continue;
      const x = tx(e.time);
      titled(svg('path', { class: 'fault-mark', d: `M${x - 4},${y - 2} h8 l-4,7 z`, 'data-event': e.index }, tl.el),
        `${clockText(e.time)}  ${e.text}`);
    }
  }

  function drawRows() {
    ROW_ORDER.forEach((a, r) => {
      const y = rowY(r), actor = D.actors[a];
      svg('text', { class: 'row-name', x: 6, y: y + tl.rowH / 2 + 4, fill: actor.colour }, tl.el).textContent = actor.name;
      svg('rect', { class: 'row-bg', x: tl.left, y, width: tl.W - tl.left - tl.right, height: tl.rowH, fill: 'transparent', 'data-actor': a }, tl.el);
      for (const s of segments[a]) {
        if (s.end < tl.w0 || s.start > tl.w1) continue;
        const x = tx(Math.max(s.start, tl.w0)), w = Math.max(1, tx(Math.min(s.end, tl.w1)) - x);
        const pinned = state.pinned && state.pinned.actor === a && state.pinned.index === s.index;
        titled(svg('rect', { class: 'seg' + (pinned ? ' selected' : ''), x, y, width: w, height: tl.rowH,
          fill: D.segKinds[s.kind].colour, 'data-actor': a, 'data-index': s.index }, tl.el),
        `${actor.name}: ${s.what}, ${clockText(s.start)} to ${clockText(s.end)}`);
      }
    });
  }

  // What the colours mean, under the rows.
  function drawKindLegend() {
    let x = 6;
    const y = tl.H - 12;
    const entries = [...D.segKinds.map((k) => [k.colour, k.name]), ['#e3e7f1', 'night'], ['url(#nobody-hatch)', 'nobody came']];
    for (const [fill, name] of entries) {
      svg('rect', { x, y: y - 8, width: 9, height: 9, fill }, tl.el);
      const t = svg('text', { class: 'kind-legend', x: x + 12, y }, tl.el);
      t.textContent = name;
      x += 12 + t.getComputedTextLength() + 9;
    }
  }

  function drawTimeline() {
    tl.el.textContent = '';
    [tl.w0, tl.w1] = timelineWindow();
    const defs = svg('defs', {}, tl.el);
    const hatch = svg('pattern', { id: 'nobody-hatch', width: 6, height: 6, patternUnits: 'userSpaceOnUse', patternTransform: 'rotate(45)' }, defs);
    svg('rect', { width: 6, height: 6, fill: '#ecf0f1' }, hatch);
    svg('line', { x1: 0, y1: 0, x2: 0, y2: 6, stroke: '#95a5a6', 'stroke-width': 3 }, hatch);
    for (const [a, b] of nights(tl.w0, tl.w1)) {
      const x = tx(a), w = Math.max(1, tx(b) - tx(a));
      svg('rect', { class: 'night-band', x, y: tl.top, width: w, height: rowY(4) - tl.top - tl.gap }, tl.el);
      titled(svg('rect', { class: 'night-strip', x, y: tl.top - 3, width: w, height: 3 }, tl.el), `night, ${clockText(a)} to ${clockText(b)}`);
    }
    drawTicks();
    drawVisitsRow();
    drawRows();
    drawKindLegend();
    tlCursor = svg('line', { class: 'cursor', y1: tl.top - 4, y2: rowY(4) - tl.gap + 2 }, tl.el);
  }

  function renderTimeline() {
    const [w0, w1] = timelineWindow();
    if (w0 !== tl.w0 || w1 !== tl.w1 || tlPinned !== state.pinned || tlSel !== state.sel) drawTimeline();
    tlPinned = state.pinned;
    tlSel = state.sel;
    const x = tx(state.t).toFixed(1);
    tlCursor.setAttribute('x1', x);
    tlCursor.setAttribute('x2', x);
  }

  // A click on a bar moves the cursor to its start and shows its details.
  function onTimelineClick(ev) {
    const target = ev.target;
    if (target.dataset.index !== undefined) {
      const a = Number(target.dataset.actor), seg = segments[a][Number(target.dataset.index)];
      return pinSegment(a, seg);
    }
    if (target.dataset.visit !== undefined) {
      const i = Number(target.dataset.visit);
      state.sel = `visit-${i + 1}`;
      return setTime(D.visits[i][0]);
    }
    if (target.dataset.event !== undefined) return goToEvent(events[Number(target.dataset.event)]);
    const r = tl.el.getBoundingClientRect();
    const x = (ev.clientX - r.left) * tl.W / r.width, y = (ev.clientY - r.top) * tl.H / r.height;
    const t = clamp(tAt(x), 0, END);
    const row = ROW_ORDER.findIndex((a, i) => y >= rowY(i) && y < rowY(i) + tl.rowH);
    if (row >= 0) {
      const seg = segmentAt(ROW_ORDER[row], t);
      if (seg) return pinSegment(ROW_ORDER[row], seg);
      state.sel = D.actors[ROW_ORDER[row]].key;
    }
    setTime(t);
  }
  function pinSegment(a, seg) {
    state.sel = D.actors[a].key;
    state.pinned = { actor: a, index: seg.index };
    setTime(seg.start, { keepPin: true });
  }

  // ---- the details -------------------------------------------------------------------------

  function dl(pairs) {
    const list = html('dl');
    for (const [k, v] of pairs) if (v !== null && v !== undefined && v !== '') list.append(html('dt', {}, k), html('dd', {}, v));
    return list;
  }

  function segmentDetails(a, seg) {
    const kind = D.segKinds[seg.kind].name, actor = D.actors[a];
    const out = [html('h2', {}, `${actor.name}: ${seg.what}`)];
    const scenario = ['activity spot', 'chore', 'nearby seat', 'horse scenario'].includes(kind) ? seg.label : null;
    out.push(dl([
      ['kind', kind],
      ['spot', seg.spot ? `activity spot ${seg.spot} (${D.places.spots[seg.spot - 1][2]})` : null],
      ['scenario', scenario],
      ['start', clockText(seg.start)],
      ['end', seg.end >= C.end ? `${clockText(seg.end)}, the end of the run` : clockText(seg.end)],
      ['length', lengthText(seg.end - seg.start)],
    ]));
    const during = events.filter((e) => e.time >= seg.start && e.time <= seg.end);
    const lines = during.filter((e) => e.kind === EK.speech || e.kind === EK.greeting);
    out.push(html('h3', {}, lines.length ? 'Lines spoken during it' : 'No line spoken during it'));
    if (lines.length) out.push(html('ul', {}, ...lines.map((e) => html('li', {}, `${clockText(e.time)}  ${e.text}`))));
    const faults = during.filter((e) => e.kind === EK.fault && (e.actor === a || e.actor < 0));
    if (faults.length) out.push(html('h3', {}, 'Faults'), html('ul', {}, ...faults.map((e) => html('li', {}, `${clockText(e.time)}  ${e.text}`))));
    if (seg.pass >= 0 && D.passes[seg.pass] !== undefined) {
      const calls = D.passes[seg.pass].trimEnd();
      out.push(html('details', { class: 'pass' }, html('summary', {}, `Host calls of the pass it began in (${calls.split('\n').length})`),
        html('pre', {}, calls)));
    }
    return out;
  }

  function visitDetails(i) {
    const [start, end, ended, nobody] = D.visits[i];
    const out = [html('h2', {}, nobody ? `Visit ${i + 1}: the start brought nobody` : `Visit ${i + 1}`)];
    out.push(dl([
      ['start', clockText(start)],
      ['end', ended ? clockText(end) : 'not ended by the end of the run'],
      ['length', lengthText(end - start)],
      ['outcome', nobody ? 'no visitor arrived: no visit is counted, no cooldown follows, and the start is tried again an in-game hour later' : null],
    ]));
    const within = events.filter((e) => e.time >= start && e.time <= end && (e.kind === EK.visit || e.kind === EK.arrival || e.kind === EK.fault));
    if (within.length) out.push(html('ul', {}, ...within.map((e) => html('li', {}, `${clockText(e.time)}  ${e.text}`))));
    return out;
  }

  function renderDetails() {
    const box = $('details'), out = [];
    const atCursor = events.filter((e) => e.time === state.t);
    if (atCursor.length) out.push(html('div', { class: 'at-cursor' }, ...atCursor.map((e) => html('div', {}, e.text))));
    const a = selActor(), v = selVisit();
    if (a >= 0) {
      const seg = state.pinned && state.pinned.actor === a ? segments[a][state.pinned.index] : segmentAt(a, state.t);
      if (seg) out.push(...segmentDetails(a, seg));
      else out.push(html('h2', {}, `${D.actors[a].name} is not at the ranch at ${clockText(state.t)}`));
    } else if (v >= 0) {
      out.push(...visitDetails(v));
    } else {
      out.push(html('p', { class: 'hint' }, 'Click a bar of the timeline, an event or someone on the map for the details. ' +
        'Keys: space plays and pauses, the left and right arrows step to the previous and next event, Home and End go to the start and the end.'));
    }
    box.replaceChildren(...out);
  }

  // ---- the event list ---------------------------------------------------------------------

  const eventItems = [];
  let currentEvent = -2;
  function buildEvents() {
    const list = $('events');
    for (const e of events) {
      const b = html('button', { type: 'button' }, html('span', { class: 'time' }, clockText(e.time)), e.text);
      b.addEventListener('click', () => goToEvent(e));
      const li = html('li', { class: `k-${D.eventKinds[e.kind]}`, 'data-time': e.time }, b);
      eventItems.push(li);
    }
    list.replaceChildren(...eventItems);
  }
  function goToEvent(e) {
    if (e.actor >= 0) state.sel = D.actors[e.actor].key;
    setTime(e.time);
  }
  function renderEvents() {
    const i = eventAt(state.t);
    if (i === currentEvent) return;
    if (currentEvent >= 0) eventItems[currentEvent].classList.remove('current');
    currentEvent = i;
    if (i < 0) return;
    const li = eventItems[i], list = $('events');
    li.classList.add('current');
    list.scrollTop = li.offsetTop - list.clientHeight / 2 + li.offsetHeight / 2;
  }
  // The next event after t (dir 1) or the last before it (dir -1).
  function stepEvent(dir) {
    let i;
    if (dir > 0) {
      i = eventAt(state.t) + 1;
      if (i >= events.length) return;
    } else {
      i = lastAtOrBefore(events.length, (k) => events[k].time, state.t - 1);
      if (i < 0) return setTime(0);
      while (i > 0 && events[i - 1].time === events[i].time) --i;
    }
    goToEvent(events[i]);
  }

  // ---- the summary and the legends ----------------------------------------------------------

  function buildSummary() {
    const c = D.counts, kinds = Object.entries(c.activityKinds).map(([k, n]) => `${k} ${n}`).join(', ');
    const leaks = c.leakChecked ? String(c.leaks.length) : 'not checked';
    const items = [
      ['visits', String(c.visits)],
      ...(c.startsWithNobody ? [['starts, nobody came', String(c.startsWithNobody)]] : []),
      ['arrivals', String(c.arrivals)],
      ...(c.failedArrivals ? [['not created', String(c.failedArrivals)]] : []),
      ['activities', String(c.activities)],
      ['greetings', String(c.greetings)],
      ['nights slept', String(c.nightsSlept)],
      ['departures', String(c.departures)],
      ['rode away', String(c.ridesAway)],
      ['leaks', leaks],
      ['host errors', String(c.hostErrors.length)],
      ['host calls', String(c.hostCalls)],
    ];
    const list = html('dl');
    for (const [k, v] of items) {
      const dd = html('dd', {}, v);
      if ((k === 'leaks' && c.leaks.length) || (k === 'host errors' && c.hostErrors.length)) dd.className = 'bad';
      list.append(html('dt', {}, k), dd);
    }
    $('summary').replaceChildren(list, html('div', { class: 'hint' }, kinds ? `activities by kind: ${kinds}` : ''));
  }

  function buildLegends() {
    const legend = $('legend');
    D.actors.forEach((a) => {
      const b = html('button', { type: 'button', class: 'actor-button', 'data-key': a.key, 'aria-pressed': 'false' },
        html('span', { class: 'swatch', style: `background:${a.colour}` }), a.name);
      b.addEventListener('click', () => select(state.sel === a.key ? null : a.key));
      legend.append(b);
    });
  }

  // ---- rendering and playing -----------------------------------------------------------------

  function render() {
    const t = state.t;
    $('clock').textContent = clockText(t);
    $('slider').value = String(t);
    const night = isNight(t);
    $('daynight').textContent = night ? 'night' : 'day';
    $('daynight').className = night ? 'night' : '';
    for (const b of document.querySelectorAll('.actor-button')) b.setAttribute('aria-pressed', String(b.dataset.key === state.sel));
    renderMap();
    renderTimeline();
    renderEvents();
    renderDetails();
  }

  let lastFrame = 0;
  function frame(now) {
    if (!state.playing) return;
    const dt = Math.min(now - lastFrame, 250) / 1000;
    lastFrame = now;
    setTime(state.t + dt * state.speed);
    if (state.t >= END) return pause();
    requestAnimationFrame(frame);
  }
  function play() {
    if (state.t >= END) state.t = 0;
    state.playing = true;
    $('play').textContent = 'Pause';
    lastFrame = performance.now();
    requestAnimationFrame(frame);
  }
  function pause() {
    state.playing = false;
    $('play').textContent = 'Play';
    writeHash(true);
  }
  const togglePlay = () => (state.playing ? pause() : play());

  function onKey(ev) {
    if (ev.altKey || ev.ctrlKey || ev.metaKey || ev.target.tagName === 'SELECT') return;
    const actions = {
      ' ': togglePlay,
      ArrowRight: () => stepEvent(1),
      ArrowLeft: () => stepEvent(-1),
      Home: () => setTime(0),
      End: () => setTime(END),
    };
    const act = actions[ev.key];
    if (!act) return;
    ev.preventDefault();
    act();
  }

  function start() {
    $('title').textContent = D.title;
    $('title').title = D.title;
    const slider = $('slider');
    slider.max = String(END);
    slider.addEventListener('input', () => setTime(Number(slider.value)));
    $('play').addEventListener('click', togglePlay);
    $('speed').addEventListener('change', (e) => { state.speed = Number(e.target.value); });
    state.speed = Number($('speed').value);
    $('zoom').addEventListener('change', () => { tl.w0 = -1; render(); });
    $('mapzoom').addEventListener('change', () => { buildMap(); render(); });
    tl.el.addEventListener('click', onTimelineClick);
    document.addEventListener('keydown', onKey);
    document.addEventListener('keyup', (ev) => { if (ev.key === ' ' && ev.target.tagName === 'BUTTON') ev.preventDefault(); });
    window.addEventListener('hashchange', () => {
      if (location.hash === lastHash) return;
      readHash();
      render();
    });
    buildLegends();
    buildSummary();
    buildEvents();
    buildMap();
    readHash();
    drawTimeline();
    render();
    document.documentElement.dataset.ready = '1';
    window.replayReadyMs = performance.now();
  }

  start();
})();
