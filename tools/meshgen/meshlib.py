"""Triangle-mesh authoring helpers for the buggy model tables.

A Mesh holds positions (already rounded to six decimals and to single
precision), triangles as index triples wound counter-clockwise seen from
outside, and a set of hard edges.  Per-corner normals come from fans: around
each position the incident triangles are grouped into fans that are connected
through soft (non-hard, two-sided) edges, and every fan gets one normal, the
angle-weighted mean of its face normals.  The stored normal is the negated
(inward) one, as the model tables keep them.
"""

import math
import random
import struct


def f32(v):
    """Round a double to the nearest single-precision value."""
    return struct.unpack('<f', struct.pack('<f', v))[0]


def q(v):
    """A value as stored: nearest single to the nearest six-decimal number."""
    r = round(v, 6)
    if r == 0:
        r = 0.0
    return f32(float('%.6f' % r))


def fmt(v):
    """Six-decimal text of a stored value (round trip exact for singles)."""
    s = '%.6f' % v
    if s == '-0.000000':
        s = '0.000000'
    return s


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def length(a):
    return math.sqrt(dot(a, a))


def normalize(a):
    n = length(a)
    return (a[0] / n, a[1] / n, a[2] / n)


def angle_deg(a, b):
    c = dot(a, b) / (length(a) * length(b))
    return math.degrees(math.acos(max(-1.0, min(1.0, c))))


def quantize_normal(n):
    """Round a unit vector to six decimals, keeping it unit to within 1e-6."""
    n = normalize(n)
    best = tuple(q(c) for c in n)
    err = abs(length(best) - 1.0)
    if err <= 5e-7:
        return best
    # Nudge the components by one unit of the sixth decimal until it fits.
    for i in range(3):
        for d in (-1e-6, 1e-6):
            cand = list(best)
            cand[i] = q(cand[i] + d)
            cand = tuple(cand)
            e = abs(length(cand) - 1.0)
            if e < err:
                best, err = cand, e
    assert err <= 1e-6, n
    return best


class Mesh:
    def __init__(self, name):
        self.name = name
        self.pos = []           # list of (x, y, z), stored values
        self.index = {}         # position -> index
        self.tris = []          # (a, b, c)
        self.hard = set()       # frozenset({a, b})
        self.override = {}      # (tri, corner) -> stored normal for that fan
        self.explicit = None    # optional list of per-corner stored normals

    # -- building -------------------------------------------------------
    def v(self, x, y, z):
        p = (q(x), q(y), q(z))
        if p not in self.index:
            self.index[p] = len(self.pos)
            self.pos.append(p)
        return self.index[p]

    def tri(self, a, b, c):
        assert len({a, b, c}) == 3, (self.name, a, b, c)
        self.tris.append((a, b, c))
        return len(self.tris) - 1

    def tri_out(self, a, b, c, outward):
        """Add a triangle, wound so that its face normal agrees with outward."""
        n = self.face_normal_raw((a, b, c))
        if dot(n, outward) < 0:
            a, b = b, a
        return self.tri(a, b, c)

    def quad(self, a, b, c, d, diag_ac=True):
        """Quad a-b-c-d (counter-clockwise from outside) as two triangles."""
        if diag_ac:
            self.tri(a, b, c)
            self.tri(a, c, d)
        else:
            self.tri(a, b, d)
            self.tri(b, c, d)

    def set_hard(self, a, b, on=True):
        e = frozenset((a, b))
        if on:
            self.hard.add(e)
        else:
            self.hard.discard(e)

    # -- geometry -------------------------------------------------------
    def face_normal_raw(self, t):
        a, b, c = (self.pos[i] for i in t)
        return cross(sub(b, a), sub(c, a))

    def face_normal(self, t):
        return normalize(self.face_normal_raw(t))

    def corner_angle(self, t, k):
        p = self.pos[t[k]]
        u = sub(self.pos[t[(k + 1) % 3]], p)
        w = sub(self.pos[t[(k + 2) % 3]], p)
        return math.radians(angle_deg(u, w))

    def edges(self):
        """edge -> list of triangle indices."""
        m = {}
        for ti, t in enumerate(self.tris):
            for k in range(3):
                e = frozenset((t[k], t[(k + 1) % 3]))
                m.setdefault(e, []).append(ti)
        return m

    def check_manifold_orientation(self):
        """Every edge used by at most two triangles, in opposite directions."""
        directed = {}
        for ti, t in enumerate(self.tris):
            for k in range(3):
                d = (t[k], t[(k + 1) % 3])
                assert d not in directed, (self.name, 'edge used twice in one direction', d)
                directed[d] = ti
        bad = [e for e, ts in self.edges().items() if len(ts) > 2]
        assert not bad, (self.name, 'non-manifold edges', bad[:5])

    def signed_volume(self):
        s = 0.0
        for t in self.tris:
            a, b, c = (self.pos[i] for i in t)
            s += dot(a, cross(b, c)) / 6.0
        return s

    # -- normals --------------------------------------------------------
    def _prepare(self):
        self._emap = self.edges()
        self._inc = [[] for _ in self.pos]
        for ti, t in enumerate(self.tris):
            for k in range(3):
                self._inc[t[k]].append((ti, k))
        self._fn = [self.face_normal(t) for t in self.tris]
        self._ang = [[self.corner_angle(t, k) for k in range(3)] for t in self.tris]

    def corner_normals(self, hard=None):
        """Stored (inward) normal of every corner, by fans over soft edges."""
        if self.explicit is not None:
            return self.explicit
        if hard is None:
            hard = self.hard
        self._prepare()
        out = [[None] * 3 for _ in self.tris]
        for v, inc in enumerate(self._inc):
            if not inc:
                continue
            parent = {ti: ti for ti, _ in inc}

            def find(x):
                while parent[x] != x:
                    parent[x] = parent[parent[x]]
                    x = parent[x]
                return x

            for ti, k in inc:
                t = self.tris[ti]
                for w in (t[(k + 1) % 3], t[(k + 2) % 3]):
                    e = frozenset((v, w))
                    if e in hard:
                        continue
                    ts = self._emap[e]
                    if len(ts) == 2:
                        a, b = find(ts[0]), find(ts[1])
                        if a != b:
                            parent[a] = b
            groups = {}
            for ti, k in inc:
                groups.setdefault(find(ti), []).append((ti, k))
            for members in groups.values():
                n = None
                for ti, k in members:
                    if (ti, k) in self.override:
                        n = self.override[(ti, k)]
                if n is None:
                    s = (0.0, 0.0, 0.0)
                    for ti, k in members:
                        s = add(s, scale(self._fn[ti], self._ang[ti][k]))
                    n = quantize_normal(scale(s, -1.0))
                for ti, k in members:
                    out[ti][k] = n
        return out

    # -- statistics -----------------------------------------------------
    def stats(self, normals=None):
        if normals is None:
            normals = self.corner_normals()
        positions = set()
        corners = set()
        flat = 0
        worst = 0.0
        for ti, t in enumerate(self.tris):
            fn = self.face_normal(t)
            ns = normals[ti]
            if ns[0] == ns[1] == ns[2]:
                flat += 1
            for k in range(3):
                positions.add(self.pos[t[k]])
                corners.add((self.pos[t[k]], ns[k]))
                worst = max(worst, angle_deg(scale(ns[k], -1.0), fn))
        return {'tris': len(self.tris), 'pos': len(positions), 'corners': len(corners),
                'flat': flat, 'worst': worst}

    def ranges(self):
        used = sorted({i for t in self.tris for i in t})
        r = []
        for c in range(3):
            vals = [self.pos[i][c] for i in used]
            r.append((min(vals), max(vals)))
        return r

    def min_double_area(self):
        return min(length(self.face_normal_raw(t)) for t in self.tris)

    # -- tuning of hard edges -------------------------------------------
    def bad_vertices(self, max_angle):
        normals = self.corner_normals()
        bad = set()
        for ti, t in enumerate(self.tris):
            fn = self.face_normal(t)
            for k in range(3):
                if angle_deg(scale(normals[ti][k], -1.0), fn) > max_angle:
                    bad.add(t[k])
        return bad

    def tune(self, target_corners, target_flat, candidates, max_angle=46.0,
             seed=1, iters=20000):
        """Search hard-edge toggles among candidate groups to hit the counts.

        candidates: list of groups, each a list of edges (index pairs) that
        are toggled together.  The current hard set is the starting point;
        first every group touching a corner whose normal strays too far from
        its face is hardened, then groups are toggled at random, keeping only
        moves that leave every corner within max_angle and do not move the
        counts away from their targets.
        """
        rnd = random.Random(seed)
        cand = [[frozenset(e) for e in g] for g in candidates]
        state = [all(e in self.hard for e in g) for g in cand]
        for _ in range(50):
            bad = self.bad_vertices(max_angle)
            if not bad:
                break
            for i, g in enumerate(cand):
                if not state[i] and any(v in bad for e in g for v in e):
                    self._toggle(g, True)
                    state[i] = True

        def score():
            st = self.stats()
            s = abs(st['corners'] - target_corners) + 3 * abs(st['flat'] - target_flat)
            return s, st

        best, st = score()
        it = 0
        while best > 0 and it < iters:
            it += 1
            i = rnd.randrange(len(cand))
            self._toggle(cand[i], not state[i])
            state[i] = not state[i]
            s, st2 = score()
            if st2['worst'] <= max_angle and (s <= best or rnd.random() < 0.01):
                best, st = s, st2
            else:
                self._toggle(cand[i], not state[i])
                state[i] = not state[i]
        if best > 0:
            best = self._polish(target_corners, target_flat, cand, max_angle)
        return self.stats()

    def _polish(self, target_corners, target_flat, cand, max_angle):
        """Exact fix-up: try every single edge, then every pair of edges."""
        edges = sorted({e for g in cand for e in g}, key=lambda e: sorted(e))

        def score():
            st = self.stats()
            if st['worst'] > max_angle:
                return None
            return abs(st['corners'] - target_corners) + 3 * abs(st['flat'] - target_flat)

        def flip(e):
            if e in self.hard:
                self.hard.discard(e)
            else:
                self.hard.add(e)

        base = score()
        singles = []
        for e in edges:
            flip(e)
            s = score()
            if s == 0:
                return 0
            if s is not None and s <= base + 2:
                singles.append(e)
            flip(e)
        for i, e in enumerate(singles):
            flip(e)
            for f in singles[i + 1:]:
                flip(f)
                if score() == 0:
                    return 0
                flip(f)
            flip(e)
        return base

    def _toggle(self, group, on):
        for e in group:
            if on:
                self.hard.add(e)
            else:
                self.hard.discard(e)


def fit_ranges(mesh, targets):
    """Map every axis affinely so that the part spans exactly the targets."""
    used = sorted({i for t in mesh.tris for i in t})
    maps = []
    for c in range(3):
        vals = [mesh.pos[i][c] for i in used]
        lo, hi = min(vals), max(vals)
        tlo, thi = targets[c]
        s = (thi - tlo) / (hi - lo) if hi > lo else 1.0
        maps.append((lo, tlo, s))
    new = []
    for p in mesh.pos:
        new.append(tuple(q(maps[c][1] + (p[c] - maps[c][0]) * maps[c][2]) for c in range(3)))
    mesh.pos = new
    mesh.index = {}
    for i, p in enumerate(new):
        assert p not in mesh.index, (mesh.name, 'positions merged by the fit')
        mesh.index[p] = i


def mirror_groups(mesh, edges, axis=1):
    """Group each edge with its mirror image (axis coordinate negated)."""
    groups = []
    seen = set()
    for a, b in edges:
        e = frozenset((a, b))
        if e in seen:
            continue
        pa = list(mesh.pos[a]); pa[axis] = q(-pa[axis])
        pb = list(mesh.pos[b]); pb[axis] = q(-pb[axis])
        ma, mb = mesh.index.get(tuple(pa)), mesh.index.get(tuple(pb))
        g = [(a, b)]
        seen.add(e)
        if ma is not None and mb is not None and ma != mb:
            me = frozenset((ma, mb))
            if me != e and me not in seen:
                g.append((ma, mb))
                seen.add(me)
        groups.append(g)
    return groups


def all_edges(mesh):
    return [tuple(e) for e in mesh.edges().keys()]
