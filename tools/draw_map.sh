#!/usr/bin/env bash
# Draws a map file of pellowen-batch --map (GeoJSON) as a PNG picture: every
# point that has a position as the circle GSI Maps draws for it (its
# _radius, _color, _weight, _fillColor and _fillOpacity), at its longitude
# and latitude, with its name; a plain background with a graticule every
# 10', a scale bar and a legend that counts the points of each colour.
# Longitude and latitude are drawn equirectangular, longitude scaled by the
# cosine of the middle latitude. No map tiles: nothing is fetched.
#   bash tools/draw_map.sh [MAPFILE [PICTURE]]
# Without MAPFILE it builds pellowen-batch and makes the example's map file
# (examples/sample.sim, zone 9, the two sample grids, --map) in
# build/example; PICTURE is docs/map.png unless given. Run from anywhere, on
# Debian 12 as root: it installs ImageMagick and a Japanese font when
# missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/ensure-packages.sh" python3 imagemagick fonts-ipafont-gothic >&2
if [ $# -ge 1 ]; then
  map=$(realpath "$1")
else
  cd "$root"
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release --target pellowen-batch >/dev/null
  mkdir -p build/example
  # Two sample points lie outside both grids on purpose: status 1.
  ./build/release/cli/pellowen-batch --quiet --zone 9 --map \
    --input examples/sample.sim --output build/example/sample_jgd2000.sim \
    --gsi-grid examples/sample_land.par --jcg-grid examples/sample_sea.jhd >/dev/null 2>&1 || [ $? = 1 ]
  map=$root/build/example/sample_jgd2000_map.geojson
fi
picture=$(realpath -m "${2:-$root/docs/map.png}")
font=$(dpkg -L fonts-ipafont-gothic | grep -m1 '/ipagp\.ttf$')

/usr/bin/python3 - "$map" "$picture" "$font" <<'PY'
import json
import math
import os
import subprocess
import sys
import unicodedata

map_path, picture, font = sys.argv[1:4]
with open(map_path, encoding="utf-8") as f:
    features = json.load(f)["features"]

LAND, SEA, FAILED = "#1E50DC", "#00A0B4", "#FF0000"
points = [f for f in features if f["geometry"] is not None]
unplaced = len(features) - len(points)
if not points:
    sys.exit(f"{map_path}: no point has a position")

# The area of the points and a margin, in degrees.
lons = [p["geometry"]["coordinates"][0] for p in points]
lats = [p["geometry"]["coordinates"][1] for p in points]
margin = max(max(lons) - min(lons), max(lats) - min(lats), 0.01) * 0.08
west, east = min(lons) - margin, max(lons) + margin
south, north = min(lats) - margin, max(lats) + margin
cos_mid = math.cos(math.radians((south + north) / 2))

# Pixels: the plot fits in PLOT_W x PLOT_H below the title, the legend to
# its right.
PLOT_W, PLOT_H = 620, 700
scale = min(PLOT_W / ((east - west) * cos_mid), PLOT_H / (north - south))
plot_w = round((east - west) * cos_mid * scale)
plot_h = round((north - south) * scale)
left, top = 70, 70
legend_x = left + plot_w + 40
width, height = legend_x + 300, top + plot_h + 60


def xy(lon, lat):
    return left + (lon - west) * cos_mid * scale, top + (north - lat) * scale


def text(s):
    """Text as ImageMagick draws it, not as it reads it."""
    s = s.replace("\\", "\\\\").replace("%", "%%")
    return "\uff20" + s[1:] if s.startswith("@") else s


args = ["convert", "-size", f"{width}x{height}", "xc:#F7F5EF", "-font", font]

# The plot's frame and a graticule every 10' with its labels.
args += ["-fill", "#FFFFFF", "-stroke", "#888888", "-strokewidth", "1",
         "-draw", f"rectangle {left},{top} {left + plot_w},{top + plot_h}"]
step = 1 / 6
label = []
k = math.ceil(west / step)
while k * step < east:
    x, _ = xy(k * step, north)
    args += ["-stroke", "#DDDDDD", "-draw", f"line {x:.1f},{top} {x:.1f},{top + plot_h}"]
    d, m = divmod(round(k * 10), 60)
    label += ["-annotate", f"+{x - 28:.0f}+{top + plot_h + 20}", f"{d}°{m:02d}′E"]
    k += 1
k = math.ceil(south / step)
while k * step < north:
    _, y = xy(west, k * step)
    args += ["-stroke", "#DDDDDD", "-draw", f"line {left},{y:.1f} {left + plot_w},{y:.1f}"]
    d, m = divmod(round(k * 10), 60)
    label += ["-annotate", f"+{left - 66}+{y + 5:.0f}", f"{d}°{m:02d}′N"]
    k += 1
args += ["-stroke", "none", "-fill", "#666666", "-pointsize", "12"] + label

# A scale bar of 10 km (or 1 km for a small area) in the lower left corner.
km = 10 if (north - south) * 111 > 30 else 1
bar = km / 111.32 * scale  # 1' of latitude is about 1.855 km
bx, by = left + 15, top + plot_h - 18
args += ["-stroke", "#333333", "-strokewidth", "2",
         "-draw", f"line {bx},{by} {bx + bar:.1f},{by}",
         "-draw", f"line {bx},{by - 5} {bx},{by}", "-draw", f"line {bx + bar:.1f},{by - 5} {bx + bar:.1f},{by}",
         "-stroke", "none", "-fill", "#333333", "-annotate", f"+{bx + bar + 6:.0f}+{by + 4}", f"{km} km"]


def circle(x, y, props):
    fill = props.get("_fillColor", FAILED)
    r, g, b = (int(fill[i:i + 2], 16) for i in (1, 3, 5))
    radius = props.get("_radius", 6)
    return ["-fill", f"rgba({r},{g},{b},{props.get('_fillOpacity', 0.8)})",
            "-stroke", props.get("_color", "#000000"), "-strokewidth", str(props.get("_weight", 1)),
            "-draw", f"circle {x:.1f},{y:.1f} {x + radius:.1f},{y:.1f}"]


def text_width(s, size):
    """About how wide a text of this font size is drawn."""
    return sum(size if unicodedata.east_asian_width(c) in "WF" else size * 0.55 for c in s)


# The points, then their names over them with a white halo: right of the
# point, or left of it where the plot's edge is near.
names = []
for p in points:
    x, y = xy(*p["geometry"]["coordinates"][:2])
    args += circle(x, y, p["properties"])
    name = p["properties"].get("name", "")
    at = x + 12 if x + 12 + text_width(name, 15) < left + plot_w - 4 else x - 12 - text_width(name, 15)
    names.append((at, y + 5, text(name)))
args += ["-pointsize", "15", "-fill", "#FFFFFF", "-stroke", "#FFFFFF", "-strokewidth", "4"]
for x, y, name in names:
    args += ["-annotate", f"+{x:.0f}+{y:.0f}", name]
args += ["-fill", "#111111", "-stroke", "none"]
for x, y, name in names:
    args += ["-annotate", f"+{x:.0f}+{y:.0f}", name]

# The title and the legend, which counts the points of each colour.
count = {c: sum(1 for p in points if p["properties"].get("_fillColor") == c) for c in (LAND, SEA, FAILED)}
args += ["-pointsize", "18", "-annotate", f"+{left}+{top - 28}", text(os.path.basename(map_path))]
args += ["-pointsize", "13", "-fill", "#444444",
         "-annotate", f"+{left}+{top - 9}", f"{len(features)}点、経緯度をそのまま並べた図（背景の地図なし）"]
rows = [(LAND, f"国土地理院で変換（陸域） {count[LAND]}点"),
        (SEA, f"海上保安庁で変換（海域） {count[SEA]}点"),
        (FAILED, f"変換できず {count[FAILED]}点")]
notes = ["赤い点は入力の位置に描かれます", "(旧日本測地系の入力なら約400mずれ)"]
if unplaced:
    notes.append(f"位置のない点 {unplaced}点は描けません")
box_h = 40 + 30 * len(rows) + 20 * len(notes) + 10
args += ["-fill", "#FFFFFF", "-stroke", "#888888", "-strokewidth", "1",
         "-draw", f"rectangle {legend_x},{top} {legend_x + 280},{top + box_h}",
         "-stroke", "none", "-fill", "#111111", "-pointsize", "16",
         "-annotate", f"+{legend_x + 14}+{top + 26}", "凡例"]
for i, (colour, words) in enumerate(rows):
    y = top + 52 + 30 * i
    args += circle(legend_x + 24, y, {"_fillColor": colour})
    args += ["-stroke", "none", "-fill", "#111111", "-pointsize", "14",
             "-annotate", f"+{legend_x + 40}+{y + 5}", words]
for i, words in enumerate(notes):
    args += ["-fill", "#444444", "-pointsize", "12",
             "-annotate", f"+{legend_x + 14}+{top + 52 + 30 * len(rows) + 20 * i}", words]

subprocess.run(args + ["-strip", picture], check=True)
print(f"{picture}: {len(points)} points of {len(features)} drawn, {width}x{height}")
PY
