#!/usr/bin/env bash
# The built program asked to end by a signal (as a session or service manager does) ends by
# itself, successfully, and writes its settings on the way out: the photograph it opened is in
# the recent-file list. A message box open at the time does not hold it. A second signal while
# the first is handled ends it at once.
set -euo pipefail
program=$1 make_sample=$2 finder=$3
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb
"$make_sample" "$work/photo.png" 800 500
settings="$work/config/Quillmark/Orvane NR.conf"

# Waits up to 30 s for the started program to show the photograph (its signal handling is set
# up by then).
wait_shown() {
  for _ in $(seq 1 60); do
    sleep 0.5
    kill -0 "$pid" || { echo "the program ended early"; exit 1; }
    import -window root "$work/shot.png" 2>/dev/null || continue
    if "$finder" "$work/shot.png" "$work/photo.png" >/dev/null; then return; fi
  done
  echo "the photograph never appeared"
  exit 1
}

# Waits up to 20 s for the program to end; sets status to its exit status.
wait_end() {
  status="still running"
  for _ in $(seq 1 200); do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      pid=
      return
    fi
    sleep 0.1
  done
}

for signal in TERM HUP INT; do
  rm -rf "$work/config"
  "$program" "$work/photo.png" &
  pid=$!
  wait_shown
  kill -"$signal" "$pid"
  wait_end
  [ "$status" = 0 ] || { echo "SIG$signal: exit status $status, expected 0"; exit 1; }
  grep -q "File1=.*photo.png" "$settings" ||
    { echo "SIG$signal: the recent-file list was not written"; cat "$settings" || true; exit 1; }
done

# A signal while the start-up message about a damaged file is shown: the box goes and the
# program ends, without ever showing its window.
printf 'not a picture' > "$work/damaged.jpg"
"$program" "$work/damaged.jpg" &
pid=$!
for _ in $(seq 1 100); do
  xwininfo -root -children 2>/dev/null | grep -q '"Orvane NR"' && break
  kill -0 "$pid" || { echo "the program ended before its message"; exit 1; }
  sleep 0.2
done
xwininfo -root -children | grep -q '"Orvane NR"' || { echo "the message box never appeared"; exit 1; }
kill -TERM "$pid"
wait_end
[ "$status" = 0 ] || { echo "SIGTERM with a message box: exit status $status, expected 0"; exit 1; }

# Two at once (stopped, so that both wait; two of one kind would merge into one): the second is
# not waited for, the program ends by it.
"$program" "$work/photo.png" &
pid=$!
wait_shown
kill -STOP "$pid"
kill -TERM "$pid"
kill -INT "$pid"
kill -CONT "$pid"
wait_end
case $status in
  130 | 143) ;;
  *) echo "two signals: exit status $status, expected the second signal's"; exit 1 ;;
esac
echo "ok"
