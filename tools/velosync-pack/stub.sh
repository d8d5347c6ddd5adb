#!/bin/sh
# Velotune station database package. Run by hand, it unpacks the new station database,
# newfm.dat, into $TMPDIR (or /tmp). The zip archive that holds it follows this script; velosync
# reads that archive itself and never runs this script.
dir=${TMPDIR:-/tmp}
if command -v unzip >/dev/null 2>&1; then
  # unzip warns (status 1) about the bytes of this script in front of the archive.
  unzip -o -qq "$0" newfm.dat -d "$dir" 2>/dev/null
  if [ $? -le 1 ] && [ -f "$dir/newfm.dat" ]; then
    echo "newfm.dat unpacked into $dir"
    exit 0
  fi
fi
if command -v python3 >/dev/null 2>&1; then
  if python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extract("newfm.dat", sys.argv[2])' "$0" "$dir"; then
    echo "newfm.dat unpacked into $dir"
    exit 0
  fi
fi
echo "cannot unpack $0: it needs unzip or python3" >&2
exit 1
