#!/usr/bin/env bash
# Builds the Debian package from a finished build, unpacks it into a scratch root and publishes the demo
# project with the installed command line from there; checks the desktop entry and the MIME package too.
# Usage: package-test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1) || {
  cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/pkg/docvane_*.deb)
echo "package: $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
needs=(libpodofo libtinyxml2 python3-ezdxf python3-uno)
if dpkg-deb -c "$deb" | grep -q '/usr/bin/docvane$'; then needs+=(libwx libcurl); fi
for needed in "${needs[@]}"; do
  grep -q "$needed" <<<"$depends" || { echo "missing dependency $needed"; exit 1; }
done

root="$scratch/root"
dpkg -x "$deb" "$root"
for path in usr/bin/docvane-cli usr/share/applications/docvane.desktop usr/share/mime/packages/docvane.xml \
            usr/share/icons/hicolor/48x48/apps/docvane.png usr/share/icons/hicolor/scalable/apps/docvane.svg \
            usr/share/man/man1/docvane-cli.1.gz usr/share/doc/docvane/LICENSE usr/share/doc/docvane/NOTICE.md \
            usr/share/doc/docvane/copyright; do
  [ -e "$root/$path" ] || { echo "not installed: $path"; exit 1; }
done
if [ -d "$source/src/servers/docvane_servers" ]; then
  [ -f "$root/usr/lib/docvane/docvane_servers/__init__.py" ] || { echo "servers not installed"; exit 1; }
fi
desktop-file-validate "$root/usr/share/applications/docvane.desktop"

# The MIME package gives *.dv1 its own type, by name and by content.
mkdir -p "$scratch/mime/packages"
cp "$root/usr/share/mime/packages/docvane.xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime" >/dev/null
grep -q "application/x-docvane-project" "$scratch/mime/globs2"
grep -q "x-docvane-project" "$scratch/mime/XMLnamespaces"

# Publish a copy of the demo with the installed program and its own settings folder.
cp -r "$source/examples/demo" "$scratch/demo"
rm -rf "$scratch/demo/out"
export DOCVANE_CONFIG_HOME="$scratch/config" DOCVANE_RUNTIME_DIR="$scratch/run"
status=0
"$root/usr/bin/docvane-cli" publish "$scratch/demo/demo.dv1" --full --no-save >"$scratch/publish.log" 2>&1 || status=$?
cat "$scratch/publish.log"
[ "$status" -eq 0 ] || { echo "installed docvane-cli exited $status"; exit 1; }
pdf=$(find "$scratch/demo/out" -maxdepth 1 -name '*.pdf' | head -n 1)
[ -n "$pdf" ] || { echo "no combined PDF"; exit 1; }
qpdf --check "$pdf" >/dev/null
echo "package test passed"
