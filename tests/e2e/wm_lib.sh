# A window manager for the end-to-end scripts, after lib.sh: openbox on the
# private X server, with its snapping to edges and windows switched off so
# that a drag ends exactly under the pointer.
# shellcheck disable=SC2034
wm_pid=""

wm_running() {
  local check
  check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ {print $NF}')
  [ -n "$check" ] && xprop -id "$check" _NET_WM_NAME >/dev/null 2>&1
}

stop_wm() {
  if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; fi
  wm_pid=""
}

start_openbox() {
  require_tools openbox
  cat >"$work/rc.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <resistance><strength>0</strength><screen_edge_strength>0</screen_edge_strength></resistance>
  <desktops><number>1</number></desktops>
</openbox_config>
EOF
  openbox --config-file "$work/rc.xml" >"$work/wm.log" 2>&1 &
  wm_pid=$!
  trap 'stop_wm; e2e_cleanup' EXIT
  await wm_running || fail "openbox did not start: $(cat "$work/wm.log")"
}

# fluxbox, for trying the same scripts by hand (not installed for the suite).
start_fluxbox() {
  require_tools fluxbox
  # In a home that already has its ~/.fluxbox: a first start would write the
  # default settings over the given ones, snapping to edges included.
  mkdir -p "$work/fluxbox/.fluxbox"
  printf 'session.screen0.edgeSnapThreshold: 0\nsession.screen0.workspaces: 1\n' >"$work/fluxbox/.fluxbox/init"
  HOME="$work/fluxbox" fluxbox -rc "$work/fluxbox/.fluxbox/init" >"$work/wm.log" 2>&1 &
  wm_pid=$!
  trap 'stop_wm; e2e_cleanup' EXIT
  await wm_running || fail "fluxbox did not start: $(cat "$work/wm.log")"
}

# icewm, a second light manager with its own way of following a move:
# snapping, edge resistance, the task bar (which would take the screen's
# bottom) and the move-size status box switched off.
start_icewm() {
  require_tools icewm
  mkdir -p "$work/icewm"
  printf '%s\n' EdgeResistance=0 SnapMove=0 SnapDistance=0 ShowTaskBar=0 ShowMoveSizeStatus=0 OpaqueMove=1 \
    WorkspaceNames=\"1\" >"$work/icewm/preferences"
  ICEWM_PRIVCFG="$work/icewm" icewm -c "$work/icewm/preferences" >"$work/wm.log" 2>&1 &
  wm_pid=$!
  trap 'stop_wm; e2e_cleanup' EXIT
  await wm_running || fail "icewm did not start: $(cat "$work/wm.log")"
}

# start_manager none|openbox|fluxbox|icewm
start_manager() {
  case "$1" in
    none) ;;
    openbox) start_openbox ;;
    fluxbox) start_fluxbox ;;
    icewm) start_icewm ;;
    *) fail "unknown window manager $1" ;;
  esac
}
