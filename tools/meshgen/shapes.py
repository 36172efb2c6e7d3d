"""Shape builders shared by the part definitions: tubes, caps, lofts."""

import math

from meshlib import add, cross, dot, normalize, scale, sub


def centroid(points):
    n = float(len(points))
    s = (0.0, 0.0, 0.0)
    for p in points:
        s = add(s, p)
    return scale(s, 1.0 / n)


def ring(center, axis, up, radius, sides, phase=0.0, ry=None, rz=None):
    """Points of a regular polygon around center in the plane normal to axis.

    up gives the direction of the first corner (before phase, in degrees);
    ry/rz stretch the two in-plane directions separately when given.
    """
    a = normalize(axis)
    u = normalize(sub(up, scale(a, dot(up, a))))
    w = cross(a, u)
    r1 = radius if ry is None else ry
    r2 = radius if rz is None else rz
    pts = []
    for k in range(sides):
        t = math.radians(phase + 360.0 * k / sides)
        p = add(center, add(scale(u, r1 * math.cos(t)), scale(w, r2 * math.sin(t))))
        pts.append(p)
    return pts


def tube(mesh, rings, diag_alt=False):
    """Connect consecutive rings (lists of points, same count) by quads.

    Returns the index grid.  Each quad is wound so that its face normal
    points away from the local axis (midpoint of the two ring centroids).
    """
    grid = [[mesh.v(*p) for p in r] for r in rings]
    cents = [centroid(r) for r in rings]
    m = len(rings[0])
    for i in range(len(rings) - 1):
        axis_pt = scale(add(cents[i], cents[i + 1]), 0.5)
        for k in range(m):
            a, b = grid[i][k], grid[i][(k + 1) % m]
            c, d = grid[i + 1][(k + 1) % m], grid[i + 1][k]
            qc = centroid([mesh.pos[x] for x in (a, b, c, d)])
            out = sub(qc, axis_pt)
            if diag_alt and (k % 2 == 1):
                t1, t2 = (a, b, d), (b, c, d)
            else:
                t1, t2 = (a, b, c), (a, c, d)
            mesh.tri_out(*t1, outward=out)
            mesh.tri_out(*t2, outward=out)
    return grid


def cap_flat(mesh, idx, outward, fan_from=0):
    """Close a polygon of indices by a fan from one of its corners."""
    m = len(idx)
    o = idx[fan_from:] + idx[:fan_from]
    for k in range(1, m - 1):
        mesh.tri_out(o[0], o[k], o[k + 1], outward=outward)


def cap_apex(mesh, idx, apex_point, outward):
    """Close a polygon of indices by a fan around a new apex position."""
    h = mesh.v(*apex_point)
    m = len(idx)
    for k in range(m):
        mesh.tri_out(idx[k], idx[(k + 1) % m], h, outward=outward)
    return h


def longitudinal_edges(grid, k, start=0, end=None):
    """Edges along ring index k between consecutive rings."""
    if end is None:
        end = len(grid) - 1
    return [(grid[i][k], grid[i + 1][k]) for i in range(start, end)]


def ring_edges(grid, i):
    m = len(grid[i])
    return [(grid[i][k], grid[i][(k + 1) % m]) for k in range(m)]


def poly_edges(idx):
    m = len(idx)
    return [(idx[k], idx[(k + 1) % m]) for k in range(m)]


def cap_two(mesh, rim, outward, lift_a=0.0, lift_b=0.0, spread=0.35, tip=None):
    """Close a hexagon with two inner points (eight triangles).

    The inner points sit towards the middles of edges 0-1 and 3-4, raised
    along outward by lift_a / lift_b (a dome when raised, flat when 0).  When
    tip is given, the x of both inner points is set to it.
    """
    pts = [mesh.pos[i] for i in rim]
    c = centroid(pts)
    o = normalize(outward)
    ma = scale(add(pts[0], pts[1]), 0.5)
    mb = scale(add(pts[3], pts[4]), 0.5)
    pa = add(add(c, scale(sub(ma, c), spread)), scale(o, lift_a))
    pb = add(add(c, scale(sub(mb, c), spread)), scale(o, lift_b))
    if tip is not None:
        pa = (tip[0], pa[1], pa[2])
        pb = (tip[1], pb[1], pb[2])
    a = mesh.v(*pa)
    b = mesh.v(*pb)
    r = rim
    for tri in ((a, r[0], r[1]), (a, r[1], r[2]), (a, r[2], b), (b, r[2], r[3]),
                (b, r[3], r[4]), (b, r[4], r[5]), (b, r[5], a), (a, r[5], r[0])):
        mesh.tri_out(*tri, outward=outward)
    return a, b
