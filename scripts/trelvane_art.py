"""Trelvane's mark, drawn procedurally so the logo and every icon size come
from one source and can be regenerated on any machine with a stock Python.

The motif: a front-facing head and shoulders on a teal-to-indigo gradient,
flanked by amber arcs that stand for yaw tracking, inside the corner brackets
of a camera's tracking frame.  Shapes are signed distance functions, which
gives clean anti-aliased edges without a drawing library.
"""

import math
import struct
import zlib

# Colours are straight (not premultiplied) sRGB in 0..1.
TEAL = (0.035, 0.62, 0.62)
INDIGO = (0.19, 0.12, 0.50)
HEAD = (0.965, 0.972, 0.985)
AMBER = (1.0, 0.71, 0.15)
BRACKET = (1.0, 1.0, 1.0)


def _sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def _sd_round_box(x, y, cx, cy, hw, hh, r):
    qx = abs(x - cx) - hw + r
    qy = abs(y - cy) - hh + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def _sd_capsule(x, y, ax, ay, bx, by, half_t):
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    h = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - dx * h, py - dy * h) - half_t


def _sd_arc(x, y, cx, cy, radius, half_t, aperture, facing):
    """Round-capped arc centred on the +x axis (facing=1) or -x axis (-1),
    spanning +/- aperture radians."""
    px = (x - cx) * facing
    py = abs(y - cy)
    ex, ey = radius * math.cos(aperture), radius * math.sin(aperture)
    # Inside the wedge the nearest point is on the circle; outside it, the cap.
    if py * math.cos(aperture) <= px * math.sin(aperture):
        return abs(math.hypot(px, py) - radius) - half_t
    return math.hypot(px - ex, py - ey) - half_t


class _Canvas:
    """Premultiplied RGBA floats, rendered `ss` times larger than the output
    so small icons can be box-filtered down instead of relying on the
    one-pixel distance ramp alone, which is too soft at 16 px."""

    def __init__(self, size, ss):
        self.n = size * ss
        self.size = size
        self.ss = ss
        self.px = [0.0] * (self.n * self.n * 4)

    def paint(self, sdf, colour, alpha, bbox):
        """Composite a shape over the canvas.  `bbox` is (x0, y0, x1, y1) in
        unit coordinates; it only limits the work, the shape defines the
        edge."""
        n = self.n
        aa = 1.0 / n
        x0 = max(0, int(bbox[0] * n) - 2)
        y0 = max(0, int(bbox[1] * n) - 2)
        x1 = min(n, int(math.ceil(bbox[2] * n)) + 2)
        y1 = min(n, int(math.ceil(bbox[3] * n)) + 2)
        px = self.px
        for j in range(y0, y1):
            v = (j + 0.5) / n
            for i in range(x0, x1):
                u = (i + 0.5) / n
                d = sdf(u, v)
                cov = 0.5 - d / aa
                if cov <= 0.0:
                    continue
                if cov > 1.0:
                    cov = 1.0
                a = cov * alpha
                k = (j * n + i) * 4
                inv = 1.0 - a
                px[k] = colour[0] * a + px[k] * inv
                px[k + 1] = colour[1] * a + px[k + 1] * inv
                px[k + 2] = colour[2] * a + px[k + 2] * inv
                px[k + 3] = a + px[k + 3] * inv

    def paint_gradient(self, sdf):
        """The background: a diagonal gradient, clipped by `sdf`."""
        n = self.n
        aa = 1.0 / n
        px = self.px
        for j in range(n):
            v = (j + 0.5) / n
            for i in range(n):
                u = (i + 0.5) / n
                cov = 0.5 - sdf(u, v) / aa
                if cov <= 0.0:
                    continue
                if cov > 1.0:
                    cov = 1.0
                # Eased so the teal holds in the top-left quarter, where the
                # window's small rendition of the logo is anchored.
                t = (u + v) * 0.5
                t = t * t * (3.0 - 2.0 * t)
                k = (j * n + i) * 4
                for c in range(3):
                    px[k + c] = (TEAL[c] + (INDIGO[c] - TEAL[c]) * t) * cov
                px[k + 3] = cov

    def rgba8(self):
        """Box-filter down to the output size and return straight RGBA bytes."""
        ss, size, n = self.ss, self.size, self.n
        out = bytearray(size * size * 4)
        w = 1.0 / (ss * ss)
        px = self.px
        for y in range(size):
            for x in range(size):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(ss):
                    row = ((y * ss + sy) * n + x * ss) * 4
                    for sx in range(ss):
                        k = row + sx * 4
                        acc[0] += px[k]
                        acc[1] += px[k + 1]
                        acc[2] += px[k + 2]
                        acc[3] += px[k + 3]
                a = acc[3] * w
                o = (y * size + x) * 4
                if a <= 0.0:
                    continue
                for c in range(3):
                    out[o + c] = max(0, min(255, round(acc[c] * w / a * 255.0)))
                out[o + 3] = max(0, min(255, round(a * 255.0)))
        return bytes(out)


def render(size, full_bleed=False, ss=None):
    """Draw the mark at `size` x `size` and return straight RGBA bytes, rows
    top-down.  `full_bleed` fills the whole square (the JPEG logo, which has
    no alpha); otherwise the background is a rounded tile on transparency.

    Detail drops with size: the outer arcs and the frame brackets turn to
    mush below about 64 px, so small icons keep the head and one thick arc
    per side."""
    if ss is None:
        ss = 1 if size >= 384 else 2 if size >= 128 else 4
    cv = _Canvas(size, ss)

    if full_bleed:
        def bg(x, y):
            return -1.0
    else:
        radius = 0.22 if size > 32 else 0.18
        inset = 0.02 if size > 32 else 0.0

        def bg(x, y):
            return _sd_round_box(x, y, 0.5, 0.5, 0.5 - inset, 0.5 - inset, radius)
    cv.paint_gradient(bg)

    small = size < 64
    head_cx, head_cy = 0.5, 0.40 if small else 0.39
    head_r = 0.18 if small else 0.15

    cv.paint(lambda x, y: _sd_circle(x, y, head_cx, head_cy, head_r),
             HEAD, 1.0, (0.3, 0.2, 0.7, 0.6))

    # Shoulders: the top of a large disc, cut flat above the lower frame
    # corners so the bust sits inside the tracking frame, and kept inside
    # the tile.
    sh_cy, sh_r, cut = (1.0, 0.36, 1.0) if small else (0.95, 0.35, 0.885)

    def shoulders(x, y):
        return max(_sd_circle(x, y, 0.5, sh_cy, sh_r), y - cut, bg(x, y))
    cv.paint(shoulders, HEAD, 1.0, (0.1, 0.55, 0.9, 1.0))

    if small:
        arcs = [(0.305, 0.05, 0.62)]
    else:
        arcs = [(0.225, 0.022, 0.70), (0.305, 0.022, 0.58)]
    for radius, half_t, aperture in arcs:
        for facing in (1, -1):
            def arc(x, y, r=radius, h=half_t, a=aperture, f=facing):
                return _sd_arc(x, y, head_cx, head_cy, r, h, a, f)
            cv.paint(arc, AMBER, 1.0, (0.0, 0.0, 1.0, 1.0) if small else
                     (0.5 - radius - 0.05 if facing < 0 else 0.5,
                      head_cy - radius - 0.05,
                      0.5 if facing < 0 else 0.5 + radius + 0.05,
                      head_cy + radius + 0.05))

    if size >= 96:
        # Tracking-frame corners.  In the logo they sit well inside the
        # window's 113 px top-left crop, so that crop still reads as ours.
        m, arm, half_t = (0.075, 0.12, 0.014) if full_bleed else (0.12, 0.09, 0.016)
        for cx, sx in ((m, 1), (1 - m, -1)):
            for cy, sy in ((m, 1), (1 - m, -1)):
                def corner(x, y, cx=cx, cy=cy, sx=sx, sy=sy):
                    return min(_sd_capsule(x, y, cx, cy, cx + sx * arm, cy, half_t),
                               _sd_capsule(x, y, cx, cy, cx, cy + sy * arm, half_t))
                cv.paint(corner, BRACKET, 0.85,
                         (min(cx, cx + sx * arm) - 0.03, min(cy, cy + sy * arm) - 0.03,
                          max(cx, cx + sx * arm) + 0.03, max(cy, cy + sy * arm) + 0.03))
    return cv.rgba8()


def png_bytes(rgba, width, height):
    """Encode straight RGBA as an 8-bit truecolour-with-alpha PNG.  Each row
    gets whichever of the None/Sub/Up filters leaves the smallest residue,
    which is most of what a real encoder's heuristic buys on flat art."""
    stride = width * 4
    raw = bytearray()
    prev = bytes(stride)
    for y in range(height):
        row = rgba[y * stride:(y + 1) * stride]
        sub = bytes((row[i] - (row[i - 4] if i >= 4 else 0)) & 0xFF for i in range(stride))
        up = bytes((row[i] - prev[i]) & 0xFF for i in range(stride))

        def cost(data):
            return sum(b if b < 128 else 256 - b for b in data)
        best = min(((cost(row), 0, row), (cost(sub), 1, sub), (cost(up), 2, up)),
                   key=lambda c: c[0])
        raw.append(best[1])
        raw += best[2]
        prev = row

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
