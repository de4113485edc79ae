#!/bin/sh
# Installs the build into a fresh prefix and uses what is installed: the dialog runs the
# example script on the sample printer (the installed bundle, the installed sample), and a
# small program builds against the PPD library that pkg-config finds and parses the sample.
# Usage: install-check.sh BUILD_DIR BINDIR LIBDIR DATADIR CXX [COMPILER_FLAG...]
set -eu
build=$1 bindir=$2 libdir=$3 datadir=$4 cxx=$5
shift 5
here=$(cd "$(dirname "$0")" && pwd)

prefix=$(mktemp -d /tmp/zeq-install-XXXXXX)
ticket=
cleanup() {
    rm -rf "$prefix"
    if [ -n "$ticket" ]; then rm -f "$ticket"; fi
}
trap cleanup EXIT
fail() {
    echo "install-check: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
examples=$prefix/$datadir/imageshift/examples
for file in "$prefix/$bindir/imageshift-dialog" "$prefix/$libdir/imageshift/ImageShift.plugin/Contents/Info.plist" \
    "$prefix/$libdir/imageshift/ImageShift.plugin/Contents/Linux/ImageShift.so" \
    "$prefix/$libdir/imageshift/ImageShift.plugin/Contents/Resources/ImageShift.ui" \
    "$prefix/$libdir/pkgconfig/zeqppd.pc" "$examples/QW4300.ppd" "$examples/imageshift.script"; do
    [ -e "$file" ] || fail "not installed: ${file#"$prefix"/}"
done

# The installed dialog, away from the build folder: it finds the installed bundle and sample.
status=0
out=$(cd / && "$prefix/$bindir/imageshift-dialog" --script "$examples/imageshift.script") || status=$?
ticket=$(printf '%s\n' "$out" | sed -n 's|^Job ticket: \(/tmp/Vorel\.temp[0-9]*\).*|\1|p')
[ "$status" = 0 ] || fail "the installed dialog failed (status $status)"
[ -n "$ticket" ] && [ -f "$ticket" ] || fail "no job ticket written:
$out"
printf '%s\n' "$out" | grep -q "^Printer: QW4300 ($examples/QW4300.ppd)" ||
    fail "the dialog did not use the installed sample printer:
$out"
printf '%s\n' "$out" | grep -q '^    81  %%BeginFeature: \*QWImageFrontX 850$' ||
    fail "the job ticket lacks the front offset:
$out"

# Another program builds against the library with what pkg-config says, and runs.
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
flags=$(pkg-config --cflags --libs zeqppd) || fail "pkg-config does not find zeqppd"
# shellcheck disable=SC2086 # the flags are words
"$cxx" -std=c++20 "$@" "$here/uses_zeqppd.cpp" -o "$prefix/uses_zeqppd" $flags \
    -Wl,-rpath,"$prefix/$libdir" || fail "a program does not build against the library"
parsed=$("$prefix/uses_zeqppd" "$examples/QW4300.ppd" '*QWImageFrontX') ||
    fail "the program did not parse the sample printer: $parsed"
[ "$parsed" = "Quillwork QW-4300 PS: valid, *QWImageFrontX from -14400 to 14400" ] ||
    fail "unexpected: $parsed"
echo "install-check: installed into $prefix, the dialog printed, and a program built against zeqppd"
