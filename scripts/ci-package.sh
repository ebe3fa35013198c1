#!/usr/bin/env bash
# Builds the Debian package, installs it with apt (so that its declared
# dependencies are resolved), checks the installed files, starts the installed
# program headless, ends it, and purges the package again together with
# whatever its installation brought in. Needs root (or sudo); apt changes the
# machine, and the script leaves it with the packages it found.
#   BUILD_DIR          a configured release build folder to reuse (default: build)
#   PACKAGE_BUILD_DIR  the release build folder made when BUILD_DIR is missing, a
#                      debug or a sanitizer build (default: build-package)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
started=$SECONDS

# Where the package puts things (cmake/packaging.cmake, app/CMakeLists.txt).
prefix=/usr
run_dir=$prefix/lib/verdanex

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
apt_get() { DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -qq "$@"; }

fail() {
    echo "ci-package: FAIL: $*" >&2
    exit 1
}
step() { echo "-- [$((SECONDS - started)) s] $*"; }

# A build folder of this tree, not a debug or sanitizer build.
reusable() {
    local cache=$1/CMakeCache.txt
    [[ -f $cache ]] || return 1
    grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$root" "$cache" || return 1
    grep -q '^VX_SANITIZE:BOOL=ON' "$cache" && return 1
    grep -qE '^CMAKE_BUILD_TYPE:[A-Z]+=(Release|RelWithDebInfo|MinSizeRel)$' "$cache"
}

# The live processes of a session (procps may be missing on a fresh machine).
# A zombie has ended already; only its parent (init, for an orphan) has yet to
# collect it.
session_members() {
    local stat fields state sid
    for stat in /proc/[0-9]*/stat; do
        fields=$(cat "$stat" 2>/dev/null) || continue
        read -r state _ _ sid _ <<<"${fields##*) }"
        if [[ $sid == "$1" && $state != Z ]]; then
            echo "${fields%%) *}) $state"
        fi
    done
}

installed_packages() {
    dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk '$1 == "ii" { print $2 }' | sort
}

if dpkg-query -W -f='${Status}' verdanex 2>/dev/null | grep -qv 'not-installed'; then
    fail "verdanex is already on this machine; purge it first (apt-get purge verdanex)"
fi

build_dir=${BUILD_DIR:-$root/build}
if reusable "$build_dir"; then
    step "reusing the build folder $build_dir"
    BUILD_DIR=$build_dir "$root/scripts/setup.sh"
else
    build_dir=${PACKAGE_BUILD_DIR:-$root/build-package}
    step "release build in $build_dir"
    BUILD_DIR=$build_dir VX_CMAKE_ARGS="-DCMAKE_BUILD_TYPE=Release -DVX_WARNINGS_AS_ERRORS=ON \
-DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCHMARKS=OFF" "$root/scripts/setup.sh"
fi

work=$(mktemp -d /tmp/verdanex-package.XXXXXX)
program_pid=
packages_before=
# Purges verdanex and whatever its installation brought in; does nothing once done.
purge_added() {
    [[ -n $packages_before ]] || return 0
    local added
    mapfile -t added < <(comm -13 "$packages_before" <(installed_packages) | grep -vx verdanex)
    if dpkg-query -W -f='${Status}' verdanex 2>/dev/null | grep -qv 'not-installed'; then
        added=(verdanex "${added[@]}")
    fi
    if ((${#added[@]})); then
        echo "   purging: ${added[*]}"
        apt_get purge -y "${added[@]}" >/dev/null
    fi
}
cleanup() {
    local status=$?
    if [[ -n $program_pid ]] && kill -0 "$program_pid" 2>/dev/null; then
        kill -KILL "$program_pid" 2>/dev/null || true
    fi
    purge_added || status=1
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

step "building the package"
(cd "$build_dir" && cpack -G DEB -B "$work/deb" >"$work/cpack.log") || {
    cat "$work/cpack.log" >&2
    fail "cpack"
}
debs=("$work"/deb/verdanex_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one verdanex_*.deb, found: ${debs[*]}"
deb=${debs[0]}
echo "   $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
version=$(sed -n 's/^project(Verdanex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[[ $(dpkg-deb -f "$deb" Package) == verdanex ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "   Depends: $depends"
for wanted in python3 python3-venv python3-pip-whl fonts-wqy-microhei libqt6widgets6 libqt6qml6 \
    libcurl4; do
    grep -qE "(^|, )$wanted( |,|$)" <<<"$depends" || fail "Depends lacks $wanted"
done
# Config.ini and Py belong to the machine, not to the package.
if dpkg-deb -c "$deb" | grep -E "\.$run_dir/(Config\.ini|Py)"; then
    fail "the package ships files that postinst makes"
fi

step "installing it with apt"
chmod 755 "$work" "$work/deb"  # apt reads local packages as its own user
packages_before=$work/packages-before
installed_packages >"$packages_before"
apt_get install -y --no-install-recommends "$deb" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log" >&2
    fail "apt-get install"
}

step "checking the installed files"
[[ -L $prefix/bin/verdanex ]] || fail "$prefix/bin/verdanex is no symlink"
[[ $(readlink "$prefix/bin/verdanex") == ../lib/verdanex/verdanex ]] || fail "symlink target"
[[ $(readlink -f "$prefix/bin/verdanex") == "$run_dir/verdanex" ]] || fail "symlink resolves elsewhere"
[[ -x $run_dir/verdanex ]] || fail "$run_dir/verdanex is not executable"
if ldd "$run_dir/verdanex" | grep 'not found'; then fail "libraries missing"; fi
desktop=$prefix/share/applications/verdanex.desktop
for line in Type=Application Name=Verdanex Exec=verdanex Icon=verdanex 'Categories=Development;'; do
    grep -qxF "$line" "$desktop" || fail "$desktop lacks $line"
done
grep -q '^Comment=.*[^ -~]' "$desktop" || fail "$desktop lacks its Chinese Comment"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
fi
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/verdanex.svg" || fail "icon"
cmp "$prefix/share/verdanex/Config.ini" "$root/app/Config.ini" || fail "shipped Config.ini"
# postinst's Config.ini: the shipped one with the Python directory recorded.
lines=$(wc -l <"$root/app/Config.ini")
cmp <(head -n "$lines" "$run_dir/Config.ini") "$root/app/Config.ini" || fail "postinst's Config.ini"
[[ $(tail -n +"$((lines + 1))" "$run_dir/Config.ini") == "r1=$run_dir/Py/bin/"$'\n'"sel=1" ]] ||
    fail "postinst's Config.ini does not name $run_dir/Py"
python_version=$("$run_dir/Py/bin/python" -V 2>&1) || fail "python -V in $run_dir/Py"
echo "   Py: $python_version, $("$run_dir/Py/bin/python" -m pip --version | cut -d' ' -f1-2)"
[[ -f $run_dir/Py/pyvenv.cfg ]] || fail "$run_dir/Py is no venv"

# Starts the installed program headless as USER (empty: as this script's
# user) with a home of its own, checks that its environment check got going on
# Py and that it stays up, ends it with SIGTERM and checks that it exits 0
# and that nothing it started outlives it.
run_program() {
    local user=$1 home=$work/home-${1:-self} runtime=$work/runtime-${1:-self}
    local as_user=()
    mkdir -p "$home" "$runtime"
    chmod 700 "$runtime"
    if [[ -n $user ]]; then
        chown -R "$user:$(id -gn "$user")" "$home" "$runtime"
        as_user=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups)
    fi
    # A session of its own, so that every process it starts can be found afterwards.
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_RUNTIME_DIR="$runtime" \
        XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
        XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=offscreen \
        PIP_DISABLE_PIP_VERSION_CHECK=1 \
        setsid "${as_user[@]}" verdanex </dev/null >"$work/program.log" 2>&1 &
    program_pid=$!
    # pip's configuration is seeded once "python -V" has answered from Py.
    local pip_conf=$home/.config/pip/pip.conf
    for _ in $(seq 100); do
        [[ -f $pip_conf ]] && break
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.2
    done
    sleep 2
    if ! kill -0 "$program_pid" 2>/dev/null; then
        cat "$work/program.log" >&2
        fail "the program ended by itself"
    fi
    [[ -f $pip_conf ]] || fail "the environment check did not reach pip ($pip_conf is missing)"
    kill -TERM "$program_pid"
    for _ in $(seq 50); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.2
    done
    kill -0 "$program_pid" 2>/dev/null && fail "the program did not end on SIGTERM"
    local status=0
    wait "$program_pid" || status=$?
    if ((status != 0)); then
        cat "$work/program.log" >&2
        fail "the program exited with $status on SIGTERM"
    fi
    # A command's process that the clean-up signalled may still be exiting.
    local left
    for _ in $(seq 15); do
        left=$(session_members "$program_pid")
        [[ -n $left ]] || break
        sleep 0.2
    done
    [[ -z $left ]] || fail "processes of the program outlived it: $left"
    program_pid=
}

step "starting the installed program headless as $(id -un)"
run_program ""
cmp <(head -n "$lines" "$run_dir/Config.ini") "$root/app/Config.ini" || fail "Config.ini not kept"
grep -qx "r1=$run_dir/Py/bin/" "$run_dir/Config.ini" || fail "Config.ini lost r1"
if [[ $(id -u) -eq 0 ]] && id nobody >/dev/null 2>&1; then
    # The usual case: a user who cannot write the program's folder.
    step "starting the installed program headless as nobody"
    run_program nobody
fi

step "purging it"
purge_added
for path in "$run_dir" "$prefix/bin/verdanex" "$desktop" "$prefix/share/verdanex" \
    "$prefix/share/icons/hicolor/scalable/apps/verdanex.svg"; do
    [[ ! -e $path && ! -L $path ]] || fail "$path is left after purge"
done
cmp -s "$packages_before" <(installed_packages) || fail "installed packages differ from before"
echo "ci-package: OK in $((SECONDS - started)) s"
