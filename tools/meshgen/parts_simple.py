"""Engine, seats, headlights, headlight glasses, dashboard and the wheel."""

import math
from decimal import Decimal

from meshlib import Mesh, fmt, q, quantize_normal, normalize
from shapes import poly_edges


def _prism(mesh, profile, ys_lo, ys_hi, fan_from):
    """Prism along y over a counter-clockwise (x, z) profile.

    ys_lo / ys_hi give, per profile corner, the y of the low and high end.
    Returns (low indices, high indices).
    """
    m = len(profile)
    lo = [mesh.v(profile[k][0], ys_lo[k], profile[k][1]) for k in range(m)]
    hi = [mesh.v(profile[k][0], ys_hi[k], profile[k][1]) for k in range(m)]
    for k in range(m):
        k1 = (k + 1) % m
        dx = profile[k1][0] - profile[k][0]
        dz = profile[k1][1] - profile[k][1]
        out = (dz, 0.0, -dx)
        mesh.tri_out(lo[k], lo[k1], hi[k1], outward=out)
        mesh.tri_out(lo[k], hi[k1], hi[k], outward=out)
    o_lo = lo[fan_from:] + lo[:fan_from]
    o_hi = hi[fan_from:] + hi[:fan_from]
    for k in range(1, m - 1):
        mesh.tri_out(o_lo[0], o_lo[k], o_lo[k + 1], outward=(0.0, -1.0, 0.0))
    for k in range(1, m - 1):
        mesh.tri_out(o_hi[0], o_hi[k], o_hi[k + 1], outward=(0.0, 1.0, 0.0))
    return lo, hi


ENGINE_PROFILE = [(-84.3705, -2.6906), (-82.5021, -12.3035), (-67.3347, -11.4555),
                  (-75.2617, -2.6906), (-75.2617, 6.9217), (-79.4571, 10.4322)]


def build_engine():
    m = Mesh('BUGGYMOTORE')
    lo, hi = _prism(m, ENGINE_PROFILE, [-13.0009] * 6, [12.9998] * 6, fan_from=3)
    for e in poly_edges(lo) + poly_edges(hi):
        m.set_hard(*e)
    # Sharp corners of the block: the bottom-rear edge, the bottom-front
    # edge and the top-rear edge; the others are rounded.
    for k in (1, 2, 5):
        m.set_hard(lo[k], hi[k])
    return m


SEAT_PROFILE = [(-9.2, -13.0657), (-7.4802, -3.0), (-26.6, -4.6),
                (-30.9, 16.4214), (-35.6583, 15.4), (-31.4, -13.0657)]


def build_seat_left():
    m = Mesh('BUGGYSEDILESIN')
    y0, y1 = 1.7375, 22.2614
    # The backrest narrows towards its top, the cushion is full width.
    inset = [0.0, 0.35, 0.0, 1.6, 1.9, 0.0]
    lo, hi = _prism(m, SEAT_PROFILE, [y0 + d for d in inset], [y1 - d for d in inset],
                    fan_from=2)
    for e in poly_edges(lo) + poly_edges(hi):
        m.set_hard(*e)
    for k in range(6):
        m.set_hard(lo[k], hi[k])
    return m


# Headlight glass octagon in the plane x = 40.5402, corners by angle.
GLASS_X = 40.5402
GLASS_CORNERS = {
    0: (22.207560, 13.2889), 45: (21.0617, 16.0564), 90: (18.294160, 17.2028),
    135: (15.5267, 16.0564), 180: (14.380800, 13.2889), 225: (15.5267, 10.5214),
    270: (18.294160, 9.3750), 315: (21.0617, 10.5214),
}
GLASS_TRIS = [(180, 225, 135), (225, 270, 135), (270, 315, 135),
              (315, 0, 135), (0, 45, 135), (45, 90, 135)]


def build_glass_left():
    m = Mesh('BUGGYVETROFANALESIN')
    idx = {a: m.v(GLASS_X, y, z) for a, (y, z) in GLASS_CORNERS.items()}
    for a, b, c in GLASS_TRIS:
        m.tri(idx[a], idx[b], idx[c])
    n = (q(-1.0), q(0.0), q(0.0))
    m.explicit = [[n, n, n] for _ in m.tris]
    return m


def build_headlight_left():
    m = Mesh('BUGGYFANALESIN')
    cy, cz = 18.294160, 13.2889
    angles = sorted(GLASS_CORNERS)
    rim = [m.v(GLASS_X, *GLASS_CORNERS[a]) for a in angles]
    mid = []
    for a in angles:
        y, z = GLASS_CORNERS[a]
        mid.append(m.v(37.6, cy + 0.9 * (y - cy), cz + 0.9 * (z - cz)))
    apex = m.v(35.0503, cy, cz)
    for k in range(8):
        k1 = (k + 1) % 8
        pts = [m.pos[i] for i in (rim[k], rim[k1], mid[k1], mid[k])]
        c = tuple(sum(p[j] for p in pts) / 4 for j in range(3))
        out = (0.0, c[1] - cy, c[2] - cz)
        m.tri_out(rim[k], rim[k1], mid[k1], outward=out)
        m.tri_out(rim[k], mid[k1], mid[k], outward=out)
    for k in range(8):
        m.tri_out(mid[k], mid[(k + 1) % 8], apex, outward=(-1.0, 0.0, 0.0))
    return m


def _mirror_value(y):
    return float(Decimal('-1.316183') - Decimal(fmt(y)))


def mirror_part(src, name):
    """Mirror image in y = -0.658092: ny negated, corners in reverse order."""
    m = Mesh(name)
    normals = src.corner_normals()
    expl = []
    for ti, t in enumerate(src.tris):
        idx = []
        ns = []
        for k in (2, 1, 0):
            x, y, z = src.pos[t[k]]
            idx.append(m.v(x, _mirror_value(y), z))
            nx, ny, nz = normals[ti][k]
            ns.append((nx, q(-ny), nz))
        m.tri(*idx)
        expl.append(ns)
    m.explicit = expl
    return m


def shift_part(src, name, dy):
    """The same part moved along y by dy (same triangles, corners, normals)."""
    m = Mesh(name)
    normals = src.corner_normals()
    for t in src.tris:
        idx = []
        for k in range(3):
            x, y, z = src.pos[t[k]]
            idx.append(m.v(x, float(Decimal(fmt(y)) + Decimal(dy)), z))
        m.tri(*idx)
    m.explicit = [list(ns) for ns in normals]
    return m


def build_dashboard():
    m = Mesh('BUGGYCRUSCOTTO')
    ys = [-21.8263, -7.3, 7.3, 21.8252]
    top = [(-0.4337, 11.35), (-1.15, 12.0163), (-1.12, 12.0), (-0.46, 11.38)]
    bot = [(-4.25, 1.05), (-5.0562, 0.4008), (-5.03, 0.43), (-4.27, 1.02)]
    t = [m.v(top[i][0], ys[i], top[i][1]) for i in range(4)]
    b = [m.v(bot[i][0], ys[i], bot[i][1]) for i in range(4)]
    for i in range(3):
        out = (-1.0, 0.0, 0.4)
        m.tri_out(b[i], b[i + 1], t[i + 1], outward=out)
        m.tri_out(b[i], t[i + 1], t[i], outward=out)
    return m


# ---------------------------------------------------------------------------
# Wheel: rings, emission order and normal table.

THETA = [10.0 + 20.0 * k for k in range(18)]
HUB = (-0.000241, -0.000244)   # x, z of the two centre points

TYRE_RINGS = {'T0': (-3.5, 14.7199), 'T1': (-1.500092, 15.9998),
              'T2': (6.499908, 15.9998), 'T3': (8.5, 14.7199)}
RIM_RINGS = {'C0': (-3.5, 9.0283), 'C1': (-3.5, 14.7199), 'C2': (-0.000069, 4.0628),
             'C3': (1.499954, 2.3925), 'C4': (8.5, 9.0283), 'C5': (8.5, 14.7199)}

# Per-corner radii where the stored wheel differs from the ring radius; they
# give the wheel its exact extents (the tread reaches 16 at 90 and 270
# degrees, the flanges 14.7197 / 14.7202) within 0.0005 of the ring table.
_TREAD_R = {k: 16.0 for k in range(18)}
_TREAD_R[0] = 15.9995
_TREAD_R[17] = 15.9995
_EDGE_R = {k: 14.7199 for k in range(18)}
_EDGE_R[0] = 14.71977
_EDGE_R[17] = 14.71977
_EDGE_R[8] = 14.720218
_EDGE_R[9] = 14.720218
_EDGE_R[4] = 14.71974
_EDGE_R[13] = 14.72016


def _ring_point(name, k):
    k %= 18
    if name in TYRE_RINGS:
        y, r = TYRE_RINGS[name]
        r = _TREAD_R[k] if name in ('T1', 'T2') else _EDGE_R[k]
    else:
        y, r = RIM_RINGS[name]
        if name in ('C1', 'C5'):
            r = _EDGE_R[k]
    t = math.radians(THETA[k % 18])
    return (r * math.cos(t), y, r * math.sin(t))


def _ring_normal(a, b, k):
    t = math.radians(THETA[k % 18])
    return quantize_normal((a * math.cos(t), b, a * math.sin(t)))


ORDER = list(range(7, -1, -1)) + list(range(17, 7, -1))

TYRE_NORMALS = {'T0': (-0.8413, 0.5384), 'T1': (-0.9596, 0.2815),
                'T2': (-0.9596, -0.2815), 'T3': (-0.8413, -0.5384)}


def _band(mesh, expl, X, Y, nX, nY):
    for k in ORDER:
        xk, xk1 = _ring_point(X, k), _ring_point(X, k + 1)
        yk, yk1 = _ring_point(Y, k), _ring_point(Y, k + 1)
        a = [mesh.v(*xk), mesh.v(*xk1), mesh.v(*yk1)]
        mesh.tri(*a)
        expl.append([_ring_normal(*nX, k), _ring_normal(*nX, k + 1), _ring_normal(*nY, k + 1)])
        b = [mesh.v(*yk), mesh.v(*xk), mesh.v(*yk1)]
        mesh.tri(*b)
        expl.append([_ring_normal(*nY, k), _ring_normal(*nX, k), _ring_normal(*nY, k + 1)])


def build_tyre():
    m = Mesh('BUGGYPNEUMATICO')
    expl = []
    _band(m, expl, 'T1', 'T0', TYRE_NORMALS['T1'], TYRE_NORMALS['T0'])
    _band(m, expl, 'T2', 'T1', TYRE_NORMALS['T2'], TYRE_NORMALS['T1'])
    _band(m, expl, 'T3', 'T2', TYRE_NORMALS['T3'], TYRE_NORMALS['T2'])
    m.explicit = expl
    return m


def build_rim():
    m = Mesh('BUGGYCERCHIONE')
    expl = []
    h0 = (HUB[0], -0.000069, HUB[1])
    h1 = (HUB[0], 4.5, HUB[1])
    n_h0 = quantize_normal((0.0, 1.0, 0.0))
    for k in ORDER:
        m.tri(m.v(*_ring_point('C2', k)), m.v(*_ring_point('C2', k + 1)), m.v(*h0))
        expl.append([_ring_normal(0.3611, 0.9323, k), _ring_normal(0.3611, 0.9323, k + 1), n_h0])
    _band(m, expl, 'C0', 'C2', (0.3013, 0.9533), (0.3611, 0.9323))
    _band(m, expl, 'C1', 'C0', (0.0, 1.0), (0.3013, 0.9533))
    _band(m, expl, 'C4', 'C5', (0.3933, -0.9191), (0.0, -1.0))
    _band(m, expl, 'C3', 'C4', (0.7251, -0.6874), (0.3933, -0.9191))
    for k in ORDER:
        m.tri(m.v(*_ring_point('C3', k + 1)), m.v(*_ring_point('C3', k)), m.v(*h1))
        phi = math.radians(THETA[k] + 10.0)
        nh = quantize_normal((-0.6316 * math.cos(phi), -0.7753, -0.6316 * math.sin(phi)))
        expl.append([_ring_normal(-0.7819, -0.6235, k + 1), _ring_normal(-0.7819, -0.6235, k), nh])
    m.explicit = expl
    return m
