#!/usr/bin/env python3
"""Writes packaging/orvanta.svg: the main cardioid and the period-2 bulb of the
Mandelbrot set in black on the blue glow of the program's colour ramp."""
import math
import pathlib

SIZE = 256
CENTRE_X, HEIGHT = -0.65, 2.7


def to_icon(x, y):
    scale = SIZE / HEIGHT
    return (x - CENTRE_X) * scale + SIZE / 2, -y * scale + SIZE / 2


def cardioid_path(steps=180):
    points = []
    for i in range(steps):
        t = 2 * math.pi * i / steps
        x = math.cos(t) / 2 - math.cos(2 * t) / 4
        y = math.sin(t) / 2 - math.sin(2 * t) / 4
        points.append("%.2f,%.2f" % to_icon(x, y))
    return "M" + " L".join(points) + " Z"


def main():
    bulb_x, bulb_y = to_icon(-1.0, 0.0)
    radius = 0.25 * SIZE / HEIGHT
    glow_x, _ = to_icon(-0.4, 0.0)
    svg = f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" viewBox="0 0 {SIZE} {SIZE}">
  <defs>
    <radialGradient id="glow" cx="{glow_x:.1f}" cy="{SIZE / 2}" r="{SIZE * 0.62:.1f}" gradientUnits="userSpaceOnUse">
      <stop offset="0.30" stop-color="#00ffff"/>
      <stop offset="0.45" stop-color="#0040ff"/>
      <stop offset="0.75" stop-color="#0000a0"/>
      <stop offset="1.00" stop-color="#000020"/>
    </radialGradient>
  </defs>
  <rect width="{SIZE}" height="{SIZE}" rx="24" fill="url(#glow)"/>
  <path d="{cardioid_path()}" fill="#000000" stroke="#ffff00" stroke-width="2"/>
  <circle cx="{bulb_x:.2f}" cy="{bulb_y:.2f}" r="{radius:.2f}" fill="#000000" stroke="#ffff00" stroke-width="2"/>
</svg>
"""
    out = pathlib.Path(__file__).resolve().parent.parent / "packaging" / "orvanta.svg"
    out.write_text(svg)


if __name__ == "__main__":
    main()
