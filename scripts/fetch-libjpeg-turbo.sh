#!/usr/bin/env bash
# Fetches Debian's libjpeg-turbo source package into DEST (default build/deps) and prints
# the unpacked source folder. The machine's apt configuration and state are left untouched:
# a private apt state (lists, caches, archives) is made whose deb-src entries copy the URIs,
# suites and components of the machine's own deb entries.
set -euo pipefail

dest=${1:-build/deps}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)

existing=$(find "$dest" -maxdepth 1 -type d -name 'libjpeg-turbo-[0-9]*' | sort | tail -n 1)
if [ -n "$existing" ] && [ -f "$existing/CMakeLists.txt" ]; then
  echo "$existing"
  exit 0
fi

apt_dir="$dest/apt"
rm -rf "$apt_dir"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d" "$apt_dir/archives/partial" "$apt_dir/cache"
srclist="$apt_dir/sources.list.d/src.sources"
: > "$srclist"

# deb822 files: copy each stanza of Types: deb as Types: deb-src.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  awk -v RS= -v ORS='\n\n' '
    {
      out = ""; keep = 0; off = 0
      n = split($0, lines, "\n")
      for (i = 1; i <= n; i++) {
        l = lines[i]
        if (l ~ /^Types:/) { if ((" " substr(l, 7) " ") ~ / deb /) keep = 1; l = "Types: deb-src" }
        if (l ~ /^Enabled: *[Nn]o/) off = 1
        out = out l "\n"
      }
      if (keep && !off) print out
    }' "$f" >> "$srclist"
done
# One-line files: turn each "deb" line into a "deb-src" line.
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  sed -n -E 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$f" >> "$apt_dir/sources.list.d/src.list"
done

if ! grep -q 'deb-src' "$srclist" "$apt_dir/sources.list.d/src.list" 2>/dev/null; then
  echo "fetch-libjpeg-turbo: no apt source entries to derive deb-src from" >&2
  exit 1
fi

apt_opts=(
  -o "Dir::Etc::SourceList=/dev/null"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "Dir::Cache::pkgcache=$apt_dir/cache/pkgcache.bin"
  -o "Dir::Cache::srcpkgcache=$apt_dir/cache/srcpkgcache.bin"
  -o "Dir::Cache::Archives=$apt_dir/archives"
  -o "Debug::NoLocking=1"
  -o "APT::Sandbox::User=root"
)
# Entries the machine cannot reach (other registries) must not stop the update.
apt-get "${apt_opts[@]}" -qq update 2>"$apt_dir/update.log" || true
(cd "$dest" && apt-get "${apt_opts[@]}" -qq source libjpeg-turbo >"$apt_dir/source.log" 2>&1) || {
  cat "$apt_dir/update.log" "$apt_dir/source.log" >&2
  exit 1
}
find "$dest" -maxdepth 1 -type d -name 'libjpeg-turbo-[0-9]*' | sort | tail -n 1
