# Sourced by the test and benchmark scripts: an isolated Wine environment inside the build tree.
#   qs_wine_env BUILD   exports WINEPREFIX, WINEDEBUG, HOME and XDG_DATA_HOME under BUILD/wine
#   qs_wine_start       starts Xvfb when no DISPLAY is set, creates the prefix once, starts a
#                       persistent wineserver and warms it up
#   qs_wine_fonts DIR   adds Wine's own fonts to a prefix (also used by the run command)
#   qs_wine_stop        stops the wineserver (and every Wine process) and the Xvfb it started
# Wine links the prefix's Desktop and Documents to $HOME and keeps its recycle bin in the
# desktop trash under $XDG_DATA_HOME: both point inside the build tree, so no test can reach a
# real user's files or trash.

qs_wine_env() {
    local build=$1
    export WINEPREFIX="$build/wine/prefix"
    export WINEDEBUG=-all
    # No Mono or Gecko installers: they would open dialogs and are not needed.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export HOME="$build/wine/home"
    export XDG_DATA_HOME="$HOME/.local/share"
    mkdir -p "$HOME" "$XDG_DATA_HOME"
}

# Wine's own fonts (Tahoma for the dialog font, Webdings and Marlett for the drop-down arrows)
# are only looked for in the prefix's Fonts folder here, not where the fonts-wine package puts
# them. Adds the missing ones to the prefix PREFIX; never replaces a font that is there.
qs_wine_fonts() {
    if [ -d /usr/share/wine/fonts ]; then
        mkdir -p "$1/drive_c/windows/Fonts"
        cp -n /usr/share/wine/fonts/* "$1/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
}

qs_wine_start() {
    QS_XVFB_PID=
    if [ -z "${DISPLAY:-}" ]; then
        local fd_file
        fd_file=$(mktemp)
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
        QS_XVFB_PID=$!
        for _ in $(seq 1 100); do
            [ -s "$fd_file" ] && break
            sleep 0.1
        done
        export DISPLAY=":$(tr -dc 0-9 <"$fd_file")"
        rm -f "$fd_file"
    fi
    # Wine's helper processes inherit the standard handles of the first Wine process: keep them
    # away from any pipe that a reader (ctest, a shell pipeline) waits on.
    # A server left over from an earlier run of the same prefix is ended first, so that the one
    # started here is persistent.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    mkdir -p "$WINEPREFIX"
    qs_wine_fonts "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i </dev/null >/dev/null 2>&1 || true
    fi
    # There is no window manager on the test display. Windows that Wine lets a window manager
    # handle wait up to 2 s for it on every hide; unmanaged ones are placed and hidden by Wine at
    # once. (This first Wine process also warms the server up.)
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
}

qs_wine_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    if [ -n "${QS_XVFB_PID:-}" ]; then
        kill "$QS_XVFB_PID" 2>/dev/null || true
        wait "$QS_XVFB_PID" 2>/dev/null || true
        QS_XVFB_PID=
    fi
}
