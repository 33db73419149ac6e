#!/usr/bin/env bash
# scripts/test --windows: compiles, syntax only, every source that a Windows
# build of the plugin, framework/ and the client compiles, with Debian's
# mingw-w64 against Debian's Qt 5 headers. Debian has no Qt for Windows to
# link against, so nothing is built or run; but the code that only a Windows
# compiler sees (the registry, the Run key, the updater's file name, the
# version resource) is parsed and type-checked on every run instead of
# waiting for the next Windows build to find it broken.
source "$(dirname "$0")/common.sh"

if [ $# -ne 0 ]; then
  echo "scripts/test --windows takes no further arguments (given: $*)" >&2
  exit 2
fi

ekr_install_packages g++-mingw-w64-x86-64-posix
# The posix thread model, which Qt's own MinGW builds use, named in full so
# that the alternative x86_64-w64-mingw32-g++ pointing elsewhere changes
# nothing. windres finds its preprocessor, x86_64-w64-mingw32-gcc, the same
# package's alternative.
cxx=x86_64-w64-mingw32-g++-posix
windres=x86_64-w64-mingw32-windres

multiarch="$(gcc -print-multiarch)"
qt="/usr/include/$multiarch/qt5"
# mpg123.h lives in the multiarch folder beside every other Linux header; the
# folder itself cannot be on the path, or glibc's headers would stand in for
# mingw's. The two headers alone are linked into a folder of their own.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/include"
for header in mpg123.h fmt123.h; do
  if [ ! -f "/usr/include/$multiarch/$header" ]; then
    echo "scripts/test --windows: /usr/include/$multiarch/$header is missing (libmpg123-dev)" >&2
    exit 1
  fi
  ln -s "/usr/include/$multiarch/$header" "$scratch/include/$header"
done

# No define is needed to make Qt's headers parse for Windows: mingw-w64
# predefines _WIN32, from which Qt derives Q_OS_WIN and with it its Windows
# declarations (dllimport for its classes, QProcess's process handle, ...).
# Debian's qconfig.h and the modules' *-config.h describe Qt's x86-64 Linux
# build; they differ from a Windows build's where these sources do not look
# (dynamic OpenGL, the default platform plugin), and what is Linux's own does
# nothing here: QT_REDUCE_RELOCATIONS is checked for ELF targets only, and
# the version tags are emitted on Linux only, so QT_NO_VERSION_TAGGING need
# not be given. The compiler is the 64-bit one, as the headers are x86-64's.
#
# What the build itself defines is given as it would be: QT_NO_DEBUG, which
# Qt's CMake package adds for every build type but Debug (it changes
# Q_ASSERT and a few inline checks), and each target's own definitions below.
# UNICODE is not defined, as the CMake build does not define it; the Windows
# calls name their wide variants (...W) explicitly, so either way compiles.
#
# Qt's and mpg123's headers are system headers, so that only the project's
# own code is held to the project's warnings, and a warning fails the check
# as it fails a build with EKR_WERROR=ON: the Linux build is free of them.
flags=(-std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -DQT_NO_DEBUG)
for folder in "$qt" "$qt/QtCore" "$qt/QtGui" "$qt/QtWidgets" "$qt/QtMultimedia" "$qt/QtUiTools"; do
  if [ ! -d "$folder" ]; then
    echo "scripts/test --windows: Qt's header folder $folder is missing" >&2
    exit 1
  fi
  flags+=(-isystem "$folder")
done
flags+=(-isystem "$scratch/include")
flags+=(-I interfaces -I framework -I host -I plugins/com.ekr.configuration)

cd "$EKR_ROOT"
# Where a file has a Unix and a Windows alternative (platform/*_unix.cpp and
# *_win.cpp), a Windows build takes the second. The resource scripts carry the
# plugin's version record.
mapfile -t files < <(
  find plugins/com.ekr.configuration framework host -name '*.cpp' ! -name '*_unix.cpp' | sort
  find plugins/com.ekr.configuration -name '*.rc' | sort
)
echo "Checking ${#files[@]} files as a Windows build compiles them:"
echo "  $cxx ${flags[*]}"
echo "  $windres (resource scripts)"
printf '  %s\n' "${files[@]}"

check() {
  local file="$1" defines=()
  if [[ "$file" == *.rc ]]; then
    "$windres" -O coff -i "$file" -o "$scratch/resource.$2.o"
    return
  fi
  # Each target's definitions, as its CMakeLists.txt gives them.
  case "$file" in
  framework/*) defines=(-DEKR_PLUGINFRAMEWORK_LIBRARY) ;;
  plugins/*) defines=(-DQT_MESSAGELOGCONTEXT) ;;
  # The plugin's file name on Windows; any string would do for the syntax.
  host/*) defines=('-DEKR_DEFAULT_PLUGIN="com.ekr.configuration_0.9.0.dll"') ;;
  esac
  "$cxx" "${flags[@]}" "${defines[@]}" "$file"
}

# As many at a time as there are cores; the results in the listed order.
for i in "${!files[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
    wait -n || true
  done
  (
    status=0
    check "${files[$i]}" "$i" >"$scratch/$i.log" 2>&1 || status=$?
    echo "$status" >"$scratch/$i.status"
  ) &
done
wait

failed=()
for i in "${!files[@]}"; do
  if [ "$(cat "$scratch/$i.status")" = 0 ]; then
    echo "ok      ${files[$i]}"
  else
    echo "FAILED  ${files[$i]}"
    cat "$scratch/$i.log"
    failed+=("${files[$i]}")
  fi
done
echo "windows: $((${#files[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "scripts/test --windows: these files do not compile for Windows (errors above):" >&2
  printf '  %s\n' "${failed[@]}" >&2
  exit 1
fi
