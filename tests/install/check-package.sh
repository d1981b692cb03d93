#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks what a user installs with it: both
# programs, the desktop entry, the icon, the metainfo and the man pages, dependencies taken
# from the libraries the programs link, and a tree that the desktop tools accept.
# Usage: check-package.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" ||
  { cat "$work/cpack.log"; exit 1; }
debs=("$work"/tonvane_*.deb)
[ -f "${debs[0]}" ] || { echo "no package built"; cat "$work/cpack.log"; exit 1; }
deb=${debs[0]}

failed=0
listing=$(dpkg-deb -c "$deb")
for path in \
  ./usr/bin/tonvane \
  ./usr/bin/tonvane-analyse \
  ./usr/share/applications/org.tonvane.Tonvane.desktop \
  ./usr/share/icons/hicolor/scalable/apps/tonvane.svg \
  ./usr/share/metainfo/org.tonvane.Tonvane.metainfo.xml \
  ./usr/share/man/man1/tonvane.1.gz \
  ./usr/share/man/man1/tonvane-analyse.1.gz; do
  if ! grep -q " $path\$" <<<"$listing"; then
    echo "missing from the package: $path"
    failed=1
  fi
done

# The panel needs Qt, PortAudio and libsndfile, the analyser libsndfile: all of them must come
# from the linked libraries, and the Qt plug-ins loaded at run time must be named.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libportaudio2 libsndfile1 libstdc++6 qt6-qpa-plugins libqt6svg6; do
  if ! grep -q "\b$package\b" <<<"$depends"; then
    echo "not among the dependencies: $package ($depends)"
    failed=1
  fi
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
if ! "$root/usr/bin/tonvane-analyse" --help | grep -q '^Usage: tonvane-analyse'; then
  echo "the installed analyser does not run"
  failed=1
fi
# The analyser needs no display and no sound system.
if objdump -p "$root/usr/bin/tonvane-analyse" | grep -E 'NEEDED +lib(Qt6|portaudio)'; then
  echo "the analyser links a library it does not need"
  failed=1
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/org.tonvane.Tonvane.desktop" || failed=1
fi
if command -v appstreamcli >/dev/null; then
  # The whole tree: the metainfo, and the desktop entry it launches.
  appstreamcli validate-tree --no-net "$root" || failed=1
fi
exit $failed
