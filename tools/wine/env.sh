# Sourced by the Wine scripts: where Wine is and how every run is set up.
# One prefix and one pair of Xvfb displays per build tree.
WINE_BIN=/usr/lib/wine/wine64
WINESERVER_BIN=/usr/lib/wine/wineserver
velmora_wine_env() {
  local build=$1
  export WINEPREFIX="$build/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  WINE_STATE="$build/wine-state"
}
