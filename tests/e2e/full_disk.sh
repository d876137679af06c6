#!/usr/bin/env bash
# Captures onto a small file system that fills up during the run: every
# capture reported saved is whole on disk (each picture decodes to the end,
# each text file holds its text), every other one said so on stderr (the line
# the text window shows) and left nothing behind, and no temporary file
# remains. Needs to mount a tmpfs (as root); skips where that is refused.
# Usage: full_disk.sh <rozoru-stereo-demo>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-stereo-demo}
e2e_require_binary "$APP"
e2e_require_tools identify mount umount
e2e_start_xvfb

disk=$E2E_TMP/disk
mkdir -p "$disk"
if ! mount -t tmpfs -o size=1m,mode=0777 tmpfs "$disk" 2>"$E2E_TMP/mount.err"; then
  echo "[$E2E_NAME] skipped: cannot mount a tmpfs: $(cat "$E2E_TMP/mount.err")"
  exit "$E2E_SKIP"
fi
trap 'umount -l "$disk" 2>/dev/null; e2e_cleanup' EXIT
# The disk filled with one-page files; giving some back makes room by pages,
# so that each capture runs out of room at another point of its files.
mkdir "$disk/fill"
for ((n = 0; n < 300; n++)); do
  head -c 4096 /dev/zero >"$disk/fill/$n" 2>/dev/null || break
done
rm -f "$disk/fill/$n"
given=0
give_back() { # PAGES
  local end=$((given + $1))
  for (( ; given < end; given++)); do rm -f "$disk/fill/$given"; done
}
give_back 30
cd "$disk" || e2e_fail "cannot enter $disk"
export ROZORU_DEMO_PATTERNS=red,snow
e2e_start demo "" "$APP"
pid=$APP_PID
out=$E2E_TMP/demo.out

e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
e2e_wait_window "$pid" '^ButtonBox$'
box=$WIN

count() { grep -cE ": ($1)" "$out"; }
more_outcomes() { (($(count 'capture saved: |Capture not saved: ') > $1)); }
# Space, each outcome awaited, and after each refusal a page more room, until
# N captures whose path matches PATTERN are saved.
capture_until() { # N PATTERN
  local press before refused
  for ((press = 0; press < 120 && $(count "capture saved: $2") < $1; press++)); do
    before=$(count 'capture saved: |Capture not saved: ')
    refused=$(count 'Capture not saved: ')
    e2e_key "$main" space
    e2e_until 15000 more_outcomes "$before" || e2e_fail "no outcome for a capture request"
    (($(count 'Capture not saved: ') > refused)) && give_back 1
  done
}
# Event folders; then OUT (button 34 of the 11x4 box), single files, which
# have no text files after the picture to run out of room in.
capture_until 3 '.*/[0-9]{6}(_[0-9]+)? \(pair-skew-ms='
e2e_geometry "$box"
xdotool mousemove --window "$box" $((GEOM_W * 1 / 11 + GEOM_W / 22)) $((GEOM_H * 3 / 4 + GEOM_H / 8)) click 1 ||
  e2e_fail "could not click OUT"
capture_until 3 '.*\.jpg \(pair-skew-ms='
saved=$(count 'capture saved: ')
failed=$(count 'Capture not saved: ')
((failed >= 3)) || e2e_fail "only $failed captures refused: the disk did not fill up"
e2e_note "$saved captures saved, $failed refused"

e2e_key "$main" x
e2e_wait_exit "$pid"

# Whole: each picture decodes without a warning (a cut-off JPEG warns), the
# texts are what the capture wrote.
whole_jpeg() {
  identify -regard-warnings -format '%wx%h' "$1" >"$E2E_TMP/size" 2>&1 ||
    e2e_fail "$1 reported saved but does not decode: $(cat "$E2E_TMP/size")"
  [[ $(cat "$E2E_TMP/size") == 640x240 ]] || e2e_fail "$1 is $(cat "$E2E_TMP/size")"
}
singles=0
while read -r path; do
  [[ $path == "$disk"/* ]] || e2e_fail "capture saved outside the disk: $path"
  if [[ $path == *.jpg ]]; then
    whole_jpeg "$path"
    singles=$((singles + 1))
    continue
  fi
  whole_jpeg "$path/orig.jpg"
  name=${path#"$disk"/}
  [[ $(cat "$path/date.txt") == "${name%/*}" && $(cat "$path/user.txt") == "${name#*/}" ]] ||
    e2e_fail "$path: date.txt '$(cat "$path/date.txt")', user.txt '$(cat "$path/user.txt")'"
  [[ $(cat "$path/pass.txt") =~ ^[0-9]{4,5}$ ]] || e2e_fail "$path/pass.txt holds '$(cat "$path/pass.txt")'"
done < <(sed -n 's/^.*: capture saved: \(.*\) (pair-skew-ms=.*$/\1/p' "$out")

# Nothing else: the saved folders with their four files each, their date
# folders, and the single files.
files=$(cd "$disk" && find . -mindepth 1 -not -path './fill*' | sort)
want=$(((saved - singles) * 5 + $(grep -c '^\./[0-9]\{6\}$' <<<"$files") + singles))
(($(wc -l <<<"$files") == want)) || e2e_fail "the disk holds $(wc -l <<<"$files") entries, want $want:"$'\n'"$files"
e2e_note "passed"
