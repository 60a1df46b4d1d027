# Starts a private X display for Wine when none is given; source it. Sets DISPLAY and stops the
# server when the sourcing shell exits. LUMVANE_SCREEN sets the screen size (default 1440x900).
if [ -z "${DISPLAY:-}" ] || [ "${LUMVANE_PRIVATE_DISPLAY:-0}" = 1 ]; then
  lumvane_fd_file=$(mktemp)
  Xvfb -displayfd 9 -screen 0 "${LUMVANE_SCREEN:-1440x900}x24" -nolisten tcp 9>"$lumvane_fd_file" >/dev/null 2>&1 &
  lumvane_xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$lumvane_fd_file" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$lumvane_fd_file")"
  rm -f "$lumvane_fd_file"
  trap 'kill $lumvane_xvfb_pid 2>/dev/null' EXIT
  echo "xvfb: private display $DISPLAY"
fi
