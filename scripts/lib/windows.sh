# Shared by scripts/windows and the Windows tests: Qt for Windows built from Debian's source
# package (once, then cached), and the Wine environment the Windows programs run in.
# shellcheck shell=bash

# What building for Windows and running the result under Wine needs. qt6-base-dev-tools
# gives the host's moc, rcc and uic, of the same version as the source built here.
LOTARIN_WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools
                          qt6-translations-l10n dpkg-dev xz-utils wine64 nsis zip unzip locales
                          xvfb xauth xdotool xclip x11-utils dbus at-spi2-core fonts-ipafont-gothic fonts-ipafont-mincho
                          cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
                          python3 python3-pil python3-xlib python3-pyatspi)

# Outside the checkout, so that every clone and CI share one Qt build.
LOTARIN_CACHE=${LOTARIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lotarin}
LOTARIN_TOOLCHAIN=$LOTARIN_ROOT/cmake/mingw-w64-x86_64.cmake

# Only what Lotarin uses: Core, Gui, Widgets, PrintSupport and Test, as DLLs. The Windows
# platform plugin includes wintab.h, which Debian's tarball leaves out, hence no tablets.
# (With FreeType, OpenGL and Direct2D off as well, the Windows print engine fails to link.)
LOTARIN_QT_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
                    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF
                    -DFEATURE_xml=OFF -DFEATURE_icu=OFF -DFEATURE_printsupport=ON -DFEATURE_testlib=ON
                    -DFEATURE_tabletevent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
                    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF
                    -DFEATURE_system_jpeg=OFF)

# The Debian version of the host's Qt tools: the Windows Qt is built from the same source.
lotarin_qt_version() { dpkg-query -W -f='${source:Version}' qt6-base-dev-tools; }

# The folder Qt for Windows is installed in, named by its version and by everything that
# shapes the build (options, toolchain file, compiler), so that a change builds a new one.
lotarin_qt_prefix() {
    local key
    key=$( { printf '%s\n' "${LOTARIN_QT_OPTIONS[@]}"; cat "$LOTARIN_TOOLCHAIN"
             x86_64-w64-mingw32-g++-posix --version | head -n 1; } | sha256sum | cut -c1-12)
    printf '%s/qt-%s-mingw64-%s\n' "$LOTARIN_CACHE" "$(lotarin_qt_version | tr ':~' '__')" "$key"
}

# Downloads Debian's qtbase source (a private apt configuration: the system's own sources
# are not touched) and unpacks it with Debian's patches applied.
lotarin_qt_source() {
    local version=$1 dir=$LOTARIN_CACHE/src/qt6-base-$1
    [ -f "$dir/.unpacked" ] && { printf '%s\n' "$dir"; return 0; }
    local apt=$LOTARIN_CACHE/apt
    rm -rf "$apt" "$dir" && mkdir -p "$LOTARIN_CACHE/src" "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/get"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt/parts/debian.sources"
    fi
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list 2>/dev/null >"$apt/parts/debian.list" || true
    local o=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts"
             -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
    lotarin_log "Downloading Debian's qt6-base $version source"
    apt-get "${o[@]}" update -q >&2 || return 1
    (cd "$apt/get" && apt-get "${o[@]}" source --download-only "qt6-base=$version" >&2) || return 1
    lotarin_log "Unpacking it with Debian's patches"
    (cd "$apt/get" && dpkg-source -x --no-copy ./*.dsc "$dir.partial" >&2) || return 1
    touch "$dir.partial/.unpacked" && mv "$dir.partial" "$dir" && rm -rf "$apt"
    printf '%s\n' "$dir"
}

# Builds and installs Qt for Windows unless it is there already; prints its prefix. The
# prefix counts as finished only once its stamp is written, after the install: a build
# that was interrupted resumes in its build folder, and a half-installed prefix is redone.
lotarin_qt_windows() {
    local prefix version source build
    prefix=$(lotarin_qt_prefix) || return 1
    if [ -f "$prefix/.lotarin-complete" ]; then printf '%s\n' "$prefix"; return 0; fi
    version=$(lotarin_qt_version) || return 1
    source=$(lotarin_qt_source "$version") || return 1
    build=$prefix.build
    mkdir -p "$LOTARIN_CACHE"
    rm -rf "$prefix"
    lotarin_log "Building Qt $version for Windows into $prefix (about half an hour on two cores)"
    # build.ninja is written last: where it exists, an earlier configure finished.
    [ -f "$build/build.ninja" ] || cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$LOTARIN_TOOLCHAIN" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "${LOTARIN_QT_OPTIONS[@]}" >"$build.configure.log" 2>&1 \
        || { tail -n 30 "$build.configure.log" >&2; return 1; }
    cmake --build "$build" --parallel "$(nproc)" >&2 || return 1
    cmake --install "$build" >/dev/null || return 1
    # Qt's own dialogs in Japanese: the translation is the same file on every system.
    mkdir -p "$prefix/translations" && cp /usr/share/qt6/translations/qtbase_ja.qm "$prefix/translations/" || return 1
    touch "$prefix/.lotarin-complete"
    rm -rf "$build" "$build.configure.log"
    printf '%s\n' "$prefix"
}

# Wine takes Windows' locale from LANG: the tests run as on a Japanese Windows, whose code
# page is 932, which needs the Japanese locale of this system.
lotarin_japanese_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
    lotarin_log "Making the ja_JP.UTF-8 locale"
    if [ "$(id -u)" -eq 0 ]; then localedef -i ja_JP -f UTF-8 ja_JP.UTF-8; else sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8; fi
}

# MinGW's runtime DLLs that every program it builds needs beside it.
LOTARIN_MINGW_RUNTIME=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)

# Wine's name for a folder of this machine.
lotarin_wine_path() { printf 'Z:%s' "${1//\//\\}"; }

# Makes a Wine prefix (once: a stamp marks a finished one) in which the program's fonts are
# there: the faces the windows ask for, which every Japanese Windows has, are the IPA fonts.
lotarin_wine_prefix() {
    export WINEARCH=win64 WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
    [ -f "$WINEPREFIX/.lotarin-ready" ] && return 0
    rm -rf "$WINEPREFIX" && mkdir -p "$(dirname "$WINEPREFIX")"
    wine wineboot --init >/dev/null 2>&1 || return 1
    local reg key=HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\ NT\\CurrentVersion\\FontSubstitutes
    reg=$(mktemp --suffix=.reg)
    { printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n' "$key"
      for face in 'ＭＳ 明朝' 'MS Mincho' 'ＭＳ Ｐ明朝' 'MS PMincho'; do printf '"%s"="IPAMincho"\r\n' "$face"; done
      for face in 'ＭＳ Ｐゴシック' 'MS PGothic'; do printf '"%s"="IPAPGothic"\r\n' "$face"; done
      for face in 'ＭＳ ゴシック' 'MS Gothic' 'MS UI Gothic' 'Meiryo' 'Meiryo UI' 'Yu Gothic UI'; do
          printf '"%s"="IPAGothic"\r\n' "$face"; done
    } | iconv -f UTF-8 -t UTF-16 >"$reg"
    wine regedit /S "$(lotarin_wine_path "$reg")" >/dev/null 2>&1 || { rm -f "$reg"; return 1; }
    rm -f "$reg"
    wineserver -w
    touch "$WINEPREFIX/.lotarin-ready"
}

# What a Windows program of this build needs to start under Wine: the prefix, Qt's DLLs and
# plugins and MinGW's runtime found where they lie, no Linux platform plugin.
lotarin_wine_env() {
    local qt=${LOTARIN_QT_WINDOWS:-}
    [ -n "$qt" ] || qt=$(lotarin_qt_prefix) || return 1
    lotarin_wine_prefix "${LOTARIN_WINEPREFIX:-$LOTARIN_CACHE/wine-prefix}" || return 1
    WINEPATH="$(lotarin_wine_path "$qt/bin")"
    local dir
    for dir in "${LOTARIN_MINGW_RUNTIME[@]}"; do WINEPATH+=";$(lotarin_wine_path "$dir")"; done
    export WINEPATH QT_PLUGIN_PATH="$(lotarin_wine_path "$qt/plugins")"
    unset QT_QPA_PLATFORM
}

# The Windows names of the folders a built program takes its DLLs from, and where each goes
# in the installed folder: Qt's DLLs and MinGW's runtime beside the program, plugins in
# plugins/TYPE/ as Qt looks for them.
lotarin_dist_place() {
    local qt=$1 file=$2
    case $file in
        "$qt"/bin/*.dll) printf '%s\n' "${file##*/}" ;;
        "$qt"/plugins/*.dll) printf 'plugins/%s\n' "${file#"$qt"/plugins/}" ;;
        /usr/lib/gcc/x86_64-w64-mingw32/*/*.dll | /usr/x86_64-w64-mingw32/lib/*.dll) printf '%s\n' "${file##*/}" ;;
        *) return 1 ;;
    esac
}

# The DLLs that Tombal.exe loads when it starts, as Wine reports them: Qt's plugins among
# them, which no import table names. In a Wine prefix of its own, so that ending its Wine
# server never ends the tests' programs.
lotarin_loaded_dlls() {
    local exe=$1 log
    log=$(mktemp)
    ( LOTARIN_WINEPREFIX=$LOTARIN_CACHE/wine-prefix-dist && lotarin_wine_env && cd "$(dirname "$log")" && WINEDEBUG=+loaddll xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        bash -c 'wine "$0" 2>"$1" & for _ in $(seq 150); do xdotool search --onlyvisible --name "^Lotarin$" >/dev/null && break; sleep 0.2; done
                 sleep 1; wineserver -k' "$exe" "$log" ) >/dev/null 2>&1
    # Wine writes each backslash of the name twice.
    sed -n 's/.*Loaded L"Z:\(.*\.dll\)" at .*native.*/\1/p' "$log" | sed 's|\\\\|/|g'
    rm -f "$log"
}

# Stages the installed folder of the Windows program from a build: Tombal.exe, every DLL it
# loads or any of them imports that comes from Qt or MinGW (the system's own stay out), Qt's
# Japanese texts; all stripped. Prints the folder.
lotarin_windows_stage() {
    local build=$1 version=$2 qt=${LOTARIN_QT_WINDOWS:-}
    [ -n "$qt" ] || qt=$(lotarin_qt_prefix) || return 1
    local stage=$build/dist/Lotarin-$version
    rm -rf "$stage" && mkdir -p "$stage/translations"
    cp "$build/Tombal.exe" "$stage/"
    local -A placed=()
    local queue=("$stage/Tombal.exe") file name dir place
    mapfile -t -O 1 queue < <(lotarin_loaded_dlls "$build/Tombal.exe")
    [ ${#queue[@]} -gt 1 ] || { lotarin_log "Tombal.exe did not start under Wine"; return 1; }
    while [ ${#queue[@]} -gt 0 ]; do
        file=${queue[0]} && queue=("${queue[@]:1}")
        if [ "$file" != "$stage/Tombal.exe" ]; then
            place=$(lotarin_dist_place "$qt" "$file") || continue
            [ -n "${placed[$place]:-}" ] && continue
            placed[$place]=1
            mkdir -p "$(dirname "$stage/$place")" && cp "$file" "$stage/$place"
        fi
        # What it imports, looked for where Qt and MinGW keep their DLLs.
        for name in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
            for dir in "$qt/bin" "${LOTARIN_MINGW_RUNTIME[@]}"; do
                [ -f "$dir/$name" ] && { queue+=("$dir/$name"); break; }
            done
        done
    done
    cp "$qt/translations/qtbase_ja.qm" "$stage/translations/"
    # Qt finds its plugins and translations from the program's folder.
    printf '[Paths]\r\nPrefix = .\r\n' >"$stage/qt.conf"
    find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded
    printf '%s\n' "$stage"
}

# The installer and the portable zip of a staged folder, side by side in its parent.
lotarin_windows_dist() {
    local build version stage out
    build=$(cd "$1" && pwd) || return 1
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    stage=$(lotarin_windows_stage "$build" "$version") || return 1
    out=$(dirname "$stage")
    rm -f "$out/Lotarin-$version-portable.zip" "$out/Lotarin-$version-setup.exe"
    (cd "$out" && zip -qr9 "Lotarin-$version-portable.zip" "Lotarin-$version") || return 1
    # What the uninstaller removes: the files the installer puts there, and no others.
    (cd "$stage" && echo '!macro DeleteProgramFiles'
                    find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
                    echo '!macroend' && echo '!macro RemoveProgramFolders'
                    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
                    echo '!macroend') >"$out/files.nsh"
    makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DIDENTITY="$build/generated/Identity.nsh" \
        -DSTAGE="$stage" -DFILES="$out/files.nsh" \
        -DICON="$LOTARIN_ROOT/ui/images/Tombal.ico" -DOUTFILE="$out/Lotarin-$version-setup.exe" \
        "$LOTARIN_ROOT/dist/windows/Lotarin.nsi" >&2 || return 1
    ls -l "$out"/*.exe "$out"/*.zip >&2
}
