#!/bin/bash
# jpegli under a size bound gives at least libjpeg's picture quality: for a few photos at 1/4, both
# encoders search down from quality 100 under the bound of libjpeg's quality-75 size (in whole KB), and
# the SSIMULACRA2 score of jpegli's output (decoded by libjpeg-turbo, against the input decoded at 1/4)
# must not be lower than libjpeg's.
#   jpegli_quality.sh QUORVIX SSIMULACRA2
set -euo pipefail
quorvix=$1 metric=$2
data=$(cd "$(dirname "${BASH_SOURCE[0]}")/../data" && pwd)
[ -x "$metric" ] || { echo "jpegli_quality: $metric missing (scripts/build-jpegli ssimulacra2)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert() {  # convert PHOTO ENCODER OUTDIR ARGS…
  local photo=$1 encoder=$2 out=$3; shift 3
  mkdir -p "$out"
  "$quorvix" --quiet --settings "$work/settings.ini" --encoder "$encoder" -s 2 --jobs 1 -o "$out" "$@" "$data/$photo"
}
score() { djpeg -outfile "$2.ppm" "$2" && "$metric" "$1" "$2.ppm"; }

status=0
for photo in s005.jpg s006.jpg s025.jpg; do
  djpeg -scale 2/8 -outfile "$work/$photo.ref.ppm" "$data/$photo"
  convert "$photo" libjpeg "$work/q75-$photo" -q 75 --no-limit
  kb=$(( $(stat -c %s "$work/q75-$photo/$photo") / 1024 ))
  declare -A got=()
  for encoder in libjpeg jpegli; do
    convert "$photo" "$encoder" "$work/$encoder-$photo" -q 100 --limit "$kb"
    out=$work/$encoder-$photo/$photo
    [ "$(stat -c %s "$out")" -le $((kb * 1024)) ] || { echo "$photo $encoder: over the bound of $kb KB"; status=1; }
    got[$encoder]=$(score "$work/$photo.ref.ppm" "$out")
  done
  verdict=$(awk -v j="${got[jpegli]}" -v l="${got[libjpeg]}" 'BEGIN { print (j >= l) ? "ok" : "WORSE" }')
  printf '%s under %d KB: libjpeg %.2f, jpegli %.2f %s\n' "$photo" "$kb" "${got[libjpeg]}" "${got[jpegli]}" "$verdict"
  [ "$verdict" = ok ] || status=1
done
exit $status
