#!/usr/bin/env bash
# The default view, 1024x768 at 1024 iterations, end to end (process start to
# PNG written): orvanta-render against XaoS's -render of the same view, turn
# about so that both meet the same load; medians and minima of RUNS each.
#   versus_xaos.sh ORVANTA_RENDER [RUNS]
set -euo pipefail
render=$1
runs=${2:-21}
command -v xaos >/dev/null || { echo "versus_xaos.sh: xaos is not installed (apt-get install xaos)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime"
# XaoS's view is centre and size; ours is centre 0,0 and height 4 at 4:3.
cat >"$work/default.xaf" <<'EOF'
(initstate)
(formula 'mandel)
(maxiter 1024)
(view 0 0 5.333333333333333 4)
EOF

microseconds() {
    local tStart=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    local tEnd=$EPOCHREALTIME
    echo $((${tEnd/./} - ${tStart/./}))
}

ours=() theirs=()
for ((i = 0; i < runs; ++i)); do
    ours+=("$(microseconds "$render" "$work/orvanta.png")")
    theirs+=("$(cd "$work" && microseconds xaos -render default.xaf -size 1024x768 -basename xaos)")
done
[ -s "$work/orvanta.png" ] && [ -s "$work/xaos000000.png" ] || { echo "versus_xaos.sh: a render wrote no PNG" >&2; exit 1; }

summary() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "%.1f %.1f", v[int((NR + 1) / 2)] / 1000, v[1] / 1000 }'; }
read -r ourMedian ourMin <<<"$(summary "${ours[@]}")"
read -r theirMedian theirMin <<<"$(summary "${theirs[@]}")"
printf 'default view 1024x768, 1024 iterations, end to end, %d runs each (median, min):\n' "$runs"
printf '  orvanta-render  %6.1f ms  %6.1f ms\n' "$ourMedian" "$ourMin"
printf '  xaos -render    %6.1f ms  %6.1f ms\n' "$theirMedian" "$theirMin"
awk -v a="$ourMedian" -v b="$theirMedian" -v c="$ourMin" -v d="$theirMin" \
    'BEGIN { printf "  ratio           %6.2f     %6.2f   (goal: at most 0.50)\n", a / b, c / d }'
