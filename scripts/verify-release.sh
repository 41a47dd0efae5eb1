#!/usr/bin/env bash
# Checks a release against its source: rebuilds the tagged commit in a clean folder and
# compares every file SHA256SUMS names with what the rebuild made, byte for byte.
#
#   scripts/verify-release.sh 1.2.0          downloads SHA256SUMS, the zip and the installer
#                                            of release v1.2.0 from the project's GitHub releases
#   scripts/verify-release.sh ~/Downloads    a folder holding SHA256SUMS and the files downloaded
#
# The downloaded files are first checked against SHA256SUMS; then the commit tagged v<version>
# (taken from this clone, or fetched from its origin) is built as the release workflow builds
# it, on Debian 12 with its packages. Exit status 0: every file is the one the source gives.
#
# Environment: ZARNIK_REPOSITORY   owner/name on GitHub (default: this clone's origin)
#              ZARNIK_VERIFY_WORK  where to clone and build (default: a new temporary folder,
#                                  removed after a match); a folder that already holds the
#                                  commit's build is built again incrementally
#              ZARNIK_VERIFY_REF   the commit to build instead of the tag (for testing)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "verify-release: $*"; }
die() { echo "verify-release: $*" >&2; exit 2; }

[ $# -eq 1 ] || die "usage: $0 VERSION | FOLDER"
arg=$1

work=${ZARNIK_VERIFY_WORK:-}
made_work=""
if [ -z "$work" ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/zarnik-verify.XXXXXX")
  made_work=1
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)

# --- The release's files --------------------------------------------------------------------
if [ -d "$arg" ]; then
  downloads=$(cd "$arg" && pwd)
  [ -f "$downloads/SHA256SUMS" ] || die "no SHA256SUMS in $downloads"
  version=$(sed -nE 's/^[0-9a-f]{64}  Zarnik-([0-9][0-9A-Za-z.+-]*)-(win64\.zip|setup\.exe)$/\1/p' \
            "$downloads/SHA256SUMS" | head -n 1)
  [ -n "$version" ] || die "SHA256SUMS in $downloads names no Zarnik package"
else
  version=${arg#v}
  [[ $version =~ ^[0-9]+(\.[0-9]+)*$ ]] || die "neither a folder nor a version: $arg"
  repo=${ZARNIK_REPOSITORY:-}
  if [ -z "$repo" ]; then
    origin=$(git -C "$root" remote get-url origin 2>/dev/null || true)
    if [[ $origin =~ github\.com[:/]([^/]+/[^/]+)$ ]]; then
      repo=${BASH_REMATCH[1]%.git}
    fi
  fi
  [ -n "$repo" ] || die "which GitHub repository? Set ZARNIK_REPOSITORY=owner/name"
  command -v curl >/dev/null || die "downloading needs curl"
  downloads="$work/downloads"
  rm -rf "$downloads"; mkdir -p "$downloads"
  base="https://github.com/$repo/releases/download/v$version"
  for name in SHA256SUMS "Zarnik-$version-win64.zip" "Zarnik-$version-setup.exe"; do
    say "downloading $base/$name"
    curl -fsSL --retry 3 -o "$downloads/$name" "$base/$name" || die "could not download $name"
  done
fi
say "release $version, files in $downloads"

# Each line: hash, two blanks, a plain file name (nothing that reaches outside the folder).
names=()
while read -r hash name; do
  [[ $hash =~ ^[0-9a-f]{64}$ && $name =~ ^[A-Za-z0-9][A-Za-z0-9._+-]*$ ]] ||
    die "SHA256SUMS holds a line that is not \"hash  name\": $hash $name"
  names+=("$name")
done <"$downloads/SHA256SUMS"
[ ${#names[@]} -gt 0 ] || die "SHA256SUMS is empty"

expected() { awk -v n="$1" '$2 == n { print $1; exit }' "$downloads/SHA256SUMS"; }
sha() { sha256sum "$1" | cut -d' ' -f1; }

# The downloads first: a file that does not match the release's own sums is no release file.
bad=0
present=0
for name in "${names[@]}"; do
  [ -f "$downloads/$name" ] || continue
  present=$((present + 1))
  if [ "$(sha "$downloads/$name")" = "$(expected "$name")" ]; then
    say "downloaded $name matches SHA256SUMS"
  else
    say "DOWNLOADED $name DOES NOT MATCH SHA256SUMS"
    bad=1
  fi
done
[ "$present" -gt 0 ] || die "none of the files SHA256SUMS names is in $downloads"
if [ "$bad" -ne 0 ]; then
  say "FAILED: the downloaded files are not the ones SHA256SUMS names"
  exit 1
fi

# --- The source, built in a clean folder ----------------------------------------------------
ref=${ZARNIK_VERIFY_REF:-v$version}
if ! git -C "$root" rev-parse -q --verify "$ref^{commit}" >/dev/null; then
  say "fetching $ref from origin"
  git -C "$root" fetch --quiet origin "refs/tags/$ref:refs/tags/$ref" 2>/dev/null || true
fi
commit=$(git -C "$root" rev-parse -q --verify "$ref^{commit}") || die "no commit $ref in $root"

src="$work/src"
if [ "$(git -C "$src" rev-parse -q --verify HEAD 2>/dev/null || true)" != "$commit" ]; then
  rm -rf "$src"
  git clone --quiet --no-checkout "$root" "$src"
  git -C "$src" checkout --quiet --detach "$commit"
fi
say "building $ref ($commit) in $work"

build="$work/build"
# libjpeg-turbo's sources, as Debian ships them: this clone's copy when it has one, else fetched.
if [ ! -d "$build/deps" ]; then
  mkdir -p "$build/deps"
  for jt in "$root"/build/deps/libjpeg-turbo-[0-9]*; do
    [ -f "$jt/CMakeLists.txt" ] && cp -a "$jt" "$build/deps/"
  done
fi
(cd "$src" && ZARNIK_BUILD_DIR="$build" ./scripts/build.sh zarnik_packages) >"$work/build.log" 2>&1 || {
  tail -n 30 "$work/build.log" >&2
  die "the build failed (log: $work/build.log)"
}

# --- The comparison -------------------------------------------------------------------------
differ=0
for name in "${names[@]}"; do
  rebuilt="$build/package/$name"
  want=$(expected "$name")
  if [ ! -f "$rebuilt" ]; then
    say "$name: NOT MADE by the build"
    differ=1
  elif [ "$(sha "$rebuilt")" = "$want" ]; then
    say "$name: $want, the same as the rebuild"
  else
    say "$name: DIFFERS: the release has $want, the rebuild $(sha "$rebuilt")"
    differ=1
  fi
done
if [ "$differ" -ne 0 ]; then
  say "FAILED: the release is not what its source builds (kept for a look: $work)"
  exit 1
fi
[ -z "$made_work" ] || rm -rf "$work"
say "OK: every file is what $ref builds"
