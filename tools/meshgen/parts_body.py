"""The upper body shell: a loft of 13 stations along x, 14 points around each.

Each station is the cross-section of the fibreglass shell, right half listed
from the inner floor outwards (R0 inner floor, R1 inner floor edge, R2 top of
the inner wall, R3 crest, R4 outer shoulder, R5 outer side bottom, R6 underside
edge); the left half is its mirror image.  Around the loop the points run
R0 .. R6 then L6 .. L0.  Over the cockpit the inner floor is low (a tub); in
front of the dashboard it rises to form the hood between the front fenders,
behind the seats it forms the rear deck, and around the engine it is the
floor of the engine bay.
"""

from meshlib import Mesh, q

A = (36.633099, -27.128405, 10.275766)
B = (29.128025, -23.787411, 11.549073)
C = (29.128025, -29.003799, 10.678477)
FIRST_NORMALS = [(-0.242383, 0.255820, -0.935845),
                 (0.103607, -0.022087, -0.994373),
                 (0.042755, 0.350983, -0.935405)]

STATIONS = [
    (-85.4895, [(-7, -2.5), (-14.5, -2.5), (-14.5, 4.5), (-16, 5.5), (-22, 5), (-23, -3.5), (-16, -4)]),
    (-78.0, [(-7, -2), (-15, -2), (-15, 6), (-17, 7.5), (-26, 7), (-29, -3), (-20, -3.6)]),
    (-68.0, [(-7, -2), (-15.5, -2), (-16, 9.5), (-20.5, 15.2), (-30.5, 13.8), (-35, -1.5), (-24.5, -2.7)]),
    (-56.0, [(-7, 4), (-16, 4), (-19.5, 9.5), (-24.5, 19.0044), (-32, 17.4), (-36, 3.7), (-24.5, 4.1)]),
    (-44.0, [(-7, 3.8), (-16, 3.8), (-19, 9), (-23, 15.6), (-30.5, 14.2), (-35.5, 0), (-24.5, 2.0)]),
    (-34.0, [(-7, -2.8), (-27, -2.8), (-27.5, 7), (-29, 9), (-31.5, 7), (-32, -7), (-28, -8.6)]),
    (-20.0, [(-7, -7.5), (-27.5, -7.5), (-28, 6.5), (-29.5, 7.8), (-31, 5.5), (-31.5, -7.5), (-28, -8.8019)]),
    (-6.0, [(-7, -7.5), (-27.5, -7.5), (-28, 8), (-29.5, 9.5), (-31, 7), (-31.5, -7.5), (-28, -8.8)]),
    (6.0, [(-7, 6.5), (-17, 6.2), (-22, 7.5), (-26, 10), (-31, 7), (-31.5, -6.5), (-27, -8.0)]),
    (18.0, [(-7, 8.0), (-16, 7.9), (-20.5, 8.6), (-23.5, 9.5), (-29.5, 8.8), (-35, -3.5), (-24.5, -5)]),
    (29.128025, [(-7, 8.8), (-16, 8.7), (-20.5, 9.5), B[1:], C[1:], (-36.0, 3.0), (-24.8, 3.5)]),
    (36.633099, [(-7, 8.2), (-16, 8.0), (-22.5, 9.3), A[1:], (-31.5, 7.8), (-35.5, 3.2), (-25, 3.0)]),
    (45.886, [(-7, 3.6), (-15, 3.6), (-21, 3.6), (-26.5, 3.8), (-30, 1.6), (-31, -1.8), (-24.5, -1.2)]),
]

N_AROUND = 14


def loop(right):
    """Loop of 14 (y, z) points: R0..R6 then the mirrored L6..L0."""
    left = [(-y, z) for (y, z) in right]
    return list(right) + left[::-1]


def build_upper_body():
    m = Mesh('BUGGYCORPOSUP')
    grid = []
    for x, right in STATIONS:
        grid.append([m.v(x, y, z) for (y, z) in loop(right)])
    first = None
    for i in range(len(grid) - 1):
        X, Y = grid[i], grid[i + 1]
        for k in range(N_AROUND):
            k1 = (k + 1) % N_AROUND
            t = m.tri(Y[k], X[k], X[k1])
            m.tri(Y[k], X[k1], Y[k1])
            if i == 10 and k == 3:
                first = t
    # The stated first triangle leads the table.
    tri0 = m.tris.pop(first)
    m.tris.insert(0, tri0)
    assert [m.pos[v] for v in m.tris[0]] == [tuple(q(c) for c in p) for p in (A, B, C)]
    for k in range(3):
        m.override[(0, k)] = tuple(q(c) for c in FIRST_NORMALS[k])
    m.grid = grid
    return m


def _mirror_k(k):
    return N_AROUND - 1 - k


def harden_upper_body(m, seed=3, iters=6000):
    g = m.grid
    n = len(g)
    # Sharp lines running the length of the shell: the crests of the lip,
    # the lower outer edges and the underside edges.
    for k in (3, 5, 6, 7, 8, 10):
        for i in range(n - 1):
            m.set_hard(g[i][k], g[i + 1][k])
    # One facet under the tail is its own flat face.
    m.set_hard(g[1][6], g[0][7])
    cands = []
    for i in range(n - 1):
        for k in (0, 1, 2, 4):
            cands.append([(g[i][k], g[i + 1][k]), (g[i][_mirror_k(k)], g[i + 1][_mirror_k(k)])])
    for i in range(1, n - 1):
        for k in range(0, 6):
            k1 = k + 1
            cands.append([(g[i][k], g[i][k1]), (g[i][_mirror_k(k)], g[i][_mirror_k(k1)])])
        cands.append([(g[i][6], g[i][7])])
    # Quad diagonals where the shell twists between fender and cockpit.
    for i in range(n - 1):
        for k in range(N_AROUND):
            cands.append([(g[i + 1][k], g[i][(k + 1) % N_AROUND])])
    return m.tune(324, 1, cands, seed=seed, iters=iters)
