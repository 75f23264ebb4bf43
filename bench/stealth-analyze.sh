#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# stealth-analyze.sh CLI WORK_DIR: how well carvalet-cli analyze's own scores tell covers from
# stealth output, random LSB replacement and random +-1 changes, on the pairs that
# stealth-detect.sh left in WORK_DIR/pairs. Prints the ROC AUC of each score per condition
# (0.5: no better than a coin), grey and colour tiles together.
set -euo pipefail
cli=${1:?usage: stealth-analyze.sh CLI WORK_DIR}
work=${2:?usage: stealth-analyze.sh CLI WORK_DIR}
[ -d "$work/pairs/cover" ] || { echo "run stealth-detect.sh BUILD $work first"; exit 2; }
mkdir -p "$work/analyze"
for dir in "$work"/pairs/*/; do
  set_name=$(basename "$dir")
  mkdir -p "$work/analyze/$set_name"
  for pnm in "$dir"*.pnm; do
    png=$work/analyze/$set_name/$(basename "${pnm%.pnm}").png
    [ -f "$png" ] || convert "$pnm" "PNG24:$png" 2>/dev/null || convert "$pnm" "$png"
  done
  [ -f "$work/analyze/$set_name.json" ] ||
    "$cli" analyze --json --jobs 2 "$work/analyze/$set_name" >"$work/analyze/$set_name.json" || true
done
/usr/bin/python3 - "$work/analyze" <<'PY'
import json, pathlib, sys
root = pathlib.Path(sys.argv[1])
def scores(name):
    out = {}
    for line in (root / f"{name}.json").read_text().splitlines():
        r = json.loads(line)
        if r.get("error") or "estimates" not in r:
            continue
        e = r["estimates"]
        out[pathlib.Path(r["path"]).name] = {"spa": e["spa"], "rs": e["rs"], "ws": e["ws"],
                                             "pm1": r["pm1_score"]}
    return out
def auc(neg, pos):
    # Mann-Whitney: the chance that a stego score beats a cover score, ties counting half.
    wins = sum((p > n) + 0.5 * (p == n) for p in pos for n in neg)
    return wins / (len(pos) * len(neg))
cover = scores("cover")
keys = ["spa", "rs", "ws", "pm1"]
print(f"{'condition':<16}" + "".join(f"{k:>8}" for k in keys) + "   pairs")
for f in sorted(root.glob("*.json")):
    name = f.stem
    if name == "cover":
        continue
    stego = scores(name)
    common = sorted(set(cover) & set(stego))
    row = [auc([cover[c][k] for c in common], [stego[c][k] for c in common]) for k in keys]
    print(f"{name:<16}" + "".join(f"{a:8.3f}" for a in row) + f"   {len(common)}")
PY
