#!/usr/bin/env bash
# Checks that the layers hold: every folder that makes a library (or a
# program) includes headers only of its own folder and of the libraries its
# CMakeLists.txt names (and what they name in turn). Every library sees the
# whole source root, so without this only the link step would notice a
# folder reaching into a library it does not declare. Prints each offending
# include and exits 1; exits 0 when there is none.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

# The folders that hold a kq_* library of their own (folder -> library) and
# the kq_* libraries each names; the tests but their support library are not
# checked (their include root is tests/).
declare -A library_of folder_of deps_of
for cmake in $(git ls-files '*CMakeLists.txt' | grep -v -e '^tests/' -e '^CMakeLists.txt$'; echo tests/support/CMakeLists.txt); do
  folder="$(dirname "$cmake")"
  library="$(grep -oE '(kq_folder_library|add_library)\((kq_[a-z0-9_]+)' "$cmake" | head -1 | sed 's/.*(//')" || true
  # The kq_* libraries the folder names (its own excepted).
  names="$(grep -v '^ *#' "$cmake" | grep -oE '\bkq_[a-z0-9_]+\b' | grep -v "^${library:-none}\$" | grep -v '^kq_folder_library$' | sort -u | tr "\n" " " || true)"
  if [ -n "$library" ]; then
    library_of[$folder]="$library"
    folder_of[$library]="$folder"
  fi
  deps_of[$folder]="$names"
done

# What a folder may use: the closure of the libraries it names.
closure() {
  local todo=($1) seen=" " next lib
  while [ ${#todo[@]} -gt 0 ]; do
    lib="${todo[0]}"
    todo=("${todo[@]:1}")
    case "$seen" in *" $lib "*) continue ;; esac
    seen+="$lib "
    next="${folder_of[$lib]:-}"
    [ -n "$next" ] && todo+=(${deps_of[$next]})
  done
  echo "$seen"
}

status=0
for folder in "${!deps_of[@]}"; do
  allowed="$(closure "${deps_of[$folder]}")"
  while IFS= read -r line; do
    file="${line%%:*}"
    header="$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")"
    # The longest folder with a library that the header lies in.
    target=""
    for candidate in "${!library_of[@]}"; do
      if [[ "$header" == "$candidate/"* ]] && [ ${#candidate} -gt ${#target} ]; then target="$candidate"; fi
    done
    [ -z "$target" ] && continue            # a header of no library (system, generated, tests)
    [ "$target" = "$folder" ] && continue   # its own
    case "$allowed" in *" ${library_of[$target]} "*) continue ;; esac
    echo "$file includes $header, but ${library_of[$folder]:-$folder} does not name ${library_of[$target]}" >&2
    status=1
  done < <(git ls-files "$folder/*.cpp" "$folder/*.h" | grep -E "^$folder/[^/]+$" | xargs -r grep -H '^#include "' || true)
done
[ $status -eq 0 ] && echo "check-layers: every folder includes only the libraries it names"
exit $status
