"""Lower body, axles, exhaust tubes, windscreen, roll frame and bumper."""

import math

from meshlib import Mesh, add, all_edges, cross, fit_ranges, mirror_groups, normalize, q, scale, sub
from shapes import cap_apex, cap_two, centroid, ring, tube
from facts import FACTS


def _targets(name):
    row = FACTS[name]
    return (row[4], row[5], row[6])


def path_rings(points, radius, sides, ref=(1.0, 0.0, 0.0), phase=0.0, ry=None, rz=None):
    """Rings around a polyline, each normal to the mean of its two segments."""
    rings = []
    n = len(points)
    for i, p in enumerate(points):
        a = points[max(i - 1, 0)]
        b = points[min(i + 1, n - 1)]
        t = normalize(sub(b, a))
        rings.append(ring(p, t, ref, radius, sides, phase, ry, rz))
    return rings


def _tune(m, corners, flat, groups, seed=1, iters=6000):
    st = m.tune(corners, flat, groups, seed=seed, iters=iters)
    return st


# ---------------------------------------------------------------------------
def build_lower_body():
    """Floor pan: a shallow tray under the shell, and the engine bulkhead."""
    m = Mesh('BUGGYCORPOINF')
    xs = [38.0, 28.0, 16.0, 4.0, -8.0, -20.0, -32.0, -44.0, -56.0, -68.0, -78.0]
    half = [11.0, 13.0, 17.0, 21.0, 21.5, 21.5, 21.0, 16.0, 13.0, 13.5, 13.0]
    rim_half = [19.0, 22.5, 24.0, 30.0, 31.1593, 31.0, 29.0, 23.5, 23.0, 19.0, 17.0]
    rim_z = [-1.5, -3.5, -6.5, -9.4, -9.6, -9.6, -9.4, -6.0, -4.5, -4.5, -6.0]
    rim_x = list(xs)
    rim_x[-1] = -81.8313
    fl, fr, rl, rr = [], [], [], []
    for i, x in enumerate(xs):
        zf = -15.9039 + 0.00042 * (x + 20.0) ** 2
        fl.append(m.v(x, half[i], zf))
        fr.append(m.v(x, -half[i], zf + 0.0))
        yl = rim_half[i]
        if i == 4:
            yl = 33.1358   # battery box bulge on the left sill
        rl.append(m.v(rim_x[i], yl, rim_z[i]))
        rr.append(m.v(rim_x[i], -rim_half[i], rim_z[i]))
    nose = m.v(41.9894, 0.0, -1.0)
    down = (0.0, 0.0, -1.0)
    # Floor.
    for i in range(len(xs) - 1):
        m.tri_out(fl[i], fr[i], fr[i + 1], outward=down)
        m.tri_out(fl[i], fr[i + 1], fl[i + 1], outward=down)
    # Side walls.
    for i in range(len(xs) - 1):
        m.tri_out(fl[i], fl[i + 1], rl[i + 1], outward=(0.0, 1.0, -0.3))
        m.tri_out(fl[i], rl[i + 1], rl[i], outward=(0.0, 1.0, -0.3))
        m.tri_out(fr[i], fr[i + 1], rr[i + 1], outward=(0.0, -1.0, -0.3))
        m.tri_out(fr[i], rr[i + 1], rr[i], outward=(0.0, -1.0, -0.3))
    # Nose and tail.
    m.tri_out(fl[0], fr[0], nose, outward=(1.0, 0.0, -0.5))
    m.tri_out(fl[0], nose, rl[0], outward=(1.0, 0.3, -0.5))
    m.tri_out(fr[0], nose, rr[0], outward=(1.0, -0.3, -0.5))
    m.tri_out(fl[-1], fr[-1], rr[-1], outward=(-1.0, 0.0, -0.3))
    m.tri_out(fl[-1], rr[-1], rl[-1], outward=(-1.0, 0.0, -0.3))
    # Engine bulkhead between the rear fenders.
    cols = [-14.5 + 29.0 * j / 7 for j in range(8)]
    bot, top = [], []
    for j, y in enumerate(cols):
        u = y / 14.5
        bulge = 0.9 * (1.0 - u * u)
        bot.append(m.v(-64.4 + bulge, y, -1.0 - 0.3 * u * u))
        zt = 10.4068 if j == 3 else 10.4068 - 0.7 * u * u - (0.02 if j == 4 else 0.0)
        top.append(m.v(-66.0 + bulge, y, zt))
    for j in range(7):
        m.tri_out(bot[j], bot[j + 1], top[j + 1], outward=(1.0, 0.0, 0.15))
        m.tri_out(bot[j], top[j + 1], top[j], outward=(1.0, 0.0, 0.15))
    # The floor meets the walls along a sharp fold.
    for i in range(len(xs) - 1):
        m.set_hard(fl[i], fl[i + 1])
        m.set_hard(fr[i], fr[i + 1])
    m.set_hard(fl[0], fr[0])
    m.set_hard(fl[-1], fr[-1])
    groups = mirror_groups(m, all_edges(m))
    _tune(m, 109, 3, groups, seed=2)
    return m


# ---------------------------------------------------------------------------
def build_axles():
    m = Mesh('BUGGYASSIRUOTE')
    r = 1.2782
    yl, yr = 28.4633, -28.4644
    # Front beams: two transverse tubes, one above the other.
    for (x, z, rr) in ((31.0, -14.0, r), (29.6, -9.6, 1.05)):
        rings = [ring((x, y, z), (0, 1, 0), (0, 0, -1), rr, 6) for y in (yr, yl)]
        tube(m, rings)
    # Rear axle with the final-drive housing in the middle, closed at both ends.
    ys = [yr, -12.0, 0.0, 12.0, yl]
    radii = [r, r, 2.0, r, r]
    rings = [ring((-56.0, y, -14.0 + (0.8 if y == 0.0 else 0.0)), (0, 1, 0), (0, 0, -1), rad, 6,
                  ry=rad, rz=rad) for y, rad in zip(ys, radii)]
    # The right end ring is cut on a zig-zag, so its cap is not planar.
    rings[0] = [(p[0], p[1] + (0.3 if k % 2 else 0.0), p[2]) for k, p in enumerate(rings[0])]
    g = tube(m, rings)
    # Left end: a flat plate with two studs' centres in its plane.
    end = g[-1]
    cap_two(m, end, (0.0, 1.0, 0.0))
    st = g[0]
    for k in range(1, 5):
        m.tri_out(st[0], st[k], st[k + 1], outward=(0.0, -1.0, 0.0))
    for k in range(6):
        m.set_hard(end[k], end[(k + 1) % 6])
        m.set_hard(st[k], st[(k + 1) % 6])
    # Spring struts from the hubs up to the body.
    for side in (1, -1):
        for (xb, xt) in ((30.2, 35.5886), (-54.2, -58.2662)):
            bottom = (xb, side * 22.5, -12.2)
            topc = (xt, side * 20.0, 5.2292)
            axis = normalize(sub(topc, bottom))
            r0 = ring(bottom, axis, (1, 0, 0), 1.0, 6)
            r1 = [(topc[0] + math.cos(math.radians(60 * k)), topc[1] + math.sin(math.radians(60 * k)),
                   5.2292) for k in range(6)]
            # keep the same angular order as r0
            best = min(range(6), key=lambda s: sum(
                (r1[(k + s) % 6][0] - topc[0] - (r0[k][0] - bottom[0])) ** 2 +
                (r1[(k + s) % 6][1] - topc[1] - (r0[k][1] - bottom[1])) ** 2 for k in range(6)))
            r1 = [r1[(k + best) % 6] for k in range(6)]
            tube(m, [r0, r1])
    groups = mirror_groups(m, all_edges(m))
    _tune(m, 180, 8, groups, seed=4)
    return m


# ---------------------------------------------------------------------------
def build_tubes():
    m = Mesh('BUGGYTUBI')
    r = 2.43025
    hz = r * math.sin(math.radians(60))
    pipes = []
    for yc in (-13.75345, -19.69055):
        rear = (-84.95, yc, -14.2910 + hz)
        front = (-69.55, yc, -9.4591 - hz)
        rings = [ring(c, (1, 0, 0), (0, 1, 0), r, 6) for c in (rear, front)]
        # ring() keeps x constant for an axis along x: the rings are upright.
        g = tube(m, rings)
        pipes.append(g)
        cap_two(m, g[0], (-1.0, 0.0, 0.0), tip=(-85.8668, -85.80))
        cap_two(m, g[1], (1.0, 0.0, 0.0), tip=(-69.0459, -69.10))
    # Both pipes get the same hard edges: edges of the second one are paired
    # with the matching edges of the first (same index pattern).
    n1 = len(m.pos) // 2
    groups = []
    edges = all_edges(m)
    emap = {frozenset(e) for e in edges}
    for a, b in edges:
        if a < n1 and b < n1:
            e2 = frozenset((a + n1, b + n1))
            groups.append([(a, b)] + ([tuple(e2)] if e2 in emap else []))
    _tune(m, 92, 12, groups, seed=5)
    return m


# ---------------------------------------------------------------------------
def build_windscreen():
    m = Mesh('BUGGYVETRO')
    ys = [-23.66, -14.2, -4.75, 4.75, 14.2, 23.66]
    h = 0.32
    rings = []
    for y in ys:
        u = y / 23.66
        xb = 3.6 - 1.1 * u * u
        zb = 4.6 - 1.45 * u * u
        zt = 27.6 - 2.6 * u * u
        xt = xb - 0.18 * (zt - zb)
        d = normalize((xt - xb, 0.0, zt - zb))
        nrm = (d[2], 0.0, -d[0])     # forward-facing normal of the pane
        pb = (xb, y, zb)
        pm = add(pb, scale(sub((xt, y, zt), pb), 0.5))
        pt = (xt, y, zt)
        loop = [add(pb, scale(nrm, h)), add(pm, scale(nrm, h * 1.15)), add(pt, scale(nrm, h * 0.7)),
                add(pt, scale(nrm, -h * 0.7)), add(pm, scale(nrm, -h * 1.15)), add(pb, scale(nrm, -h))]
        rings.append(loop)
    grid = [[m.v(*p) for p in r] for r in rings]
    for i in range(len(grid) - 1):
        X, Y = grid[i], grid[i + 1]
        for k in range(6):
            k1 = (k + 1) % 6
            pts = [m.pos[v] for v in (X[k], X[k1], Y[k1], Y[k])]
            c = centroid(pts)
            cc = centroid([m.pos[v] for v in X + Y])
            out = sub(c, cc)
            m.tri_out(X[k], X[k1], Y[k1], outward=out)
            m.tri_out(X[k], Y[k1], Y[k], outward=out)
    fit_ranges(m, _targets('BUGGYVETRO'))
    for k in (0, 2, 3, 5):
        for i in range(len(grid) - 1):
            m.set_hard(grid[i][k], grid[i + 1][k])
    groups = mirror_groups(m, all_edges(m))
    _tune(m, 62, 0, [[e] for g in groups for e in g], seed=6)
    return m


# ---------------------------------------------------------------------------
def build_roll_frame():
    m = Mesh('BUGGYRINFORZO')
    r = 1.25

    def hx(z):
        return -35.0 - 0.085 * (z + 3.0)

    path = [(-20.6, -2.6), (-20.6, 9.0), (-20.0, 19.0), (-16.8, 26.0),
            (16.8, 26.0), (20.0, 19.0), (20.6, 9.0), (20.6, -2.6)]
    pts = [(hx(z), y, z) for (y, z) in path]
    tube(m, path_rings(pts, r, 6, ref=(1.0, 0.0, 0.0)))
    for side in (1, -1):
        a = (hx(24.5) - 0.8, side * 17.6, 24.4)
        b = (-52.9, side * 14.5, 3.6)
        mid = scale(add(a, b), 0.5)
        rings = path_rings([a, mid, b], 1.0, 6, ref=(0.0, 0.0, 1.0))
        g = tube(m, rings)
        ax = normalize(sub(b, a))
        cap_apex(m, g[0], sub(a, scale(ax, 0.9)), outward=scale(ax, -1.0))
        cap_apex(m, g[-1], add(b, scale(ax, 1.1)), outward=ax)
    fit_ranges(m, _targets('BUGGYRINFORZO'))
    groups = mirror_groups(m, all_edges(m))
    _tune(m, 158, 0, groups, seed=7)
    return m


# ---------------------------------------------------------------------------
def build_bumper():
    m = Mesh('BUGGYPARAURTI')

    def gx(z):
        return 44.0 - 0.011 * (z + 6.0) ** 2

    path = [(-10.0, -5.6), (-10.0, 3.5), (-9.5, 10.0), (-6.8, 12.9),
            (6.8, 12.9), (9.5, 10.0), (10.0, 3.5), (10.0, -5.6)]
    pts = [(gx(z), y, z) for (y, z) in path]
    hg = tube(m, path_rings(pts, 1.0, 4, ref=(1.0, 0.0, 0.0), phase=45.0))
    bys = [-11.85, -5.9, 0.0, 5.9, 12.1]
    bpts = [(44.6 - 0.022 * y * y, y, -6.7) for y in bys]
    brings = path_rings(bpts, 1.55, 4, ref=(1.0, 0.0, 0.0), phase=0.0)
    g = tube(m, brings)
    h0 = cap_apex(m, g[0], (44.6 - 0.022 * 11.85 ** 2 - 0.3, -12.4658, -6.7), outward=(0.0, -1.0, 0.0))
    cap_apex(m, g[-1], (44.6 - 0.022 * 12.1 ** 2 - 0.3, 12.7339, -6.7), outward=(0.0, 1.0, 0.0))
    p = [m.v(43.2, 7.5, -7.9), m.v(43.2, -7.5, -7.8), m.v(31.6253, -6.5, -4.2), m.v(31.6253, 6.5, -4.9)]
    m.tri_out(p[0], p[1], p[2], outward=(0.2, 0.0, -1.0))
    m.tri_out(p[0], p[2], p[3], outward=(0.2, 0.0, -1.0))
    # Square tubes: the four long edges are sharp, and so are the rims of
    # the bar's end caps; one spoke of the right cap is a seam.
    for grid in (hg, g):
        for k in range(4):
            for i in range(len(grid) - 1):
                m.set_hard(grid[i][k], grid[i + 1][k])
    for rim in (g[0], g[-1]):
        for k in range(4):
            m.set_hard(rim[k], rim[(k + 1) % 4])
    m.set_hard(h0, g[0][0])
    ring_edges = []
    for grid in (hg, g):
        for i in range(1, len(grid) - 1):
            for k in range(4):
                ring_edges.append((grid[i][k], grid[i][(k + 1) % 4]))
    fit_ranges(m, _targets('BUGGYPARAURTI'))
    groups = mirror_groups(m, all_edges(m))
    _tune(m, 179, 0, mirror_groups(m, ring_edges) + [[e] for e in ring_edges], seed=8)
    return m
