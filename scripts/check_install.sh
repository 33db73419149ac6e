#!/usr/bin/env bash
# scripts/test --install: the client as users install it. Builds build/,
# installs it into a temporary prefix and checks the desktop entry and that
# every RUNPATH is relative, moves the prefix and runs the client's
# --screenshot there without a display; then makes the Debian package,
# installs it with apt-get, checks and runs it the same way, and removes it
# with whatever apt-get brought along, leaving the installed packages as they
# were. Each failure is one line; the logs and the package stay in
# build/install-check/.
source "$(dirname "$0")/common.sh"

if [ $# -ne 0 ]; then
  echo "scripts/test --install takes no further arguments (given: $*)" >&2
  exit 2
fi

# desktop-file-validate, and what cpack's DEB generator needs for the
# package's dependencies: dpkg-shlibdeps, and file to tell programs apart.
ekr_install_packages desktop-file-utils dpkg-dev file
build="$EKR_ROOT/build"
ekr_build "$build"
ekr_hermetic
logs="$build/install-check"
rm -rf "$logs"
mkdir -p "$logs"
package=ekr-client
fail() {
  echo "scripts/test --install: $*" >&2
  exit 1
}

# headless_screenshots NAME PROGRAM: the program as a user starts it on a
# machine without a display, in a home of its own. It must choose the
# offscreen platform itself and leave the dialog's four pages, and find the
# reminder sound in its folder.
headless_screenshots() {
  local home="$EKR_SCRATCH/$1" program="$2" page status=0
  mkdir -p "$home/config" "$home/data" "$home/cache" "$home/registry"
  mkdir -m 700 "$home/runtime"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
    EKR_REGISTRY_ROOT="$home/registry" "$program" --screenshot "$home/pictures" \
    >"$logs/$1.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] ||
    fail "$program --screenshot without a display ended with exit code $status; see $logs/$1.log"
  for page in light-en-1-general light-en-2-render light-en-3-reminder light-en-4-versionsetting; do
    [ "$(file -b --mime-type "$home/pictures/$page.png" 2>/dev/null)" = image/png ] ||
      fail "$program --screenshot without a display left no picture $page.png; see $logs/$1.log"
  done
  [ -f "$(dirname "$(readlink -f "$program")")/sound/kalimba.mp3" ] ||
    fail "the reminder sound is not in sound/ beside $program, where the plugin looks for it"
}

# desktop_entry FILE PREFIX: a valid entry that starts PREFIX's client and
# names an icon of PREFIX's hicolor theme.
desktop_entry() {
  local exec icon
  [ -f "$1" ] || fail "there is no desktop entry $1"
  desktop-file-validate "$1" >"$logs/desktop-file-validate.log" 2>&1 &&
    [ ! -s "$logs/desktop-file-validate.log" ] ||
    fail "desktop-file-validate $1: $(head -n 1 "$logs/desktop-file-validate.log")"
  exec="$(sed -n 's/^Exec=//p' "$1")"
  [ -x "$exec" ] && [ "$(readlink -f "$exec")" = "$(readlink -f "$2/bin/ekr_client")" ] ||
    fail "the desktop entry $1 starts $exec, not the installed $2/bin/ekr_client"
  icon="$(sed -n 's/^Icon=//p' "$1")"
  compgen -G "$2/share/icons/hicolor/*/apps/$icon.*" >/dev/null ||
    fail "the icon $icon that $1 names is not in $2/share/icons/hicolor"
}

# From source: into a prefix, then moved elsewhere, where it must still run.
prefix="$EKR_SCRATCH/install/prefix"
cmake --install "$build" --prefix "$prefix" >"$logs/cmake-install.log" 2>&1 ||
  fail "cmake --install $build --prefix $prefix failed; see $logs/cmake-install.log"
desktop_entry "$prefix/share/applications/ekr_client.desktop" "$prefix"
# Every program and library looks for the libraries it links relative to
# itself, never in the build folder.
while IFS= read -r -d '' file; do
  readelf -h "$file" >/dev/null 2>&1 || continue
  for path in $(readelf -d "$file" | sed -nE 's/.*\((RPATH|RUNPATH)\).*\[(.*)\]$/\2/p' | tr ':' ' '); do
    case "$path" in
      '$ORIGIN'*) ;;
      *) fail "${file#"$prefix/"} looks for libraries in $path, which does not move with the installation" ;;
    esac
  done
done < <(find "$prefix" -type f -print0)
moved="$EKR_SCRATCH/install/moved prefix"
mv "$prefix" "$moved"
headless_screenshots installed "$moved/bin/ekr_client"
echo "cmake --install: the client runs without a display from a prefix moved after installing"

# As a Debian package, installed with apt-get and removed again with what
# apt-get installed along with it, so that the system is left as it was.
status="$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)"
case "$status" in
  "" | *not-installed) ;;
  *) fail "$package is on this system already ($status); this check installs and removes it, so purge it first" ;;
esac
(cd "$build" && cpack -G DEB -B "$logs/package") >"$logs/cpack.log" 2>&1 ||
  fail "cpack -G DEB failed; see $logs/cpack.log"
debs=("$logs"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack -G DEB made no single .deb in $logs/package"
packages() {
  dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk 'substr($1, 2, 1) != "n" { print $2 }' |
    LC_ALL=C sort
}
packages >"$EKR_SCRATCH/packages-before"
remove_package() {
  local added
  added="$(LC_ALL=C comm -13 "$EKR_SCRATCH/packages-before" <(packages) | tr '\n' ' ')"
  [ -z "$added" ] && return 0
  # shellcheck disable=SC2086 # one argument per package
  ekr_as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y $added >"$logs/apt-get-purge.log" 2>&1 &&
    return 0
  echo "scripts/test --install: apt-get purge $added failed; see $logs/apt-get-purge.log" >&2
  return 1
}
# Whatever fails from here on, the package goes again.
trap 'remove_package || true; rm -rf "$EKR_SCRATCH"' EXIT
ekr_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${debs[0]}" >"$logs/apt-get-install.log" 2>&1 ||
  fail "apt-get install ${debs[0]} failed; see $logs/apt-get-install.log"
desktop_entry /usr/share/applications/ekr_client.desktop /usr
headless_screenshots packaged /usr/bin/ekr_client
trap 'rm -rf "$EKR_SCRATCH"' EXIT
remove_package || exit 1
packages | cmp -s - "$EKR_SCRATCH/packages-before" ||
  fail "the installed packages differ from those before the check; see $logs/apt-get-purge.log"
echo "${debs[0]#"$EKR_ROOT/"}: installed with apt-get, ran without a display, and removed again"
