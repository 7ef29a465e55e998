#!/usr/bin/env bash
# Formats every C++ file of the tree with Debian 12's clang-format (version 14) and the
# project's .clang-format. `--check` changes nothing and fails on the first file that differs.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format)
mapfile -d '' files < <(git ls-files -z -- '*.h' '*.cpp')
if [ "${1:-}" = "--check" ]; then
  "$format" --dry-run --Werror "${files[@]}"
else
  "$format" -i "${files[@]}"
fi
