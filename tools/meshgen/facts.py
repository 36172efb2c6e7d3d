"""The binding facts of every mesh table, and a checker for them."""

from meshlib import angle_deg, length, scale

# name: (triangles, positions, corners, x range, y range, z range, flat)
BODY = [
    ('BUGGYCORPOSUP', 336, 182, 324, (-85.4895, 45.8860), (-36.0, 36.0), (-8.8019, 19.0044), 1),
    ('BUGGYCORPOINF', 79, 61, 109, (-81.8313, 41.9894), (-31.1593, 33.1358), (-15.9039, 10.4068), 3),
    ('BUGGYCRUSCOTTO', 6, 8, 8, (-5.0562, -0.4337), (-21.8263, 21.8252), (0.4008, 12.0163), 0),
    ('BUGGYASSIRUOTE', 132, 104, 180, (-59.2662, 36.5886), (-28.4644, 28.4633), (-15.2782, 5.2292), 8),
    ('BUGGYMOTORE', 20, 12, 30, (-84.3705, -67.3347), (-13.0009, 12.9998), (-12.3035, 10.4322), 10),
    ('BUGGYTUBI', 56, 32, 92, (-85.8668, -69.0459), (-22.1208, -11.3232), (-14.2910, -9.4591), 12),
    ('BUGGYVETRO', 60, 36, 62, (-0.5752, 3.8901), (-23.6292, 23.6907), (3.1498, 27.7783), 0),
    ('BUGGYFANALESIN', 24, 17, 17, (35.0503, 40.5402), (14.3808, 22.2076), (9.3750, 17.2028), 0),
    ('BUGGYVETROFANALESIN', 6, 8, 8, (40.5402, 40.5402), (14.3808, 22.2076), (9.3750, 17.2028), 6),
    ('BUGGYFANALEDES', 24, 17, 17, (35.0503, 40.5402), (-23.5237, -15.6970), (9.3750, 17.2028), 0),
    ('BUGGYVETROFANALEDES', 6, 8, 8, (40.5402, 40.5402), (-23.5237, -15.6970), (9.3750, 17.2028), 6),
    ('BUGGYSEDILESIN', 20, 12, 36, (-35.6583, -7.4802), (1.7375, 22.2614), (-13.0657, 16.4214), 12),
    ('BUGGYSEDILEDES', 20, 12, 36, (-35.6583, -7.4802), (-22.2625, -1.7386), (-13.0657, 16.4214), 12),
    ('BUGGYRINFORZO', 156, 88, 158, (-54.5652, -33.6824), (-22.0186, 22.0175), (-3.9762, 29.0564), 0),
    ('BUGGYPARAURTI', 98, 58, 179, (31.6253, 45.7524), (-12.4658, 12.7339), (-8.5144, 14.6260), 0),
]

WHEEL = [
    ('BUGGYPNEUMATICO', 108, 72, 72, (-15.7569, 15.7564), (-3.5, 8.5), (-16.0, 16.0), None),
    ('BUGGYCERCHIONE', 180, 110, 145, (-14.4966, 14.4961), (-3.5, 8.5), (-14.7202, 14.7197), None),
]

FACTS = {row[0]: row for row in BODY + WHEEL}


def r4(v):
    return round(v + 0.0, 4)


def check(mesh, normals=None, max_angle=47.0, verbose=True):
    """List of problems of one mesh against its facts (empty when all hold)."""
    name, ntri, npos, ncor, xr, yr, zr, nflat = FACTS[mesh.name]
    if normals is None:
        normals = mesh.corner_normals()
    st = mesh.stats(normals)
    probs = []
    if st['tris'] != ntri:
        probs.append('triangles %d != %d' % (st['tris'], ntri))
    if st['pos'] != npos:
        probs.append('positions %d != %d' % (st['pos'], npos))
    if st['corners'] != ncor:
        probs.append('corners %d != %d' % (st['corners'], ncor))
    if nflat is not None and st['flat'] != nflat:
        probs.append('flat %d != %d' % (st['flat'], nflat))
    for axis, want, got in zip('xyz', (xr, yr, zr), mesh.ranges()):
        if (r4(got[0]), r4(got[1])) != (r4(want[0]), r4(want[1])):
            probs.append('%s range %.6f..%.6f != %.4f..%.4f' % (axis, got[0], got[1], want[0], want[1]))
    for ti, t in enumerate(mesh.tris):
        fn = mesh.face_normal(t)
        if length(mesh.face_normal_raw(t)) < 1e-3:
            probs.append('degenerate triangle %d' % ti)
        for k in range(3):
            n = normals[ti][k]
            if abs(length(n) - 1.0) > 1e-6:
                probs.append('normal length tri %d corner %d' % (ti, k))
            a = angle_deg(scale(n, -1.0), fn)
            if a > max_angle:
                probs.append('tri %d corner %d normal %.1f deg off' % (ti, k, a))
    if verbose and probs:
        print(mesh.name, st)
    return probs
